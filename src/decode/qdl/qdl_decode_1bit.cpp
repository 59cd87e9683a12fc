// QDL pixel types 0 (two-entry palette) and 1 (black and white): 1 bit per
// pixel, plain rows or bit runs.
#include <cstring>

#include "decode/qdl/qdl_reader.h"
#include "picture/pixel_array_limit.h"

namespace {

// A bit-run byte b stores (b >> 1) + 1 pixels of value b & 1.
constexpr uint64_t maxPixelsPerRunByte = 128;

// Sets count bits of row from bit position first on (0x80 of byte 0 is 0).
void setBits(uint8_t* row, uint32_t first, uint32_t count)
{
    uint32_t byte = first >> 3;
    const uint32_t leading = first & 7;
    if (leading != 0) {
        const uint32_t bits = count < 8 - leading ? count : 8 - leading;
        row[byte] |= static_cast<uint8_t>((0xFF >> leading) & ~(0xFF >> (leading + bits)));
        count -= bits;
        ++byte;
    }
    if (count >= 8) {
        std::memset(row + byte, 0xFF, count >> 3);
        byte += count >> 3;
        count &= 7;
    }
    if (count != 0)
        row[byte] |= static_cast<uint8_t>(0xFF00 >> count);
}

// Pixels are counted in row order without the padding bits at row ends; a
// run of ones may cross rows but not pass the last pixel, a run of zeros may.
int decodeBitRuns(Picture& picture, QdlCursor& body)
{
    const uint32_t width = static_cast<uint32_t>(picture.width);
    const uint64_t rowBytes = picture.rowBytes();
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(picture.height);
    uint8_t* pixels = picture.pixels.get();
    std::memset(pixels, 0, static_cast<size_t>(picture.pixelBytes()));

    uint64_t done = 0;
    uint64_t row = 0;
    uint32_t column = 0;
    while (done < count) {
        if (!body.has(1))
            return qdlCorrupt;
        const uint8_t unit = body.take8();
        uint32_t length = (unit >> 1) + 1u;
        if (length > count - done) {
            if (unit & 1)
                return qdlCorrupt;
            break;
        }
        done += length;
        if (unit & 1) {
            while (length > 0) {
                const uint32_t part = length < width - column ? length : width - column;
                setBits(pixels + row * rowBytes, column, part);
                length -= part;
                column += part;
                if (column == width) {
                    column = 0;
                    ++row;
                }
            }
        } else {
            column += length;
            if (column >= width) {
                row += column / width;
                column %= width;
            }
        }
    }
    return qdlDecoded;
}

}  // namespace

int decodeQdl1Bit(Picture& picture, QdlCursor& body, int type, int compression)
{
    if (compression != 0 && compression != 1)
        return qdlCompressionNotAccepted;

    if (type == 0) {
        picture.palette = allocateBytes(8);
        if (!picture.palette)
            return qdlOutOfMemory;
        if (!body.has(8))
            return qdlCorrupt;
        std::memcpy(picture.palette.get(), body.take(8), 8);
    }

    const uint64_t minimum = compression == 0 ? picture.pixelBytes()
                                              : minimumStreamBytes(qdlPixelCount(picture), maxPixelsPerRunByte);
    const int allocated = allocateQdlPixels(picture, body, minimum);
    if (allocated != qdlDecoded)
        return allocated;

    if (compression == 1)
        return decodeBitRuns(picture, body);
    const size_t bytes = static_cast<size_t>(picture.pixelBytes());
    std::memcpy(picture.pixels.get(), body.take(bytes), bytes);
    return qdlDecoded;
}
