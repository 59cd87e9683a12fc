// libFuzzer target for the TGA parser, fed from memory. Every header is
// admitted: the parser claims pixel memory only for what the bytes after the
// header can describe, so a large header costs no more than a small one.

#include <cstddef>
#include <cstdint>

#include "decode/tga/tga_reader.h"
#include "picture/picture.h"

namespace {

// A run-length packet of 5 bytes describes at most 128 pixels of 4 bytes.
constexpr uint64_t bestBytesPerFileByte = 128 * 4 / 5 + 1;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Picture picture;
    parseTgaImage(data, size, picture);
    if (picture.holdsImage()) {
        if (picture.bitsPerPixel != 24 && picture.bitsPerPixel != 32)
            __builtin_trap();
        if (picture.pixelBytes() > bestBytesPerFileByte * size)
            __builtin_trap();
        // AddressSanitizer checks that the array is as long as the picture.
        volatile uint8_t last = picture.pixels[picture.pixelBytes() - 1];
        (void)last;
        if (picture.bitsPerPixel == 32 && picture.hasTransparency())
            __builtin_trap();
    }
    return 0;
}
