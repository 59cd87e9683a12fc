// An EXIF orientation written into files of each format that carries one:
// a TIFF structure with the tag in its first directory, wrapped as a JPEG's
// APP1 segment, a PNG's eXIf chunk or an extended WebP's EXIF chunk.
#pragma once

#include <cstdint>
#include <cstring>

#include "header_fixtures.h"

constexpr uint16_t orientationTag = 0x0112, tiffShort = 3, tiffLong = 4;

// A TIFF header and a first directory holding the one entry.
inline Bytes exifBlock(bool little, uint16_t value, uint16_t type = tiffShort, uint32_t count = 1)
{
    return tiffFile(little, {{orientationTag, type, count, value}}, 0);
}

// The file with an APP1 "Exif" segment of the block right after its
// start-of-image marker.
inline Bytes jpegWithExif(const Bytes& jpeg, const Bytes& block)
{
    const Bytes segment = jpegSegment(0xE1, join({{'E', 'x', 'i', 'f', 0, 0}, block}));
    return join({{jpeg.begin(), jpeg.begin() + 2}, segment, {jpeg.begin() + 2, jpeg.end()}});
}

// The file with an eXIf chunk of the block right after its IHDR chunk (the
// signature and IHDR take 33 bytes).
inline Bytes pngWithExif(const Bytes& png, const Bytes& block)
{
    return join({{png.begin(), png.begin() + 33}, pngChunk("eXIf", block), {png.begin() + 33, png.end()}});
}

inline Bytes riffChunk(const char* fourCc, const Bytes& data)
{
    Bytes chunk(fourCc, fourCc + 4);
    le32(chunk, uint32_t(data.size()));
    chunk.insert(chunk.end(), data.begin(), data.end());
    if (data.size() % 2)
        chunk.push_back(0);
    return chunk;
}

// A simple lossy WebP ("VP8 " chunk) made extended: a VP8X chunk with the
// EXIF flag and the canvas size of the VP8 frame, the image, then an EXIF
// chunk of the block. Empty when the file is not a simple lossy WebP.
inline Bytes webpWithExif(const Bytes& webp, const Bytes& block)
{
    if (webp.size() < 30 || std::memcmp(webp.data() + 12, "VP8 ", 4) != 0)
        return Bytes();
    const uint32_t width = (webp[26] | webp[27] << 8) & 0x3FFF, height = (webp[28] | webp[29] << 8) & 0x3FFF;
    Bytes vp8x = {0x08, 0, 0, 0};  // the EXIF flag
    for (uint32_t side : {width - 1, height - 1})
        vp8x.insert(vp8x.end(), {uint8_t(side), uint8_t(side >> 8), uint8_t(side >> 16)});
    const Bytes body = join({{'W', 'E', 'B', 'P'}, riffChunk("VP8X", vp8x), {webp.begin() + 12, webp.end()},
                             riffChunk("EXIF", block)});
    Bytes file = {'R', 'I', 'F', 'F'};
    le32(file, uint32_t(body.size()));
    return join({file, body});
}

// The TIFF with the value of the orientation entry of its first directory
// replaced; empty when it has none.
inline Bytes withTiffOrientation(Bytes tiff, uint16_t value)
{
    if (tiff.size() < 8)
        return Bytes();
    const bool little = tiff[0] == 'I';
    auto get16 = [&](size_t at) { return little ? uint32_t(tiff[at] | tiff[at + 1] << 8) : uint32_t(tiff[at] << 8 | tiff[at + 1]); };
    auto get32 = [&](size_t at) { return little ? get16(at) | get16(at + 2) << 16 : get16(at) << 16 | get16(at + 2); };
    const size_t directory = get32(4);
    if (directory + 2 > tiff.size())
        return Bytes();
    for (size_t entry = directory + 2, end = entry + 12 * get16(directory); entry + 12 <= std::min(end, tiff.size());
         entry += 12)
        if (get16(entry) == orientationTag) {
            tiff[entry + 8] = uint8_t(little ? value : value >> 8);
            tiff[entry + 9] = uint8_t(little ? value >> 8 : value);
            return tiff;
        }
    return Bytes();
}
