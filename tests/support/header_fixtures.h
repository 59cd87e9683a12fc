// Files of the formats GDI+ decodes, built just far enough for their size
// headers: what the header size check reads, with the pixel data as zeros
// where it matters how long it is. Used by the header size tests and the
// seed corpus of their fuzz target.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "dib_fixtures.h"

inline void be16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
inline void be32(Bytes& b, uint32_t v) { be16(b, v >> 16), be16(b, v & 0xFFFF); }

// File header, info header (core header when infoBytes is 12), pixelBytes.
inline Bytes bmpFile(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression, size_t pixelBytes,
                     uint32_t infoBytes = 40)
{
    Bytes b = {'B', 'M'};
    le32(b, uint32_t(14 + infoBytes + pixelBytes));  // bfSize
    le32(b, 0);                                      // reserved
    le32(b, 14 + infoBytes);                         // bfOffBits
    if (infoBytes == 12) {
        le32(b, 12);
        le16(b, uint32_t(width)), le16(b, uint32_t(height)), le16(b, 1), le16(b, bitCount);
    } else {
        const Bytes info = infoHeader(width, height, bitCount, compression, 0, infoBytes);
        b.insert(b.end(), info.begin(), info.end());
    }
    b.resize(b.size() + pixelBytes, 0);
    return b;
}

// Screen with a 2-entry colour table; the first frame behind a graphic
// control extension when there is one.
inline Bytes gifFile(uint16_t screenWidth, uint16_t screenHeight, uint16_t frameWidth, uint16_t frameHeight)
{
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    le16(b, screenWidth), le16(b, screenHeight);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});       // flags, background, aspect, table
    b.insert(b.end(), {0x21, 0xF9, 4, 0, 0, 0, 0, 0});              // graphic control extension
    if (frameWidth != 0) {
        b.insert(b.end(), {0x2C, 0, 0, 0, 0});                     // descriptor at 0, 0
        le16(b, frameWidth), le16(b, frameHeight);
        b.insert(b.end(), {0, 2, 2, 0x44, 0x01, 0});               // flags, LZW data
    }
    b.push_back(0x3B);
    return b;
}

inline Bytes jpegSegment(uint8_t marker, const Bytes& payload)
{
    Bytes b = {0xFF, marker};
    be16(b, uint32_t(payload.size() + 2));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

inline Bytes startOfFrame(uint8_t marker, uint16_t width, uint16_t height)
{
    return jpegSegment(marker, {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 1, 1,
                                0x11, 0});
}

// Start of image, the parts as given, a scan header and the end of image.
inline Bytes jpegFile(std::initializer_list<Bytes> parts)
{
    Bytes b = join({{0xFF, 0xD8}, join(parts), jpegSegment(0xDA, {1, 1, 0, 0, 63, 0}), {0x12, 0x34, 0xFF, 0xD9}});
    return b;
}

inline Bytes pngFile(uint32_t width, uint32_t height, const char* firstChunk = "IHDR")
{
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    b.insert(b.end(), firstChunk, firstChunk + 4);
    be32(b, width), be32(b, height);
    b.insert(b.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});  // depth, colour type, methods, CRC
    return b;
}

struct TiffEntry {
    uint16_t tag, type;
    uint32_t count, value;  // a SHORT value sits in the field's first two bytes
};

// The first directory at directoryOffset (its place filled with zeros up to
// there), then tailBytes of zeros for the tags' data.
inline Bytes tiffFile(bool little, std::initializer_list<TiffEntry> entries, size_t tailBytes,
                      uint32_t directoryOffset = 8)
{
    auto put16 = [&](Bytes& b, uint32_t v) { little ? le16(b, v) : be16(b, v); };
    auto put32 = [&](Bytes& b, uint32_t v) { little ? le32(b, v) : be32(b, v); };
    Bytes b = little ? Bytes{'I', 'I', 42, 0} : Bytes{'M', 'M', 0, 42};
    put32(b, directoryOffset);
    b.resize(directoryOffset, 0);
    put16(b, uint32_t(entries.size()));
    for (const TiffEntry& e : entries) {
        put16(b, e.tag), put16(b, e.type), put32(b, e.count);
        e.type == 3 ? (put16(b, e.value), put16(b, 0)) : put32(b, e.value);
    }
    put32(b, 0);  // no further directory
    b.resize(b.size() + tailBytes, 0);
    return b;
}
