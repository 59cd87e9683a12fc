// Files of one colour in the formats the viewer reads with its own code or
// that need no converter: BMP, TGA and QDL, built from bytes in the test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/qdl/qdl_writer.h"
#include "dib_fixtures.h"
#include "tga_fixtures.h"

inline std::string asString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A 24-bit bottom-up BMP file with its 14-byte file header.
inline std::string solidBmp(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b)
{
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    Bytes rows(size_t(stride) * uint32_t(height), 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &rows[size_t(y) * stride + size_t(x) * 3];
            p[0] = b, p[1] = g, p[2] = r;
        }
    Bytes file = {'B', 'M'};
    le32(file, uint32_t(14 + 40 + rows.size()));  // file size
    le32(file, 0);                                  // reserved
    le32(file, 14 + 40);                            // offset of the pixels
    return asString(join({file, infoHeader(width, height, 24), rows}));
}

inline std::string solidTga(uint16_t width, uint16_t height, uint8_t r, uint8_t g, uint8_t b)
{
    Bytes pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {b, g, r});
    return asString(tgaFile(2, width, height, 24, pixels));
}

inline std::string solidQdl(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = 24;
    picture.pixels = allocateBytes(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        picture.pixels[3 * i] = r;
        picture.pixels[3 * i + 1] = g;
        picture.pixels[3 * i + 2] = b;
    }
    std::vector<uint8_t> file;
    writeQdlImage(picture, naturalQdlPixelType(picture), 0, file);
    return std::string(file.begin(), file.end());
}
