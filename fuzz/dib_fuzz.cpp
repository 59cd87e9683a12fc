// libFuzzer target for the packed DIB conversion, fed from memory.

#include <cstddef>
#include <cstdint>

#include "decode/dib/dib_reader.h"
#include "picture/picture.h"

namespace {

// Run-length DIBs can ask for up to 2 GB from a few bytes; larger sizes would
// only spend the fuzzer's time and memory on allocation.
constexpr uint64_t fuzzPixelArrayLimit = 64u << 20;

uint32_t readLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t magnitude(uint32_t value)
{
    const int32_t signedValue = static_cast<int32_t>(value);
    return signedValue < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(signedValue)) : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 12) {
        const uint64_t width = magnitude(readLe32(data + 4));
        const uint64_t height = magnitude(readLe32(data + 8));
        if (width * height > fuzzPixelArrayLimit / 4)
            return 0;
    }
    Picture picture;
    const int result = pictureFromDib(data, size, picture);
    switch (result) {
    case dibConverted: {
        if (!picture.holdsImage() || picture.width <= 0 || picture.height <= 0)
            __builtin_trap();
        const bool paletted = picture.bitsPerPixel == 1 || picture.bitsPerPixel == 8;
        if (paletted != (picture.palette != nullptr))
            __builtin_trap();
        // AddressSanitizer checks that the arrays are as long as the picture.
        volatile uint8_t last = picture.pixels[picture.pixelBytes() - 1];
        if (paletted)
            last = picture.palette[picture.paletteBytes() - 1];
        (void)last;
        break;
    }
    case dibNegativeWidth:
    case dibNoPixels:
        if (picture.holdsImage() || picture.palette || picture.width != 0)
            __builtin_trap();
        break;
    case dibOutOfMemory:
        if (picture.holdsImage())
            __builtin_trap();
        break;
    default:
        __builtin_trap();
    }
    return 0;
}
