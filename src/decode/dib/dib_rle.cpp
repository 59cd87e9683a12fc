#include "decode/dib/dib_rle.h"

#include <algorithm>
#include <cstring>

namespace {

enum Escape : uint8_t { endOfLine = 0, endOfBitmap = 1, delta = 2 };

// RLE4 packs two pixels into a byte, high nibble first; a run repeats the
// pair, so its pixels alternate between the two nibbles.
void fillNibblePairs(uint8_t* out, size_t count, uint8_t pair)
{
    const uint8_t high = pair >> 4;
    const uint8_t low = pair & 0x0F;
    for (size_t i = 0; i < count; ++i)
        out[i] = (i & 1) ? low : high;
}

void copyNibbles(uint8_t* out, size_t count, const uint8_t* packed)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = (i & 1) ? (packed[i / 2] & 0x0F) : (packed[i / 2] >> 4);
}

// x runs from 0 to width inclusive: at width the row is full, which is not
// the start of the next one, so that encoders that pad a row with a few
// pixels too many (ImageMagick writes whole 4-pixel groups) still end the
// line where they mean to.
template <bool FourBit>
void decodeRunLengths(const uint8_t* data, size_t size, uint32_t width, uint32_t height,
                      bool topDown, uint8_t* pixels)
{
    uint64_t x = 0;
    uint64_t y = 0;
    size_t in = 0;
    while (y < height && size - in >= 2) {
        const uint8_t count = data[in];
        const uint8_t value = data[in + 1];
        in += 2;
        uint8_t* out = pixels + (topDown ? y : height - 1 - y) * width + x;
        const uint64_t room = width - x;
        if (count > 0) {
            const size_t written = static_cast<size_t>(std::min<uint64_t>(count, room));
            if (FourBit)
                fillNibblePairs(out, written, value);
            else
                std::memset(out, value, written);
            x += written;
            continue;
        }
        switch (value) {
        case endOfLine:
            if (x != 0) {
                x = 0;
                ++y;
            }
            break;
        case endOfBitmap:
            return;
        case delta:
            if (size - in < 2)
                return;
            x = std::min<uint64_t>(x + data[in], width);
            y += data[in + 1];
            in += 2;
            break;
        default: {
            // Absolute run: value literal pixels, padded to an even byte count.
            const size_t byteCount = FourBit ? (value + 1u) / 2 : value;
            const size_t held = std::min(byteCount, size - in);
            const size_t pixelsHeld = FourBit ? std::min<size_t>(value, 2 * held) : held;
            const size_t written = static_cast<size_t>(std::min<uint64_t>(pixelsHeld, room));
            if (FourBit)
                copyNibbles(out, written, data + in);
            else
                std::memcpy(out, data + in, written);
            if (held < byteCount)
                return;
            x = std::min<uint64_t>(x + value, width);
            in = std::min(in + byteCount + (byteCount & 1), size);
            break;
        }
        }
    }
}

}  // namespace

void decodeRle8(const uint8_t* data, size_t size, uint32_t width, uint32_t height, bool topDown,
                uint8_t* pixels)
{
    decodeRunLengths<false>(data, size, width, height, topDown, pixels);
}

void decodeRle4(const uint8_t* data, size_t size, uint32_t width, uint32_t height, bool topDown,
                uint8_t* pixels)
{
    decodeRunLengths<true>(data, size, width, height, topDown, pixels);
}
