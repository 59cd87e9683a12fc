// QDL pixel types 4 (R,G,B) and 5 (T,R,G,B): plain, count runs, marked runs
// (32 bits only) and colour groups.
#include <cstring>

#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_runs.h"
#include "picture/pixel_array_limit.h"

namespace {

// 32-bit compression 2. A 4-byte unit is one pixel unless it starts with
// 255 and a non-zero byte: 255, 1, lo, hi and a colour is a run of
// 256 + lo + 256 * hi; 255, n (2 to 255), then the colour's first two bytes
// and two more bytes is a run of n.
int decodeMarkedRuns(uint8_t* pixels, uint64_t count, QdlCursor& body)
{
    uint64_t done = 0;
    while (done < count) {
        if (!body.has(4))
            return qdlCorrupt;
        const uint8_t* unit = body.take(4);
        if (unit[0] != 255 || unit[1] == 0) {
            std::memcpy(pixels + done * 4, unit, 4);
            ++done;
            continue;
        }
        uint32_t length;
        uint8_t colour[4];
        if (unit[1] == 1) {
            if (!body.has(4))
                return qdlCorrupt;
            length = 256u + unit[2] + 256u * unit[3];
            std::memcpy(colour, body.take(4), 4);
        } else {
            if (!body.has(2))
                return qdlCorrupt;
            length = unit[1];
            colour[0] = unit[2];
            colour[1] = unit[3];
            std::memcpy(colour + 2, body.take(2), 2);
        }
        if (length > count - done)
            return qdlCorrupt;
        repeatColour<4>(pixels + done * 4, colour, length);
        done += length;
    }
    return qdlDecoded;
}

// Most pixels one stream byte can carry: a count run stores 256 pixels in
// 1 + colour bytes, a long marked run 65791 in 8, a colour-group run 32897
// in 3.
uint64_t maxPixelsPerByte(int compression, int colourBytes)
{
    if (compression == 1)
        return colourBytes == 3 ? 64 : 52;
    if (compression == 2 && colourBytes == 4)
        return 8224;
    return 10966;
}

int decodeTrueColour(Picture& picture, QdlCursor& body, int compression, int colourBytes)
{
    const uint64_t count = qdlPixelCount(picture);
    const uint64_t minimum = compression == 0 ? picture.pixelBytes()
                                              : minimumStreamBytes(count, maxPixelsPerByte(compression, colourBytes));
    const int allocated = allocateQdlPixels(picture, body, minimum);
    if (allocated != qdlDecoded)
        return allocated;

    uint8_t* pixels = picture.pixels.get();
    if (compression == 0) {
        const size_t bytes = static_cast<size_t>(picture.pixelBytes());
        std::memcpy(pixels, body.take(bytes), bytes);
        return qdlDecoded;
    }
    if (compression == 1)
        return colourBytes == 3 ? decodeCountRuns<3>(pixels, count, body) : decodeCountRuns<4>(pixels, count, body);
    if (compression == 2 && colourBytes == 4)
        return decodeMarkedRuns(pixels, count, body);
    return decodeQdlColourGroups(picture, body, colourBytes);
}

}  // namespace

int decodeQdl24Bit(Picture& picture, QdlCursor& body, int compression)
{
    if (compression < 0 || compression > 2)
        return qdlCompressionNotAccepted;
    return decodeTrueColour(picture, body, compression, 3);
}

int decodeQdl32Bit(Picture& picture, QdlCursor& body, int compression)
{
    if (compression < 0 || compression > 3)
        return qdlCompressionNotAccepted;
    return decodeTrueColour(picture, body, compression, 4);
}
