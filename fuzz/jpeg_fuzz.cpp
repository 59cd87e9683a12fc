// libFuzzer target for the viewer's JPEG path: the header checks and a decode
// by libjpeg-turbo at every DCT scale, into rows of exactly the announced
// size, top-down and bottom-up as the display bitmap lies. Besides memory
// errors it checks the decoder's promises: an accepted header is within the
// pixel limit and within what the file's bytes can describe, and a decode
// writes every pixel of the rows (the padding byte of each is 0xFF).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"
#include "picture/pixel_array_limit.h"

namespace {

// Small enough that a decode stays fast.
constexpr uint64_t fuzzOutputPixelLimit = 1 << 20;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    JpegHeader header;
    if (decodeJpeg(data, size, header, nullptr) != JpegDecodeResult::decoded)
        return 0;
    require(header.width > 0 && header.height > 0);
    const uint64_t pixels = uint64_t(header.width) * uint64_t(header.height);
    require(pixels <= maxPicturePixels);
    // Sampling factors up to 4 make a component's blocks up to 32 pixels wide
    // and high, and each costs at least a bit.
    require((uint64_t(header.width) + 31) / 32 * ((uint64_t(header.height) + 31) / 32) <= 8 * uint64_t(size));

    // The last byte (past the end of a well-formed stream) picks the scale
    // and the row order.
    const uint8_t choice = data[size - 1];
    JpegRows rows{};
    rows.eighths = 1 + choice % 8;
    rows.width = jpegScaledSide(header.width, rows.eighths);
    rows.height = jpegScaledSide(header.height, rows.eighths);
    if (uint64_t(rows.width) * uint64_t(rows.height) > fuzzOutputPixelLimit)
        return 0;
    const ptrdiff_t rowBytes = ptrdiff_t{4} * rows.width;
    std::vector<uint8_t> pixelsOut(size_t(rowBytes) * size_t(rows.height), 0);
    const bool bottomUp = choice & 8;
    rows.firstRow = pixelsOut.data() + (bottomUp ? (rows.height - 1) * rowBytes : 0);
    rows.stride = bottomUp ? -rowBytes : rowBytes;
    JpegHeader again;
    if (decodeJpeg(data, size, again, &rows) != JpegDecodeResult::decoded)
        return 0;
    require(again.width == header.width && again.height == header.height);
    for (size_t i = 3; i < pixelsOut.size(); i += 4)
        require(pixelsOut[i] == 0xFF);
    return 0;
}
