// libFuzzer target for the TGA parser, fed from memory.

#include <cstddef>
#include <cstdint>

#include "decode/tga_reader.h"
#include "picture/picture.h"

namespace {

// The parser accepts pixel arrays up to 2 GB; larger headers would only
// spend the fuzzer's time and memory on allocation.
constexpr uint64_t fuzzPixelArrayLimit = 64u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 18) {
        const uint64_t width = data[12] | data[13] << 8;
        const uint64_t height = data[14] | data[15] << 8;
        if (width * height * 4 > fuzzPixelArrayLimit)
            return 0;
    }
    Picture picture;
    parseTgaImage(data, size, picture);
    if (picture.holdsImage()) {
        if (picture.bitsPerPixel != 24 && picture.bitsPerPixel != 32)
            __builtin_trap();
        // AddressSanitizer checks that the array is as long as the picture.
        volatile uint8_t last = picture.pixels[picture.pixelBytes() - 1];
        (void)last;
        if (picture.bitsPerPixel == 32 && picture.hasTransparency())
            __builtin_trap();
    }
    return 0;
}
