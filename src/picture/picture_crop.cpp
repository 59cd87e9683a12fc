// Cutting margins off a Picture, and shrinking an 8-bit palette to the colours
// still in use afterwards.

#include "picture/picture.h"

#include <algorithm>
#include <cstring>

namespace {

int64_t marginOf(int32_t margin)
{
    const int64_t m = margin;
    return m < 0 ? -m : m;
}

// Copies bits left ... left + 8 * outBytes - 1 of a 1-bit row so that bit
// `left` lands on the most significant bit of out[0]. Bits past newWidth are
// cleared.
void repackBits(const uint8_t* in, size_t inBytes, size_t left, size_t newWidth, uint8_t* out)
{
    const size_t outBytes = (newWidth + 7) / 8;
    const size_t base = left / 8;
    const unsigned shift = static_cast<unsigned>(left % 8);
    if (shift == 0) {
        std::memcpy(out, in + base, outBytes);
    } else {
        for (size_t j = 0; j < outBytes; ++j) {
            const size_t at = base + j;
            unsigned value = static_cast<unsigned>(in[at]) << shift;
            if (at + 1 < inBytes)
                value |= in[at + 1] >> (8 - shift);
            out[j] = static_cast<uint8_t>(value);
        }
    }
    const unsigned usedBits = static_cast<unsigned>(newWidth % 8);
    if (usedBits)
        out[outBytes - 1] &= static_cast<uint8_t>(0xFF00u >> usedBits);
}

uint32_t sortKey(const uint8_t* entry)
{
    // T, R, G, B compared in that order, each as an unsigned byte.
    return static_cast<uint32_t>(entry[0]) << 24 | static_cast<uint32_t>(entry[1]) << 16 |
           static_cast<uint32_t>(entry[2]) << 8 | entry[3];
}

}  // namespace

bool Picture::crop(int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    if (!holdsImage())
        return false;
    const int64_t l = marginOf(left), r = marginOf(right);
    const int64_t t = marginOf(top), b = marginOf(bottom);
    if (l == 0 && r == 0 && t == 0 && b == 0)
        return true;
    const int64_t newWidth = static_cast<int64_t>(width) - l - r;
    const int64_t newHeight = static_cast<int64_t>(height) - t - b;
    if (newWidth <= 0 || newHeight <= 0 || rowBytes() == 0)
        return false;

    Picture cropped;
    cropped.width = static_cast<int32_t>(newWidth);
    cropped.height = static_cast<int32_t>(newHeight);
    cropped.bitsPerPixel = bitsPerPixel;
    const uint64_t outTotal = cropped.pixelBytes();
    if (outTotal > SIZE_MAX)
        return false;
    cropped.pixels = allocateBytes(static_cast<size_t>(outTotal));
    if (!cropped.pixels)
        return false;
    if (palette) {
        cropped.palette = allocateBytes(paletteBytes());
        if (!cropped.palette)
            return false;
        std::memcpy(cropped.palette.get(), palette.get(), paletteBytes());
    }

    const size_t inRow = static_cast<size_t>(rowBytes());
    const size_t outRow = static_cast<size_t>(cropped.rowBytes());
    const uint8_t* in = pixels.get() + inRow * static_cast<size_t>(t);
    uint8_t* out = cropped.pixels.get();
    if (bitsPerPixel == 1) {
        for (int64_t y = 0; y < newHeight; ++y, in += inRow, out += outRow)
            repackBits(in, inRow, static_cast<size_t>(l), static_cast<size_t>(newWidth), out);
    } else {
        const size_t offset = static_cast<size_t>(l) * static_cast<size_t>(bitsPerPixel / 8);
        for (int64_t y = 0; y < newHeight; ++y, in += inRow, out += outRow)
            std::memcpy(out, in + offset, outRow);
    }

    if (bitsPerPixel == 8 && cropped.palette)
        cropped.compactPalette();
    // The cropped arrays are taken over whole: a copy would only add a
    // second allocation that could fail.
    *this = std::move(cropped);
    return true;
}

void Picture::compactPalette()
{
    if (bitsPerPixel != 8 || !palette || !pixels)
        return;

    const size_t count = static_cast<size_t>(pixelBytes());
    const uint8_t* in = pixels.get();
    bool used[256] = {};
    for (size_t i = 0; i < count; ++i)
        used[in[i]] = true;

    uint32_t colours[256];
    size_t colourCount = 0;
    for (int i = 0; i < 256; ++i)
        if (used[i])
            colours[colourCount++] = sortKey(palette.get() + 4 * i);
    std::sort(colours, colours + colourCount);
    colourCount = static_cast<size_t>(std::unique(colours, colours + colourCount) - colours);

    uint8_t newIndex[256] = {};
    for (int i = 0; i < 256; ++i)
        if (used[i])
            newIndex[i] = static_cast<uint8_t>(
                std::lower_bound(colours, colours + colourCount, sortKey(palette.get() + 4 * i)) -
                colours);

    uint8_t* px = pixels.get();
    for (size_t i = 0; i < count; ++i)
        px[i] = newIndex[px[i]];

    uint8_t* entry = palette.get();
    std::memset(entry, 0, 1024);
    for (size_t i = 0; i < colourCount; ++i) {
        entry[4 * i] = static_cast<uint8_t>(colours[i] >> 24);
        entry[4 * i + 1] = static_cast<uint8_t>(colours[i] >> 16);
        entry[4 * i + 2] = static_cast<uint8_t>(colours[i] >> 8);
        entry[4 * i + 3] = static_cast<uint8_t>(colours[i]);
    }
}
