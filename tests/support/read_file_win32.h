// A whole file's bytes by its UTF-16 path, through the project's own file
// reading; empty when it cannot be read.
#pragma once

#include <string>

#include "decode/common/file_bytes.h"
#include "picture_fixtures.h"

inline Bytes readFile(const std::wstring& path)
{
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(reinterpret_cast<const char16_t*>(path.c_str()), bytes, size) != FileReadResult::ok)
        return {};
    return Bytes(bytes.get(), bytes.get() + size);
}
