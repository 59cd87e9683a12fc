// Windows: the path is already in the platform's own wide form.
#include "decode/file_bytes.h"

#include <cstdint>
#include <cstdio>
#include <utility>

FileReadResult readFileBytes(const char16_t* path, ByteArray& bytes, size_t& size)
{
    FILE* file = _wfopen(reinterpret_cast<const wchar_t*>(path), L"rb");
    if (!file)
        return FileReadResult::cannotOpen;
    // 64-bit positions: ftell's long is 32 bits on Windows.
    if (_fseeki64(file, 0, SEEK_END) != 0) {
        fclose(file);
        return FileReadResult::cannotOpen;
    }
    const int64_t length = _ftelli64(file);
    if (length < 0 || _fseeki64(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return FileReadResult::cannotOpen;
    }
    if (static_cast<uint64_t>(length) > SIZE_MAX - 1) {
        fclose(file);
        return FileReadResult::outOfMemory;
    }
    // One spare byte keeps the block non-null for an empty file.
    ByteArray block = allocateBytes(static_cast<size_t>(length) + 1);
    if (!block) {
        fclose(file);
        return FileReadResult::outOfMemory;
    }
    const size_t got = fread(block.get(), 1, static_cast<size_t>(length), file);
    fclose(file);
    bytes = std::move(block);
    size = got;
    return FileReadResult::ok;
}
