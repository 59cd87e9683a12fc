// QDL pixel types 2 (256-entry palette) and 3 (grey): one index byte per
// pixel, plain or in one of four run-length streams.
#include <cstring>

#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_runs.h"
#include "picture/pixel_array_limit.h"

namespace {

// Compressions 2 and 4: a byte below shortEscape is one pixel; shortEscape,
// n, v is v repeated n + 4 times; under compression 4 also 254, n (16 bits),
// v is v repeated n + 260 times. Compression 2 passes longEscape 256, which
// no byte reaches.
int decodeEscapeRuns(uint8_t* pixels, uint64_t count, QdlCursor& body, uint32_t longEscape)
{
    uint64_t done = 0;
    while (done < count) {
        if (!body.has(1))
            return qdlCorrupt;
        const uint8_t unit = body.take8();
        if (unit < longEscape && unit != 255) {
            pixels[done++] = unit;
            continue;
        }
        uint32_t length;
        if (unit == 255) {
            if (!body.has(2))
                return qdlCorrupt;
            length = body.take8() + 4u;
        } else {
            if (!body.has(3))
                return qdlCorrupt;
            length = body.take16() + 260u;
        }
        if (!writeIndexRun(pixels, count, done, length, body.take8()))
            return qdlCorrupt;
    }
    return qdlDecoded;
}

// Compression 3, flag runs: a byte below 128 is one pixel; b (128 to 255), v
// is v repeated b - 125 times.
int decodeFlagRuns(uint8_t* pixels, uint64_t count, QdlCursor& body)
{
    uint64_t done = 0;
    while (done < count) {
        if (!body.has(1))
            return qdlCorrupt;
        const uint8_t unit = body.take8();
        if (unit < 128) {
            pixels[done++] = unit;
            continue;
        }
        if (!body.has(1))
            return qdlCorrupt;
        const uint32_t length = unit - 125u;
        if (!writeIndexRun(pixels, count, done, length, body.take8()))
            return qdlCorrupt;
    }
    return qdlDecoded;
}

// Most pixels one stream byte can carry under each compression: 256 per
// 2-byte count run, 259 per 3-byte escape run, 65795 per 4-byte long escape
// run, 130 per 2-byte flag run.
uint64_t maxPixelsPerByte(int compression)
{
    switch (compression) {
    case 1: return 128;
    case 2: return 87;
    case 3: return 65;
    default: return 16449;
    }
}

// A compressed type 2 file stores a count (1 to 256) of palette entries; the
// rest of the 256 stay zero.
int readCountedPalette(uint8_t* palette, QdlCursor& body)
{
    std::memset(palette, 0, 1024);
    if (!body.has(2))
        return qdlCorrupt;
    const uint32_t entries = body.take16();
    if (entries == 0 || entries > 256 || !body.has(4 * entries))
        return qdlCorrupt;
    std::memcpy(palette, body.take(4 * entries), 4 * entries);
    return qdlDecoded;
}

}  // namespace

int decodeQdl8Bit(Picture& picture, QdlCursor& body, int type, int compression)
{
    const int lastCompression = type == 2 ? 4 : 1;
    if (compression < 0 || compression > lastCompression)
        return qdlCompressionNotAccepted;

    if (type == 2) {
        picture.palette = allocateBytes(1024);
        if (!picture.palette)
            return qdlOutOfMemory;
        if (compression == 0) {
            if (!body.has(1024))
                return qdlCorrupt;
            std::memcpy(picture.palette.get(), body.take(1024), 1024);
        } else {
            const int result = readCountedPalette(picture.palette.get(), body);
            if (result != qdlDecoded)
                return result;
        }
    }

    const uint64_t minimum = compression == 0 ? picture.pixelBytes()
                                              : minimumStreamBytes(qdlPixelCount(picture), maxPixelsPerByte(compression));
    const int allocated = allocateQdlPixels(picture, body, minimum);
    if (allocated != qdlDecoded)
        return allocated;

    uint8_t* pixels = picture.pixels.get();
    const uint64_t count = picture.pixelBytes();
    switch (compression) {
    case 0:
        std::memcpy(pixels, body.take(static_cast<size_t>(count)), static_cast<size_t>(count));
        return qdlDecoded;
    case 1:
        return decodeCountRuns<1>(pixels, count, body);
    case 2:
        return decodeEscapeRuns(pixels, count, body, 256);
    case 3:
        return decodeFlagRuns(pixels, count, body);
    default:
        return decodeEscapeRuns(pixels, count, body, 254);
    }
}
