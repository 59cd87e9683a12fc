#include "decode/common/file_bytes.h"

#include <cstdint>
#include <utility>

#include "decode/common/file_bytes_platform.h"

FileReadResult readFileBytes(const char16_t* path, ByteArray& bytes, size_t& size)
{
    FILE* file = openFileForReading(path);
    if (!file)
        return FileReadResult::cannotOpen;
    const int64_t length = lengthOfOpenFile(file);
    if (length < 0) {
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
