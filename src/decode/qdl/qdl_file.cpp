// The file wrapper: one read of the whole file, then the parser on the block.
#include "decode/common/file_bytes.h"
#include "decode/qdl/qdl_reader.h"

int loadQdlFile(const char16_t* path, Picture& picture)
{
    ByteArray bytes;
    size_t size = 0;
    switch (readFileBytes(path, bytes, size)) {
    case FileReadResult::cannotOpen:
        return qdlCannotOpen;
    case FileReadResult::outOfMemory:
        return qdlCannotAllocateFile;
    case FileReadResult::ok:
        break;
    }
    return parseQdlImage(picture, bytes.get(), size);
}
