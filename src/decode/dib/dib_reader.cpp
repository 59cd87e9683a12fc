#include "decode/dib/dib_reader.h"

#include <cstring>
#include <utility>

#include "decode/dib/dib_bitfields.h"
#include "decode/dib/dib_rle.h"
#include "decode/common/pixel_swizzle.h"
#include "picture/picture.h"
#include "picture/pixel_array_limit.h"

namespace {

constexpr size_t infoHeaderSize = 40;
// From BITMAPV2INFOHEADER on, the red, green and blue masks sit inside the
// header at offset 40 instead of following it.
constexpr uint32_t headerWithMasksSize = 52;
constexpr uint64_t maskBytes = 12;
constexpr uint64_t tableEntryBytes = 4;

enum Compression : uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3 };

uint16_t readLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t readLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct DibHeader {
    uint32_t headerSize;
    uint32_t width;
    uint32_t height;
    bool topDown;
    uint16_t bitCount;
    uint32_t compression;
    int32_t colorsUsed;
};

// The stored rows of a plain DIB: each padded to a multiple of 4 bytes, the
// bottom row first unless the DIB is top-down.
struct StoredRows {
    const uint8_t* bits;
    uint64_t stride;
    uint32_t height;
    bool topDown;

    const uint8_t* row(uint32_t y) const
    {
        return bits + stride * (topDown ? y : height - 1 - y);
    }
};

// False when the block ends before the last row's pixels. That row may lack
// its padding.
bool locateRows(const uint8_t* dib, size_t size, uint64_t bitsOffset, const DibHeader& header,
                StoredRows& rows)
{
    const uint64_t rowBits = static_cast<uint64_t>(header.width) * header.bitCount;
    const uint64_t usedBytes = (rowBits + 7) / 8;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    if (bitsOffset > size)
        return false;
    const uint64_t available = size - bitsOffset;
    if (usedBytes > available || (available - usedBytes) / stride < header.height - 1)
        return false;
    rows = {dib + bitsOffset, stride, header.height, header.topDown};
    return true;
}

// Size of a picture's pixel array, or 0 when it exceeds maxPixelArrayBytes.
// rowBytes < 2^33 and height < 2^31, so the product fits in 64 bits.
size_t pixelArrayBytes(uint64_t rowBytes, uint32_t height)
{
    const uint64_t bytes = rowBytes * height;
    return bytes > maxPixelArrayBytes ? 0 : static_cast<size_t>(bytes);
}

// Colour-table entries B,G,R,reserved become palette entries T = 0,R,G,B;
// entries past the table are zero.
ByteArray makePalette(const uint8_t* table, uint32_t tableEntries, size_t paletteEntries)
{
    ByteArray palette = allocateBytes(paletteEntries * 4);
    if (!palette)
        return palette;
    std::memset(palette.get(), 0, paletteEntries * 4);
    for (uint32_t i = 0; i < tableEntries; ++i) {
        palette[4 * i + 1] = table[4 * i + 2];
        palette[4 * i + 2] = table[4 * i + 1];
        palette[4 * i + 3] = table[4 * i];
    }
    return palette;
}

// A 4- or 8-bit DIB's table holds biClrUsed entries; 0, a negative count or
// one above the depth's maximum means the maximum.
uint32_t indexedTableEntries(int32_t colorsUsed, uint32_t maximum)
{
    if (colorsUsed <= 0 || static_cast<uint32_t>(colorsUsed) > maximum)
        return maximum;
    return static_cast<uint32_t>(colorsUsed);
}

int fillPicture(Picture& picture, const DibHeader& header, int32_t depth, ByteArray palette,
                ByteArray pixels)
{
    picture.width = static_cast<int32_t>(header.width);
    picture.height = static_cast<int32_t>(header.height);
    picture.bitsPerPixel = depth;
    picture.palette = std::move(palette);
    picture.pixels = std::move(pixels);
    return dibConverted;
}

int convert1Bit(const uint8_t* dib, size_t size, const DibHeader& header, Picture& picture)
{
    // Always two table entries, whatever biClrUsed says.
    const uint64_t tableOffset = header.headerSize;
    const uint64_t bitsOffset = tableOffset + 2 * tableEntryBytes;
    StoredRows rows{};
    if (!locateRows(dib, size, bitsOffset, header, rows))
        return dibNoPixels;
    const size_t rowBytes = (static_cast<size_t>(header.width) + 7) / 8;
    const size_t arrayBytes = pixelArrayBytes(rowBytes, header.height);
    if (arrayBytes == 0)
        return dibNoPixels;
    ByteArray palette = makePalette(dib + tableOffset, 2, 2);
    ByteArray pixels = allocateBytes(arrayBytes);
    if (!palette || !pixels)
        return dibNoPixels;
    for (uint32_t y = 0; y < header.height; ++y)
        std::memcpy(pixels.get() + rowBytes * y, rows.row(y), rowBytes);
    return fillPicture(picture, header, 1, std::move(palette), std::move(pixels));
}

void expandNibbles(const uint8_t* src, uint8_t* dst, size_t count)
{
    for (size_t i = 0; i + 1 < count; i += 2, ++src) {
        dst[i] = *src >> 4;
        dst[i + 1] = *src & 0x0F;
    }
    if (count & 1)
        dst[count - 1] = *src >> 4;
}

// 4 and 8 bits, plain or run-length encoded, all become 8-bit pictures with a
// 256-entry palette.
int convertIndexed(const uint8_t* dib, size_t size, const DibHeader& header, Picture& picture)
{
    const bool fourBit = header.bitCount == 4;
    const uint32_t runLength = fourBit ? biRle4 : biRle8;
    if (header.compression != biRgb && header.compression != runLength)
        return dibNoPixels;

    const uint32_t tableEntries = indexedTableEntries(header.colorsUsed, fourBit ? 16 : 256);
    const uint64_t tableOffset = header.headerSize;
    const uint64_t bitsOffset = tableOffset + tableEntries * tableEntryBytes;
    if (bitsOffset > size)
        return dibNoPixels;
    StoredRows rows{};
    if (header.compression == biRgb && !locateRows(dib, size, bitsOffset, header, rows))
        return dibNoPixels;
    const size_t arrayBytes = pixelArrayBytes(header.width, header.height);
    if (arrayBytes == 0)
        return dibNoPixels;
    ByteArray palette = makePalette(dib + tableOffset, tableEntries, 256);
    ByteArray pixels = allocateBytes(arrayBytes);
    if (!palette || !pixels)
        return dibNoPixels;

    const size_t width = header.width;
    if (header.compression == biRgb) {
        for (uint32_t y = 0; y < header.height; ++y) {
            uint8_t* out = pixels.get() + width * y;
            if (fourBit)
                expandNibbles(rows.row(y), out, width);
            else
                std::memcpy(out, rows.row(y), width);
        }
    } else {
        // Gaps left by deltas and early line ends stay index 0.
        std::memset(pixels.get(), 0, arrayBytes);
        const uint8_t* stream = dib + bitsOffset;
        const size_t streamSize = size - static_cast<size_t>(bitsOffset);
        if (fourBit)
            decodeRle4(stream, streamSize, header.width, header.height, header.topDown, pixels.get());
        else
            decodeRle8(stream, streamSize, header.width, header.height, header.topDown, pixels.get());
    }
    return fillPicture(picture, header, 8, std::move(palette), std::move(pixels));
}

// Offset of the pixel rows of a 16-, 24- or 32-bit DIB. Masks follow a
// 40-byte header when compression is BI_BITFIELDS; a colour table of
// biClrUsed entries may follow, kept only to help palette displays, and is
// skipped.
uint64_t directColourBitsOffset(const DibHeader& header)
{
    uint64_t offset = header.headerSize;
    if (header.compression == biBitfields && header.headerSize < headerWithMasksSize)
        offset += maskBytes;
    if (header.colorsUsed > 0)
        offset += static_cast<uint64_t>(header.colorsUsed) * tableEntryBytes;
    return offset;
}

int convert16Bit(const uint8_t* dib, size_t size, const DibHeader& header, Picture& picture)
{
    if (header.compression != biBitfields)
        return dibNoPixels;
    const uint64_t maskOffset =
        header.headerSize >= headerWithMasksSize ? infoHeaderSize : header.headerSize;
    if (maskOffset + maskBytes > size)
        return dibNoPixels;
    StoredRows rows{};
    if (!locateRows(dib, size, directColourBitsOffset(header), header, rows))
        return dibNoPixels;
    const size_t arrayBytes = pixelArrayBytes(3ull * header.width, header.height);
    if (arrayBytes == 0)
        return dibNoPixels;
    ByteArray pixels = allocateBytes(arrayBytes);
    if (!pixels)
        return dibNoPixels;

    const uint8_t* masks = dib + maskOffset;
    const BitField red = bitFieldFromMask(readLe32(masks));
    const BitField green = bitFieldFromMask(readLe32(masks + 4));
    const BitField blue = bitFieldFromMask(readLe32(masks + 8));
    const size_t rowBytes = 3 * static_cast<size_t>(header.width);
    for (uint32_t y = 0; y < header.height; ++y)
        expandBitFields(rows.row(y), pixels.get() + rowBytes * y, header.width, red, green, blue);
    return fillPicture(picture, header, 24, nullptr, std::move(pixels));
}

// 24 and 32 bits with any compression value. The masks of a 32-bit
// BI_BITFIELDS DIB are not applied: every pixel is read as B,G,R,A.
int convertTrueColour(const uint8_t* dib, size_t size, const DibHeader& header, Picture& picture)
{
    StoredRows rows{};
    if (!locateRows(dib, size, directColourBitsOffset(header), header, rows))
        return dibNoPixels;
    const size_t bytesPerPixel = header.bitCount / 8;
    picture.width = static_cast<int32_t>(header.width);
    picture.height = static_cast<int32_t>(header.height);
    picture.bitsPerPixel = header.bitCount;
    const size_t rowBytes = bytesPerPixel * header.width;
    const size_t arrayBytes = pixelArrayBytes(rowBytes, header.height);
    ByteArray pixels = arrayBytes == 0 ? nullptr : allocateBytes(arrayBytes);
    if (!pixels)
        return dibOutOfMemory;
    // Rows are taken in the order they are stored: reading a bottom-up DIB
    // from its last row back to its first defeats the hardware prefetcher
    // and makes the conversion half again as slow.
    for (uint32_t stored = 0; stored < header.height; ++stored) {
        const uint32_t y = header.topDown ? stored : header.height - 1 - stored;
        uint8_t* out = pixels.get() + rowBytes * y;
        if (bytesPerPixel == 3)
            bgrToRgb(rows.row(y), out, header.width);
        else
            bgraToTrgb(rows.row(y), out, header.width);
    }
    picture.pixels = std::move(pixels);
    return dibConverted;
}

}  // namespace

int pictureFromDib(const uint8_t* dib, size_t size, Picture& picture)
{
    picture.clear();
    if (size < infoHeaderSize)
        return dibNoPixels;
    const int32_t biWidth = static_cast<int32_t>(readLe32(dib + 4));
    if (biWidth < 0)
        return dibNegativeWidth;

    const int32_t biHeight = static_cast<int32_t>(readLe32(dib + 8));
    DibHeader header;
    header.headerSize = readLe32(dib);
    header.width = static_cast<uint32_t>(biWidth);
    header.topDown = biHeight < 0;
    // Negated in unsigned arithmetic: INT32_MIN gives 2^31, refused below.
    header.height = header.topDown ? 0u - static_cast<uint32_t>(biHeight)
                                   : static_cast<uint32_t>(biHeight);
    header.bitCount = readLe16(dib + 14);
    header.compression = readLe32(dib + 16);
    header.colorsUsed = static_cast<int32_t>(readLe32(dib + 32));
    // A smaller header (OS/2's 12 bytes) lays its fields out differently.
    if (header.headerSize < infoHeaderSize || header.headerSize > size)
        return dibNoPixels;
    if (header.width == 0 || header.height == 0 || header.height > INT32_MAX)
        return dibNoPixels;

    int result = dibNoPixels;
    switch (header.bitCount) {
    case 1: result = convert1Bit(dib, size, header, picture); break;
    case 4:
    case 8: result = convertIndexed(dib, size, header, picture); break;
    case 16: result = convert16Bit(dib, size, header, picture); break;
    case 24:
    case 32: result = convertTrueColour(dib, size, header, picture); break;
    default: break;
    }
    if (result == dibNoPixels)
        picture.clear();
    return result;
}
