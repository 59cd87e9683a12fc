#include "decode/libraries/webp_file_reader.h"

#include "decode/common/file_contents.h"
#include "decode/libraries/webp_first_frame.h"
#include "picture/pixel_array_limit.h"

Picture readWebpFile(const char16_t* path)
{
    Picture picture;
    FileContents contents;
    if (readFileContents(path, contents) == FileReadResult::ok)
        decodeFirstWebpFrame(contents.data(), contents.size(), maxPicturePixels, picture);
    return picture;
}
