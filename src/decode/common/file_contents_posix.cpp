// Native builds (tests, tools, fuzzing) always read a copy.
#ifndef _WIN32

#include "decode/common/file_contents.h"

#include <utility>

FileContents::~FileContents() = default;

FileReadResult readFileContents(const char16_t* path, FileContents& contents)
{
    const FileReadResult result = readFileBytes(path, contents.copy_, contents.size_);
    if (result == FileReadResult::ok)
        contents.data_ = contents.copy_.get();
    return result;
}

#endif
