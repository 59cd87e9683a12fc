// Files of the formats GDI+ decodes, built as far as the header size check
// reads them; pixel data are zeros of the given length. Used by the header
// size tests and the seed corpus of their fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "dib_fixtures.h"

inline void be16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
inline void be32(Bytes& b, uint32_t v) { be16(b, v >> 16), be16(b, v & 0xFFFF); }

// File header, then an info header, or the core header when infoBytes is 12.
inline Bytes bmpFile(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression, size_t pixelBytes,
                     uint32_t infoBytes = 40)
{
    Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};  // signature, file size (unread), reserved
    le32(b, 14 + infoBytes);                       // offset of the bits
    Bytes core = {12, 0, 0, 0};
    le16(core, uint32_t(width)), le16(core, uint32_t(height)), le16(core, 1), le16(core, bitCount);
    b = join({b, infoBytes == 12 ? core : infoHeader(width, height, bitCount, compression, 0, infoBytes)});
    b.resize(b.size() + pixelBytes, 0);
    return b;
}

// A 2-entry colour table, a graphic control extension, then the first frame
// unless frameWidth is 0.
inline Bytes gifFile(uint16_t screenWidth, uint16_t screenHeight, uint16_t frameWidth, uint16_t frameHeight)
{
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    le16(b, screenWidth), le16(b, screenHeight);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x21, 0xF9, 4, 0, 0, 0, 0, 0});
    if (frameWidth != 0) {
        b.insert(b.end(), {0x2C, 0, 0, 0, 0});
        le16(b, frameWidth), le16(b, frameHeight);
        b.insert(b.end(), {0, 2, 2, 0x44, 0x01, 0});  // flags, LZW data
    }
    b.push_back(0x3B);
    return b;
}

inline Bytes jpegSegment(uint8_t marker, const Bytes& payload)
{
    Bytes b = {0xFF, marker};
    be16(b, uint32_t(payload.size() + 2));
    return join({b, payload});
}

inline Bytes startOfFrame(uint8_t marker, uint16_t width, uint16_t height)
{
    Bytes payload = {8};
    be16(payload, height), be16(payload, width);
    return jpegSegment(marker, join({payload, {1, 1, 0x11, 0}}));
}

// Start of image, the parts, a scan and the end of image.
inline Bytes jpegFile(const Bytes& parts)
{
    return join({{0xFF, 0xD8}, parts, jpegSegment(0xDA, {1, 1, 0, 0, 63, 0}), {0x12, 0x34, 0xFF, 0xD9}});
}

// The JPEG with its frame header, from its SOF0 marker on, overwritten at
// offset by replacement; empty when there is no SOF0 marker, so that a test
// built on it fails instead of passing on an unchanged stream.
inline Bytes withFrameHeader(Bytes jpeg, size_t offset, const Bytes& replacement)
{
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0 && i + offset + replacement.size() <= jpeg.size()) {
            std::copy(replacement.begin(), replacement.end(), jpeg.begin() + long(i + offset));
            return jpeg;
        }
    return Bytes();
}

// A PNG chunk: length, type, data and the CRC over type and data.
inline uint32_t pngCrc(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return crc ^ 0xFFFFFFFF;
}

inline Bytes pngChunk(const char* type, const Bytes& data)
{
    Bytes chunk;
    be32(chunk, uint32_t(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    be32(chunk, pngCrc(chunk.data() + 4, chunk.size() - 4));
    return chunk;
}

inline Bytes pngFile(uint32_t width, uint32_t height, const char* firstChunk = "IHDR")
{
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    b.insert(b.end(), firstChunk, firstChunk + 4);
    be32(b, width), be32(b, height);
    return join({b, {8, 2, 0, 0, 0, 0, 0, 0, 0}});  // depth, colour type, methods, CRC
}

struct TiffEntry {
    uint16_t tag, type;
    uint32_t count, value;  // a 1- or 2-byte value sits in the field's first bytes
};

// The first directory at directoryOffset, then tailBytes for the tags' data.
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
        if (e.type == 1 || e.type == 6)
            b.insert(b.end(), {uint8_t(e.value), 0, 0, 0});
        else if (e.type == 3 || e.type == 8)
            put16(b, e.value), put16(b, 0);
        else
            put32(b, e.value);
    }
    b.resize(b.size() + 4 + tailBytes, 0);  // no further directory, then the data
    return b;
}

// An icon directory (type 1) or a cursor's (type 2) listing the frames in
// order, each stored whole behind it; the directory's own width and height
// bytes are 0 (256).
inline Bytes icoFile(std::initializer_list<Bytes> frames, uint16_t type = 1)
{
    Bytes b = {0, 0};
    le16(b, type), le16(b, uint32_t(frames.size()));
    uint32_t offset = uint32_t(6 + 16 * frames.size());
    for (const Bytes& frame : frames) {
        b.insert(b.end(), {0, 0, 0, 0, 1, 0, 32, 0});  // width, height, colours, reserved, planes, bit count
        le32(b, uint32_t(frame.size())), le32(b, offset);
        offset += uint32_t(frame.size());
    }
    for (const Bytes& frame : frames)
        b.insert(b.end(), frame.begin(), frame.end());
    return b;
}

// An icon's DIB frame: the info header with the colour and mask rows'
// height together, then pixelBytes zeros.
inline Bytes dibFrame(int32_t width, int32_t doubledHeight, uint16_t bitCount, uint32_t compression, size_t pixelBytes)
{
    Bytes b = infoHeader(width, doubledHeight, bitCount, compression);
    b.resize(b.size() + pixelBytes, 0);
    return b;
}

struct Rect32 {
    int32_t left, top, right, bottom;
};

// An EMF header record: bounds in pixels, frame in 0.01 mm, the reference
// device in pixels and millimetres; then the end-of-file record.
inline Bytes emfFile(Rect32 bounds, Rect32 frame, int32_t devicePixels[2], int32_t deviceMillimetres[2])
{
    Bytes b;
    le32(b, 1), le32(b, 88);  // type, size
    for (const Rect32& r : {bounds, frame})
        le32(b, uint32_t(r.left)), le32(b, uint32_t(r.top)), le32(b, uint32_t(r.right)), le32(b, uint32_t(r.bottom));
    b.insert(b.end(), {' ', 'E', 'M', 'F'});
    le32(b, 0x10000), le32(b, 108), le32(b, 2), le32(b, 1);  // version, bytes, records, handles and reserved
    le32(b, 0), le32(b, 0), le32(b, 0);                      // description, its offset, palette entries
    le32(b, uint32_t(devicePixels[0])), le32(b, uint32_t(devicePixels[1]));
    le32(b, uint32_t(deviceMillimetres[0])), le32(b, uint32_t(deviceMillimetres[1]));
    le32(b, 14), le32(b, 20), le32(b, 0), le32(b, 16), le32(b, 20);  // EMR_EOF
    return b;
}

// A placeable WMF header (bounding box in logical units, units per inch),
// then an empty metafile header and its end record.
inline Bytes wmfFile(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch)
{
    Bytes b = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0};
    le16(b, uint16_t(left)), le16(b, uint16_t(top)), le16(b, uint16_t(right)), le16(b, uint16_t(bottom));
    le16(b, unitsPerInch), le32(b, 0), le16(b, 0);  // reserved, checksum (unread)
    b.insert(b.end(), {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0});
    return b;
}
