#include "decode/tga/tga_reader.h"

#include <algorithm>
#include <cstring>

#include "decode/common/pixel_swizzle.h"
#include "picture/picture.h"
#include "picture/pixel_array_limit.h"
#include "state/decode_results.h"

namespace {

constexpr size_t headerSize = 18;
constexpr uint8_t plainTrueColour = 2;
constexpr uint8_t runLengthTrueColour = 10;

uint16_t readLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Stored B,G,R becomes R,G,B; stored B,G,R,A becomes T = 0,R,G,B.
template <size_t BytesPerPixel>
void convertPixels(const uint8_t* src, uint8_t* dst, size_t count)
{
    if (BytesPerPixel == 3)
        bgrToRgb(src, dst, count);
    else
        bgraToOpaqueTrgb(src, dst, count);
}

constexpr uint64_t maxPixelsPerPacket = 128;

// Fewest bytes after the header that can hold pixelCount pixels.
uint64_t minimumPixelDataBytes(bool runLength, uint64_t pixelCount, size_t bytesPerPixel)
{
    return runLength ? minimumStreamBytes(pixelCount, maxPixelsPerPacket, 1 + bytesPerPixel)
                     : minimumStreamBytes(pixelCount, 1, bytesPerPixel);
}

// Packets: a header byte h, then for h >= 128 one pixel repeated h - 127
// times, for h < 128 h + 1 literal pixels. Packets may cross rows; the one
// that reaches the end of the picture is cut there. Returns how many pixels
// were written: fewer than pixelCount when the data ends first.
template <size_t BytesPerPixel>
size_t decodeRunLength(const uint8_t* src, size_t available, uint8_t* dst, size_t pixelCount)
{
    size_t in = 0;
    size_t out = 0;
    while (out < pixelCount && in < available) {
        const uint8_t packet = src[in++];
        const size_t count = std::min<size_t>((packet & 0x7F) + 1u, pixelCount - out);
        uint8_t* target = dst + out * BytesPerPixel;
        if (packet & 0x80) {
            if (available - in < BytesPerPixel)
                break;
            convertPixels<BytesPerPixel>(src + in, target, 1);
            in += BytesPerPixel;
            for (size_t i = 1; i < count; ++i)
                std::memcpy(target + i * BytesPerPixel, target, BytesPerPixel);
            out += count;
        } else {
            const size_t held = std::min(count, (available - in) / BytesPerPixel);
            convertPixels<BytesPerPixel>(src + in, target, held);
            in += held * BytesPerPixel;
            out += held;
            if (held < count)
                break;
        }
    }
    return out;
}

// True when every pixel was decoded; plain data was checked to hold them all.
template <size_t BytesPerPixel>
bool decodePixels(bool runLength, const uint8_t* src, size_t available, uint8_t* dst,
                  size_t pixelCount)
{
    if (runLength)
        return decodeRunLength<BytesPerPixel>(src, available, dst, pixelCount) == pixelCount;
    convertPixels<BytesPerPixel>(src, dst, pixelCount);
    return true;
}

}  // namespace

void parseTgaImage(const uint8_t* data, size_t size, Picture& picture)
{
    picture.clear();
    if (size < headerSize)
        return;
    const uint8_t imageType = data[2];
    if (data[0] != 0 || data[1] != 0 ||
        (imageType != plainTrueColour && imageType != runLengthTrueColour))
        return;

    const uint16_t width = readLe16(data + 12);
    const uint16_t height = readLe16(data + 14);
    const uint8_t depth = data[16];
    imageWidth = width;
    imageHeight = height;
    if (depth != 24 && depth != 32)
        return;

    const size_t bytesPerPixel = depth / 8;
    const bool runLength = imageType == runLengthTrueColour;
    const size_t available = size - headerSize;
    const uint64_t pixelCount = static_cast<uint64_t>(width) * height;
    if (pixelCount == 0 || pixelCount * bytesPerPixel > maxPixelArrayBytes ||
        available < minimumPixelDataBytes(runLength, pixelCount, bytesPerPixel))
        return;
    ByteArray pixels = allocateBytes(static_cast<size_t>(pixelCount * bytesPerPixel));
    if (!pixels)
        return;

    const uint8_t* src = data + headerSize;
    const size_t count = static_cast<size_t>(pixelCount);
    const bool complete = bytesPerPixel == 3
                              ? decodePixels<3>(runLength, src, available, pixels.get(), count)
                              : decodePixels<4>(runLength, src, available, pixels.get(), count);
    if (!complete)
        return;

    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = depth;
    picture.pixels = std::move(pixels);
}
