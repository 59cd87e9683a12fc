#include "decode/libraries/webp_file_reader.h"

#include "decode/common/file_bytes.h"
#include "decode/libraries/webp_first_frame.h"
#include "picture/pixel_array_limit.h"

Picture readWebpFile(const char16_t* path)
{
    Picture picture;
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(path, bytes, size) == FileReadResult::ok)
        decodeFirstWebpFrame(bytes.get(), size, maxPicturePixels, picture);
    return picture;
}
