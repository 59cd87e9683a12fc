// QDL colour groups (24-bit compression 2, 32-bit compression 3). Pixels are
// filled out of order: at the first unfilled pixel the stream either lists
// literal colours for the next unfilled pixels, or names one colour and then
// scatters it forwards with jumps and runs counted in unfilled pixels.
#include <algorithm>
#include <cstring>

#include "decode/qdl/pixel_fill_map.h"
#include "decode/qdl/qdl_reader.h"

namespace {

template <int colourBytes>
int decodeGroups(uint8_t* pixels, uint64_t count, QdlCursor& body, PixelFillMap& filled)
{
    uint8_t colour[colourBytes];
    auto store = [&](uint64_t pixel) {
        std::memcpy(pixels + pixel * colourBytes, colour, colourBytes);
        markFilled(filled, pixel);
    };
    auto repeatColour = [&](uint8_t* out, uint64_t times) {
        for (uint64_t i = 0; i < times; ++i, out += colourBytes)
            std::memcpy(out, colour, colourBytes);
    };

    uint64_t scan = 0;
    for (;;) {
        scan = nextUnfilled(filled, scan);
        if (scan >= count)
            return qdlDecoded;
        if (!body.has(1))
            return qdlCorrupt;
        const uint32_t literals = body.take8();

        if (literals != 0) {
            // The literal colours go to consecutive unfilled pixels, copied a
            // stretch at a time; a group longer than what is left ends at the
            // last pixel.
            uint64_t left = literals;
            while (left > 0) {
                scan = nextUnfilled(filled, scan);
                if (scan >= count)
                    break;
                const uint64_t end = unfilledStretchEnd(filled, scan, std::min(count, scan + left));
                const uint64_t bytes = (end - scan) * colourBytes;
                if (!body.has(bytes))
                    return qdlCorrupt;
                std::memcpy(pixels + scan * colourBytes, body.take(bytes), bytes);
                markFilledRange(filled, scan, end);
                left -= end - scan;
                scan = end;
            }
            continue;
        }

        if (!body.has(colourBytes))
            return qdlCorrupt;
        std::memcpy(colour, body.take(colourBytes), colourBytes);
        store(scan);
        uint64_t cursor = scan;
        for (;;) {
            if (!body.has(1))
                return qdlCorrupt;
            const uint32_t command = body.take8();
            if (command == 0)
                break;
            if (command < 255) {
                // Jump to the command-th unfilled pixel after the cursor.
                cursor = nthUnfilledAfter(filled, cursor, command);
                if (cursor >= count)
                    return qdlCorrupt;
                store(cursor);
                continue;
            }
            // Run over the next unfilled pixels: one byte e below 128 counts
            // e + 2; otherwise e, f count 256 * e + f - 32638 (130 and up).
            if (!body.has(1))
                return qdlCorrupt;
            uint32_t length = body.take8();
            if (length < 128) {
                length += 2;
            } else {
                if (!body.has(1))
                    return qdlCorrupt;
                length = 256 * length + body.take8() - 32638;
            }
            uint64_t left = length;
            while (left > 0) {
                const uint64_t next = nextUnfilled(filled, cursor + 1);
                if (next >= count)
                    break;
                const uint64_t end = unfilledStretchEnd(filled, next, std::min(count, next + left));
                repeatColour(pixels + next * colourBytes, end - next);
                markFilledRange(filled, next, end);
                left -= end - next;
                cursor = end - 1;
            }
        }
        ++scan;
    }
}

}  // namespace

int decodeQdlColourGroups(Picture& picture, QdlCursor& body, int colourBytes)
{
    const uint64_t count = static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
    PixelFillMap filled;
    if (!createFillMap(filled, count))
        return qdlOutOfMemory;
    uint8_t* pixels = picture.pixels.get();
    return colourBytes == 3 ? decodeGroups<3>(pixels, count, body, filled)
                            : decodeGroups<4>(pixels, count, body, filled);
}
