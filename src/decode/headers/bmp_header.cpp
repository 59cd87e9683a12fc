// BMP: a 14-byte file header (the offset of the pixel bits at 10), then the
// core header (12 bytes, 16-bit sizes) or an info header of any later
// version (16 bytes and more, signed 32-bit sizes; a negative height stores
// the rows top-down).
#include "decode/headers/declared_size.h"

namespace {

constexpr uint64_t fileHeaderBytes = 14;
constexpr uint32_t coreHeaderBytes = 12;
constexpr uint32_t biRgb = 0, biBitfields = 3, biAlphaBitfields = 6;

// Rows stored as they are, each padded to 4 bytes, so their length is known.
// Run-length, JPEG and PNG data may be any length; so may OS/2's 1-bit
// Huffman data, which shares its code with bit fields.
bool storesPlainRows(uint32_t compression, uint16_t bitCount)
{
    switch (compression) {
    case biRgb:
        return bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24
               || bitCount == 32;
    case biBitfields:
    case biAlphaBitfields:
        return bitCount == 16 || bitCount == 32;
    default:
        return false;
    }
}

// Whether height rows of width pixels fit between the pixel bits' offset (at
// most fileSize) and the end of the file. The last row may lack its padding.
bool rowsFit(uint64_t width, uint64_t height, uint16_t bitCount, uint64_t bitsOffset, uint64_t fileSize)
{
    const uint64_t rowBits = width * bitCount;  // below 2^37
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    const uint64_t lastRow = (rowBits + 7) / 8;
    if (lastRow > fileSize - bitsOffset)
        return false;
    return (fileSize - bitsOffset - lastRow) / stride >= height - 1;
}

}  // namespace

DeclaredSize readBmpHeader(HeaderSource& source)
{
    uint8_t header[fileHeaderBytes + 20];
    if (!readAt(source, 0, header, fileHeaderBytes + 4))
        return {};
    const uint32_t bitsOffset = le32(header + 10);
    const uint32_t infoBytes = le32(header + 14);
    const uint8_t* info = header + fileHeaderBytes;
    int64_t width = 0, height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = biRgb;
    if (infoBytes == coreHeaderBytes) {
        if (!readAt(source, fileHeaderBytes + 4, header + fileHeaderBytes + 4, 8))
            return {};
        width = le16(info + 4);
        height = le16(info + 6);
        bitCount = le16(info + 10);
    } else if (infoBytes >= 16) {
        // The compression field exists from 20 header bytes on.
        if (!readAt(source, fileHeaderBytes + 4, header + fileHeaderBytes + 4, infoBytes >= 20 ? 16 : 12))
            return {};
        width = static_cast<int32_t>(le32(info + 4));
        height = static_cast<int32_t>(le32(info + 8));
        bitCount = le16(info + 14);
        if (infoBytes >= 20)
            compression = le32(info + 16);
    } else {
        return {};
    }

    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    DeclaredSize size{HeaderVerdict::declared, static_cast<uint32_t>(width > 0 ? width : 0), static_cast<uint32_t>(rows)};
    if (width <= 0 || rows == 0 || bitsOffset > source.fileSize)
        size.verdict = HeaderVerdict::cannotBeReal;
    else if (storesPlainRows(compression, bitCount)
             && !rowsFit(static_cast<uint64_t>(width), rows, bitCount, bitsOffset, source.fileSize))
        size.verdict = HeaderVerdict::cannotBeReal;
    return size;
}
