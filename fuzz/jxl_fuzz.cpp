// libFuzzer target for the JPEG XL reader: libjxl on untrusted bytes behind
// the reader's limits, with its thread runner. Besides memory errors it
// checks the reader's promises: a picture is 24-bit, or 32-bit with at least
// one transparent pixel, at the published size and within the pixel limit;
// no picture leaves no pixels behind.
#include <cstdint>
#include <cstdlib>

#include "decode/libraries/jxl_reader.h"
#include "picture/picture.h"
#include "state/decode_results.h"

namespace {

// Small enough that a picture and the decoder's own buffers stay well inside
// the fuzzer's memory limit under AddressSanitizer.
constexpr uint64_t fuzzPixelLimit = 1 << 20;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    imageWidth = imageHeight = 0;
    Picture picture;
    parseJxlImage(data, size, picture, fuzzPixelLimit, 2);
    require(uint64_t(imageWidth) * uint64_t(imageHeight) <= fuzzPixelLimit);
    if (!picture.holdsImage()) {
        require(picture.bitsPerPixel == 0);
        return 0;
    }
    require(picture.bitsPerPixel == 24 || (picture.bitsPerPixel == 32 && picture.hasTransparency()));
    require(picture.width == imageWidth && picture.height == imageHeight);
    return 0;
}
