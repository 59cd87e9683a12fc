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

// x / 255 for 0 <= x <= 255 * 255, by shifts and adds instead of a division.
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

// Pixels are handled as host-order 32-bit words; the layouts are defined
// little-endian, which is what every target of this program is.
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words assume little-endian");
#endif

inline uint32_t loadWord(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void storeWord(uint8_t* p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

// R, G, B -> B, G, R. Four pixels are three words, so the bulk of the row
// moves in words rather than bytes.
void swapRedBlueRow(const uint8_t* in, uint8_t* out, size_t pixelCount)
{
    const size_t groups = pixelCount / 4;
    for (size_t i = 0; i < groups; ++i) {
        const uint8_t* s = in + 12 * i;
        uint8_t* d = out + 12 * i;
        // in:  R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3
        // out: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3
        const uint32_t a = loadWord(s), b = loadWord(s + 4), c = loadWord(s + 8);
        storeWord(d, (a >> 16 & 0xFF) | (a & 0xFF00) | (a & 0xFF) << 16 | (b >> 8 & 0xFF) << 24);
        storeWord(d + 4, (b & 0xFF) | (a >> 24) << 8 | (c & 0xFF) << 16 | (b & 0xFF000000));
        storeWord(d + 8, (b >> 16 & 0xFF) | (c >> 24) << 8 | (c & 0xFF0000) | (c >> 8 & 0xFF) << 24);
    }
    for (size_t i = 4 * groups; i < pixelCount; ++i) {
        out[3 * i] = in[3 * i + 2];
        out[3 * i + 1] = in[3 * i + 1];
        out[3 * i + 2] = in[3 * i];
    }
}

// Red and blue travel together in the two 16-bit halves of one word: each
// product is at most 255 * 255, so neither half carries into the other.
constexpr uint32_t kLowBytes = 0x00FF00FF;

inline uint32_t divideHalvesBy255(uint32_t x)
{
    return ((x + 0x00010001 + ((x >> 8) & kLowBytes)) >> 8) & kLowBytes;
}

// Red in bits 0-7 and blue in bits 16-23, plus green, to B, G, R, A.
inline uint32_t packBgra(uint32_t redBlue, uint32_t green, uint32_t alpha)
{
    return (redBlue >> 16) | green << 8 | (redBlue & 0xFF) << 16 | alpha << 24;
}

// T, R, G, B -> B, G, R, A with A = 255 - T and the colours scaled by A.
void premultiplyRow(const uint8_t* in, uint8_t* out, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint32_t w = loadWord(in + 4 * i);
        const uint32_t alpha = 255u - (w & 0xFF);
        const uint32_t redBlue = divideHalvesBy255(((w >> 8) & kLowBytes) * alpha);
        const uint32_t green = divideBy255(((w >> 16) & 0xFF) * alpha);
        storeWord(out + 4 * i, packBgra(redBlue, green, alpha));
    }
}

// T, R, G, B -> B, G, R, 0 with transparent parts blended onto the background.
void flattenRow(const uint8_t* in, uint8_t* out, size_t pixelCount, Background c)
{
    const uint32_t backgroundRedBlue = c.red | c.blue << 16;
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint32_t w = loadWord(in + 4 * i);
        const uint32_t t = w & 0xFF;
        const uint32_t redBlue =
            divideHalvesBy255(((w >> 8) & kLowBytes) * (255 - t) + backgroundRedBlue * t);
        const uint32_t green = divideBy255(((w >> 16) & 0xFF) * (255 - t) + c.green * t);
        storeWord(out + 4 * i, packBgra(redBlue, green, 0));
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
