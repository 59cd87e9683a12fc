#include "decode/dib_rle.h"

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

template <bool FourBit>
void decodeRunLengths(const uint8_t* data, size_t size, uint32_t width, uint64_t pixelCount,
                      uint8_t* pixels)
{
    uint64_t position = 0;
    size_t in = 0;
    while (position < pixelCount && size - in >= 2) {
        const uint8_t count = data[in];
        const uint8_t value = data[in + 1];
        in += 2;
        const size_t room = static_cast<size_t>(std::min<uint64_t>(255, pixelCount - position));
        if (count > 0) {
            const size_t written = std::min<size_t>(count, room);
            if (FourBit)
                fillNibblePairs(pixels + position, written, value);
            else
                std::memset(pixels + position, value, written);
            position += count;
            continue;
        }
        switch (value) {
        case endOfLine: {
            const uint64_t column = position % width;
            if (column != 0)
                position += width - column;
            break;
        }
        case endOfBitmap:
            return;
        case delta:
            if (size - in < 2)
                return;
            position += data[in] + static_cast<uint64_t>(data[in + 1]) * width;
            in += 2;
            break;
        default: {
            // Absolute run: value literal pixels, padded to an even byte count.
            const size_t byteCount = FourBit ? (value + 1u) / 2 : value;
            const size_t held = std::min(byteCount, size - in);
            const size_t pixelsHeld = FourBit ? std::min<size_t>(value, 2 * held) : held;
            const size_t written = std::min(pixelsHeld, room);
            if (FourBit)
                copyNibbles(pixels + position, written, data + in);
            else
                std::memcpy(pixels + position, data + in, written);
            if (held < byteCount)
                return;
            position += value;
            in += byteCount + (byteCount & 1);
            in = std::min(in, size);
            break;
        }
        }
    }
}

}  // namespace

void decodeRle8(const uint8_t* data, size_t size, uint32_t width, uint64_t pixelCount,
                uint8_t* pixels)
{
    decodeRunLengths<false>(data, size, width, pixelCount, pixels);
}

void decodeRle4(const uint8_t* data, size_t size, uint32_t width, uint64_t pixelCount,
                uint8_t* pixels)
{
    decodeRunLengths<true>(data, size, width, pixelCount, pixels);
}
