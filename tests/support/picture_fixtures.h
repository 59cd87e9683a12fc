// Pictures built from literal bytes, and their pixel and palette arrays read
// back as byte vectors, for tests that pin picture operations to exact bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/picture.h"

using Bytes = std::vector<uint8_t>;

// A picture holding copies of the given pixels and, unless empty, palette.
inline Picture makePicture(int32_t width, int32_t height, int32_t bitsPerPixel, const Bytes& pixels,
                           const Bytes& palette = {})
{
    Picture p;
    p.width = width;
    p.height = height;
    p.bitsPerPixel = bitsPerPixel;
    p.pixels = allocateBytes(pixels.size());
    std::memcpy(p.pixels.get(), pixels.data(), pixels.size());
    if (!palette.empty()) {
        p.palette = allocateBytes(palette.size());
        std::memcpy(p.palette.get(), palette.data(), palette.size());
    }
    return p;
}

// Empty for a picture without an image, so that refused inputs compare too.
inline Bytes pixelsOf(const Picture& p)
{
    if (!p.holdsImage())
        return {};
    return Bytes(p.pixels.get(), p.pixels.get() + p.pixelBytes());
}

inline Bytes paletteOf(const Picture& p)
{
    if (!p.palette)
        return {};
    return Bytes(p.palette.get(), p.palette.get() + p.paletteBytes());
}
