// Depth conversions of a Picture and the generated palettes of palette-less
// 1- and 8-bit pictures.

#include "picture/picture.h"

#include <cstring>

namespace {

uint8_t inkRed(uint32_t ink) { return static_cast<uint8_t>(ink >> 8); }
uint8_t inkGreen(uint32_t ink) { return static_cast<uint8_t>(ink >> 16); }
uint8_t inkBlue(uint32_t ink) { return static_cast<uint8_t>(ink >> 24); }

// Level i of the ramp from the ink's complement (i = 0) to the ink (i = 255).
uint8_t rampPart(uint32_t i, uint32_t k)
{
    return static_cast<uint8_t>((i * k + (255 - k) * (255 - i)) / 255);
}

void writeEntry(uint8_t* entry, uint8_t t, uint8_t r, uint8_t g, uint8_t b)
{
    entry[0] = t;
    entry[1] = r;
    entry[2] = g;
    entry[3] = b;
}

// Fills the 2- or 256-entry palette that a palette-less picture of the given
// depth is read with, for the given ink.
void generatePalette(uint8_t* table, int32_t bitsPerPixel, uint32_t ink)
{
    const uint8_t r = inkRed(ink), g = inkGreen(ink), b = inkBlue(ink);
    if (bitsPerPixel == 1) {
        writeEntry(table, 0, 255 - r, 255 - g, 255 - b);
        writeEntry(table + 4, 0, r, g, b);
        return;
    }
    for (uint32_t i = 0; i < 256; ++i)
        writeEntry(table + 4 * i, 0, rampPart(i, r), rampPart(i, g), rampPart(i, b));
}

bool fitsInMemory(uint64_t bytes) { return bytes <= SIZE_MAX; }

}  // namespace

void Picture::ensurePalette(uint32_t ink)
{
    if (palette || (bitsPerPixel != 1 && bitsPerPixel != 8))
        return;
    ByteArray table = allocateBytes(paletteBytes());
    if (!table)
        return;
    generatePalette(table.get(), bitsPerPixel, ink);
    palette = std::move(table);
}

void Picture::convert1To8()
{
    if (bitsPerPixel != 1 || !pixels)
        return;
    const uint64_t outBytes = static_cast<uint64_t>(width > 0 ? width : 0) *
                              static_cast<uint64_t>(height > 0 ? height : 0);
    if (!fitsInMemory(outBytes))
        return;
    ByteArray out = allocateBytes(static_cast<size_t>(outBytes));
    if (!out)
        return;
    ByteArray newPalette;
    if (palette) {
        newPalette = allocateBytes(1024);
        if (!newPalette)
            return;
        std::memset(newPalette.get(), 0, 1024);
        std::memcpy(newPalette.get(), palette.get(), 8);
    }

    // Without a palette a set bit is black, which index 255 reads as.
    const uint8_t setValue = palette ? 1 : 255;
    uint8_t expand[256][8];
    for (int byte = 0; byte < 256; ++byte)
        for (int bit = 0; bit < 8; ++bit)
            expand[byte][bit] = (byte & (0x80 >> bit)) ? setValue : 0;

    const size_t w = static_cast<size_t>(width > 0 ? width : 0);
    const size_t inRow = static_cast<size_t>(rowBytes());
    const size_t fullBytes = w / 8;
    const size_t tailBits = w % 8;
    const uint8_t* in = pixels.get();
    uint8_t* dst = out.get();
    for (int32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < fullBytes; ++i)
            std::memcpy(dst + 8 * i, expand[in[i]], 8);
        if (tailBits)
            std::memcpy(dst + 8 * fullBytes, expand[in[fullBytes]], tailBits);
        in += inRow;
        dst += w;
    }

    pixels = std::move(out);
    palette = std::move(newPalette);
    bitsPerPixel = 8;
}

void Picture::convert8To32(uint32_t ink)
{
    if (bitsPerPixel != 8 || !pixels)
        return;
    const uint64_t count = pixelBytes();
    if (count > SIZE_MAX / 4)
        return;
    ByteArray out = allocateBytes(static_cast<size_t>(count) * 4);
    if (!out)
        return;

    // The generated palette is built locally: it would be released right
    // after the conversion anyway, and this way nothing else can fail.
    uint8_t generated[1024];
    const uint8_t* table = palette.get();
    if (!table) {
        generatePalette(generated, 8, ink);
        table = generated;
    }

    const uint8_t* in = pixels.get();
    uint8_t* dst = out.get();
    for (size_t i = 0; i < count; ++i)
        std::memcpy(dst + 4 * i, table + 4 * in[i], 4);

    pixels = std::move(out);
    palette.reset();
    bitsPerPixel = 32;
}

void Picture::convert24To32()
{
    if (bitsPerPixel != 24 || !pixels)
        return;
    const uint64_t count = pixelBytes() / 3;
    if (count > SIZE_MAX / 4)
        return;
    ByteArray out = allocateBytes(static_cast<size_t>(count) * 4);
    if (!out)
        return;

    const uint8_t* in = pixels.get();
    uint8_t* dst = out.get();
    for (size_t i = 0; i < count; ++i) {
        dst[4 * i] = 0;
        dst[4 * i + 1] = in[3 * i];
        dst[4 * i + 2] = in[3 * i + 1];
        dst[4 * i + 3] = in[3 * i + 2];
    }

    pixels = std::move(out);
    palette.reset();
    bitsPerPixel = 32;
}

int Picture::convert32To24()
{
    if (bitsPerPixel != 32 || !pixels)
        return 1;
    const uint64_t count = pixelBytes() / 4;
    ByteArray out = allocateBytes(static_cast<size_t>(count) * 3);
    if (!out)
        return 2;

    const uint8_t* in = pixels.get();
    uint8_t* dst = out.get();
    for (size_t i = 0; i < count; ++i) {
        dst[3 * i] = in[4 * i + 1];
        dst[3 * i + 1] = in[4 * i + 2];
        dst[3 * i + 2] = in[4 * i + 3];
    }

    pixels = std::move(out);
    palette.reset();
    bitsPerPixel = 24;
    return 0;
}

void Picture::normaliseTo24()
{
    convert1To8();
    convert8To32(0);
    convert32To24();
}
