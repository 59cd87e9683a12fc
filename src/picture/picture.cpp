// The Picture record itself: sizes, copying, reading single pixels.

#include "picture/picture.h"

#include <cstring>
#include <new>

ByteArray allocateBytes(size_t n)
{
    return ByteArray(new (std::nothrow) uint8_t[n]);
}

uint64_t Picture::rowBytes() const
{
    if (width <= 0)
        return 0;
    const uint64_t w = static_cast<uint64_t>(width);
    switch (bitsPerPixel) {
    case 1: return (w + 7) / 8;
    case 8: return w;
    case 24: return 3 * w;
    case 32: return 4 * w;
    default: return 0;
    }
}

uint64_t Picture::pixelBytes() const
{
    // At most 4 * (2^31 - 1) * (2^31 - 1), below 2^64.
    if (height <= 0)
        return 0;
    return rowBytes() * static_cast<uint64_t>(height);
}

size_t Picture::paletteBytes() const
{
    switch (bitsPerPixel) {
    case 1: return 8;
    case 8: return 1024;
    default: return 0;
    }
}

void Picture::clear()
{
    palette.reset();
    pixels.reset();
    width = 0;
    height = 0;
    bitsPerPixel = 0;
}

Picture& Picture::assign(const Picture& source)
{
    if (&source == this)
        return *this;

    const uint64_t pixelCount = source.pixelBytes();
    const size_t paletteCount = source.paletteBytes();

    const bool samePaletteState = (palette != nullptr) == (source.palette != nullptr);
    if (holdsImage() && source.holdsImage() && width == source.width && height == source.height &&
        bitsPerPixel == source.bitsPerPixel && samePaletteState) {
        if (palette)
            std::memcpy(palette.get(), source.palette.get(), paletteCount);
        std::memcpy(pixels.get(), source.pixels.get(), static_cast<size_t>(pixelCount));
        return *this;
    }

    if (!source.holdsImage()) {
        clear();
        return *this;
    }

    // Build the copy first so that a failed allocation leaves this picture as it was.
    if (pixelCount > SIZE_MAX)
        return *this;
    ByteArray newPalette;
    if (source.palette && paletteCount > 0) {
        newPalette = allocateBytes(paletteCount);
        if (!newPalette)
            return *this;
        std::memcpy(newPalette.get(), source.palette.get(), paletteCount);
    }
    ByteArray newPixels = allocateBytes(static_cast<size_t>(pixelCount));
    if (!newPixels)
        return *this;
    std::memcpy(newPixels.get(), source.pixels.get(), static_cast<size_t>(pixelCount));

    width = source.width;
    height = source.height;
    bitsPerPixel = source.bitsPerPixel;
    palette = std::move(newPalette);
    pixels = std::move(newPixels);
    return *this;
}

namespace {

uint32_t readLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t opaqueGrey(uint32_t level)
{
    return level << 8 | level << 16 | level << 24;
}

}  // namespace

uint32_t Picture::pixelAt(int32_t x, int32_t y) const
{
    if (!pixels || width <= 0 || height <= 0)
        return 0;
    if (x < 0)
        x = 0;
    if (x >= width)
        x = width - 1;
    if (y < 0)
        y = 0;
    if (y >= height)
        y = height - 1;

    const uint8_t* row = pixels.get() + rowBytes() * static_cast<uint64_t>(y);
    switch (bitsPerPixel) {
    case 1: {
        const bool set = (row[x >> 3] & (0x80u >> (x & 7))) != 0;
        if (palette)
            return readLe32(palette.get() + (set ? 4 : 0));
        return set ? opaqueGrey(0) : opaqueGrey(255);
    }
    case 8: {
        const uint8_t index = row[x];
        if (palette)
            return readLe32(palette.get() + 4 * index);
        return opaqueGrey(255u - index);
    }
    case 24: {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        return static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
               static_cast<uint32_t>(p[2]) << 24;
    }
    case 32:
        return readLe32(row + 4 * static_cast<size_t>(x));
    default:
        return 0;
    }
}

bool Picture::hasTransparency() const
{
    switch (bitsPerPixel) {
    case 1:
    case 8: {
        if (!palette)
            return true;
        const size_t entries = paletteBytes() / 4;
        for (size_t i = 0; i < entries; ++i)
            if (palette[4 * i] != 0)
                return true;
        return false;
    }
    case 32: {
        if (!pixels)
            return false;
        const uint64_t count = pixelBytes() / 4;
        const uint8_t* p = pixels.get();
        // OR the T bytes together a block at a time so the scan stays branch-light.
        uint64_t i = 0;
        while (i < count) {
            const uint64_t end = count - i > 4096 ? i + 4096 : count;
            uint8_t any = 0;
            for (; i < end; ++i)
                any |= p[4 * i];
            if (any)
                return true;
        }
        return false;
    }
    default:
        return false;
    }
}
