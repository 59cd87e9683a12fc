// The count runs that QDL streams share across depths: a count byte c, then
// one colour of colourBytes bytes repeated c + 1 times, never past the last
// pixel.
#pragma once

#include <cstdint>
#include <cstring>

#include "decode/qdl/qdl_cursor.h"
#include "decode/qdl/qdl_reader.h"

// Writes length copies of one colour of colourBytes bytes: long runs 16
// pixels at a time from a prepared block, the rest pixel by pixel.
template <int colourBytes>
void repeatColour(uint8_t* out, const uint8_t* colour, uint32_t length)
{
    if constexpr (colourBytes == 1) {
        std::memset(out, colour[0], length);
    } else {
        constexpr uint32_t blockPixels = 16;
        if (length >= blockPixels) {
            uint8_t block[blockPixels * colourBytes];
            for (uint32_t i = 0; i < blockPixels; ++i)
                std::memcpy(block + i * colourBytes, colour, colourBytes);
            for (; length >= blockPixels; length -= blockPixels, out += sizeof block)
                std::memcpy(out, block, sizeof block);
        }
        uint8_t pattern[colourBytes];
        std::memcpy(pattern, colour, colourBytes);
        for (; length > 0; --length, out += colourBytes)
            std::memcpy(out, pattern, colourBytes);
    }
}

// Compression 1: a count byte c, then one colour repeated c + 1 times.
template <int colourBytes>
inline int decodeCountRuns(uint8_t* pixels, uint64_t count, QdlCursor& body)
{
    uint64_t done = 0;
    while (done < count) {
        if (!body.has(1 + colourBytes))
            return qdlCorrupt;
        const uint32_t length = body.take8() + 1u;
        const uint8_t* colour = body.take(colourBytes);
        if (length > count - done)
            return qdlCorrupt;
        repeatColour<colourBytes>(pixels + done * colourBytes, colour, length);
        done += length;
    }
    return qdlDecoded;
}

// Writes a run of one index byte when it ends at or before the last pixel.
inline bool writeIndexRun(uint8_t* pixels, uint64_t count, uint64_t& done, uint32_t length, uint8_t value)
{
    if (length > count - done)
        return false;
    std::memset(pixels + done, value, length);
    done += length;
    return true;
}
