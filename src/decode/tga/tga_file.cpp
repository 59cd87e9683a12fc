#include "decode/common/file_bytes.h"
#include "decode/tga/tga_reader.h"

void readTgaImage(const char16_t* path, Picture& picture)
{
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(path, bytes, size) != FileReadResult::ok) {
        picture.clear();
        return;
    }
    parseTgaImage(bytes.get(), size, picture);
}
