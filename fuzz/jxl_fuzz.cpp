// libFuzzer target for the JPEG XL reader: libjxl on untrusted bytes behind
// the reader's limits, with its thread runner. Besides memory errors it
// checks the promises of published_picture.h.
#include <cstdint>

#include "decode/libraries/jxl_reader.h"
#include "published_picture.h"

// Small enough that a picture and the decoder's own buffers stay well inside
// the fuzzer's memory limit under AddressSanitizer.
constexpr uint64_t fuzzPixelLimit = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    imageWidth = imageHeight = 0;
    Picture picture;
    parseJxlImage(data, size, picture, fuzzPixelLimit, 2);
    requirePublishedPicture(picture, fuzzPixelLimit);
    return 0;
}
