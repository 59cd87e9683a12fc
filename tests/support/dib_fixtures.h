// Packed DIBs assembled piece by piece in little-endian order: the info
// header, bit-field masks and any parts joined in sequence. Used by the DIB
// conversion tests and by the seed corpus of its fuzz target.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<uint8_t>;

enum : uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3 };

inline void le16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void le32(Bytes& b, uint32_t v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

inline Bytes infoHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression = biRgb,
                        int32_t colorsUsed = 0, uint32_t headerSize = 40)
{
    Bytes b;
    le32(b, headerSize);      // biSize: offset of the table, masks or bits
    le32(b, width);           // biWidth
    le32(b, height);          // biHeight: negative for top-down rows
    le16(b, 1);               // biPlanes
    le16(b, bitCount);        // biBitCount
    le32(b, compression);     // biCompression
    le32(b, 0);               // biSizeImage
    le32(b, 0);               // biXPelsPerMeter
    le32(b, 0);               // biYPelsPerMeter
    le32(b, colorsUsed);      // biClrUsed
    le32(b, 0);               // biClrImportant
    b.resize(headerSize, 0);  // later header versions: their extra fields zero
    return b;
}

inline Bytes masks(uint32_t red, uint32_t green, uint32_t blue)
{
    Bytes b;
    le32(b, red);
    le32(b, green);
    le32(b, blue);
    return b;
}

inline Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
