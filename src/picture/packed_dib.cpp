// Writing a Picture as a packed DIB: the 40-byte info header, the colour
// table, then the rows bottom-up, each padded to 4 bytes, colours as B, G, R.

#include "picture/picture.h"

#include <cstring>

namespace {

constexpr size_t kHeaderBytes = 40;

bool isPackableDepth(int32_t bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

size_t colourTableBytes(int32_t bitsPerPixel)
{
    return bitsPerPixel == 1 ? 8 : bitsPerPixel == 8 ? 1024 : 0;
}

void putLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void putLe32(uint8_t* p, uint32_t v)
{
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}

// x / 255 for 0 <= x <= 255 * 255, without a division the vectoriser balks at.
inline uint32_t divideBy255(uint32_t x)
{
    return (x + 1 + (x >> 8)) >> 8;
}

// Blends colour part v with background part k by transparency t. With t = 0
// the result is v itself, so opaque pixels need no separate path.
inline uint8_t flattenPart(uint32_t v, uint32_t k, uint32_t t)
{
    return static_cast<uint8_t>(divideBy255(k * t + v * (255 - t)));
}

struct Background {
    uint32_t red, green, blue;
};

// Writes palette entries (T, R, G, B) as colour table entries (B, G, R, 0),
// flattened onto the background.
void writeFlattenedTable(const uint8_t* palette, size_t entries, Background c, uint8_t* table)
{
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* e = palette + 4 * i;
        uint8_t* d = table + 4 * i;
        d[0] = flattenPart(e[3], c.blue, e[0]);
        d[1] = flattenPart(e[2], c.green, e[0]);
        d[2] = flattenPart(e[1], c.red, e[0]);
        d[3] = 0;
    }
}

// The table of a palette-less picture: a ramp from the background's
// complement at index 0 to the background colour at the last index.
void writeGeneratedTable(int32_t bitsPerPixel, Background c, uint8_t* table)
{
    if (bitsPerPixel == 1) {
        const uint8_t entries[8] = {
            static_cast<uint8_t>(255 - c.blue), static_cast<uint8_t>(255 - c.green),
            static_cast<uint8_t>(255 - c.red),  0,
            static_cast<uint8_t>(c.blue),       static_cast<uint8_t>(c.green),
            static_cast<uint8_t>(c.red),        0};
        std::memcpy(table, entries, 8);
        return;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        uint8_t* d = table + 4 * i;
        d[0] = static_cast<uint8_t>((i * c.blue + (255 - c.blue) * (255 - i)) / 255);
        d[1] = static_cast<uint8_t>((i * c.green + (255 - c.green) * (255 - i)) / 255);
        d[2] = static_cast<uint8_t>((i * c.red + (255 - c.red) * (255 - i)) / 255);
        d[3] = 0;
    }
}

void swapRedBlueRow(const uint8_t* in, uint8_t* out, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        out[3 * i] = in[3 * i + 2];
        out[3 * i + 1] = in[3 * i + 1];
        out[3 * i + 2] = in[3 * i];
    }
}

// T, R, G, B -> B, G, R, A with A = 255 - T and the colours scaled by A.
void premultiplyRow(const uint8_t* in, uint8_t* out, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint32_t alpha = 255u - in[4 * i];
        out[4 * i] = static_cast<uint8_t>(divideBy255(in[4 * i + 3] * alpha));
        out[4 * i + 1] = static_cast<uint8_t>(divideBy255(in[4 * i + 2] * alpha));
        out[4 * i + 2] = static_cast<uint8_t>(divideBy255(in[4 * i + 1] * alpha));
        out[4 * i + 3] = static_cast<uint8_t>(alpha);
    }
}

// T, R, G, B -> B, G, R, 0 with transparent parts blended onto the background.
void flattenRow(const uint8_t* in, uint8_t* out, size_t pixelCount, Background c)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint32_t t = in[4 * i];
        out[4 * i] = flattenPart(in[4 * i + 3], c.blue, t);
        out[4 * i + 1] = flattenPart(in[4 * i + 2], c.green, t);
        out[4 * i + 2] = flattenPart(in[4 * i + 1], c.red, t);
        out[4 * i + 3] = 0;
    }
}

}  // namespace

uint64_t Picture::packedDibSize() const
{
    if (!isPackableDepth(bitsPerPixel))
        return 0;
    // Row bytes stay below 2^33 and height below 2^31, so this cannot wrap.
    const uint64_t paddedRow = (rowBytes() + 3) & ~uint64_t{3};
    const uint64_t rows = height > 0 ? static_cast<uint64_t>(height) : 0;
    return kHeaderBytes + colourTableBytes(bitsPerPixel) + paddedRow * rows;
}

ByteArray Picture::toPackedDib(uint32_t background, bool premultiply) const
{
    if (!pixels || width <= 0 || height <= 0 || !isPackableDepth(bitsPerPixel))
        return nullptr;
    const uint64_t total = packedDibSize();
    if (total > SIZE_MAX)
        return nullptr;
    ByteArray dib = allocateBytes(static_cast<size_t>(total));
    if (!dib)
        return nullptr;

    uint8_t* header = dib.get();
    std::memset(header, 0, kHeaderBytes);
    putLe32(header, kHeaderBytes);
    putLe32(header + 4, static_cast<uint32_t>(width));
    putLe32(header + 8, static_cast<uint32_t>(height));
    putLe16(header + 12, 1);
    putLe16(header + 14, static_cast<uint32_t>(bitsPerPixel));

    const Background c{background & 0xFF, (background >> 8) & 0xFF, (background >> 16) & 0xFF};
    const size_t tableBytes = colourTableBytes(bitsPerPixel);
    uint8_t* table = header + kHeaderBytes;
    if (tableBytes) {
        if (palette)
            writeFlattenedTable(palette.get(), tableBytes / 4, c, table);
        else
            writeGeneratedTable(bitsPerPixel, c, table);
    }

    const size_t inRow = static_cast<size_t>(rowBytes());
    const size_t outRow = (inRow + 3) & ~size_t{3};
    const size_t pixelCount = static_cast<size_t>(width);
    uint8_t* out = table + tableBytes;
    for (int32_t y = 0; y < height; ++y, out += outRow) {
        // The bottom row of the picture is the first row of the DIB.
        const uint8_t* in = pixels.get() + inRow * static_cast<size_t>(height - 1 - y);
        switch (bitsPerPixel) {
        case 24:
            swapRedBlueRow(in, out, pixelCount);
            break;
        case 32:
            if (premultiply)
                premultiplyRow(in, out, pixelCount);
            else
                flattenRow(in, out, pixelCount, c);
            break;
        default:
            std::memcpy(out, in, inRow);
            break;
        }
        std::memset(out + inRow, 0, outRow - inRow);
    }
    return dib;
}
