// Rows of B,G,R and B,G,R,A pixels, as TGA files and DIBs store them, and of
// R,G,B,A pixels, as libheif writes them, turned into the picture's R,G,B
// and T,R,G,B. The main loops move whole 64-bit
// words; with GCC or Clang at -O2 or -O3 they run at 0.6 to 1.3 times the
// speed of memcpy, where byte-wise loops ran at a third to a half of it
// unless GCC at -O3 vectorised them. Words are read and written through
// memcpy, so no pointer needs any alignment, and nothing outside the count
// pixels of either row is touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The word arithmetic takes the first byte in memory as a word's lowest 8 bits.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "pixel_swizzle.h expects a little-endian target"
#endif

inline uint64_t loadPixelWord(const uint8_t* p)
{
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline void storePixelWord(uint8_t* p, uint64_t word)
{
    std::memcpy(p, &word, sizeof word);
}

// R,G,B from B,G,R. Eight pixels fill three words; the third and the sixth
// straddle two words each. Bytes of the words, lowest first:
//   a = B0 G0 R0 B1 G1 R1 B2 G2   ->  R0 G0 B0 R1 G1 B1 R2 G2
//   b = R2 B3 G3 R3 B4 G4 R4 B5   ->  B2 R3 G3 B3 R4 G4 B4 R5
//   c = G5 R5 B6 G6 R6 B7 G7 R7   ->  G5 B5 R6 G6 B6 R7 G7 B7
inline void bgrToRgb(const uint8_t* src, uint8_t* dst, size_t count)
{
    size_t i = 0;
    for (; i + 8 <= count; i += 8, src += 24, dst += 24) {
        const uint64_t a = loadPixelWord(src);
        const uint64_t b = loadPixelWord(src + 8);
        const uint64_t c = loadPixelWord(src + 16);
        storePixelWord(dst, (a & 0xFF0000FF0000FF00u) | (a >> 16 & 0x00000000FF0000FFu) |
                                (a << 16 & 0x0000FF0000FF0000u) | (b << 48 & 0x00FF000000000000u));
        storePixelWord(dst + 8, (b & 0x0000FF0000FF0000u) | (b >> 16 & 0x000000FF0000FF00u) |
                                    (b << 16 & 0x00FF0000FF000000u) | (a >> 48 & 0xFFu) |
                                    (c << 48 & 0xFF00000000000000u));
        storePixelWord(dst + 16, (c & 0x00FF0000FF0000FFu) | (c >> 16 & 0x0000FF0000FF0000u) |
                                     (c << 16 & 0xFF0000FF00000000u) | (b >> 48 & 0xFF00u));
    }
    for (; i < count; ++i, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

// Two B,G,R,A pixels in one word become A,R,G,B each: the bytes of each
// 32-bit half reversed. GCC at -O2 does not see the byte swap in the shift
// form and emits eight shifts and masks, so GCC and Clang get the builtin.
inline uint64_t reverseEachPixel(uint64_t pair)
{
#if defined(__GNUC__)
    pair = __builtin_bswap64(pair);
    return pair >> 32 | pair << 32;
#else
    return (pair >> 24 & 0x000000FF000000FFu) | (pair >> 8 & 0x0000FF000000FF00u) |
           (pair << 8 & 0x00FF000000FF0000u) | (pair << 24 & 0xFF000000FF000000u);
#endif
}

// The T bytes of the two pixels of a word.
constexpr uint64_t transparencyBytes = 0x000000FF000000FFu;

inline uint64_t trgbFromBgra(uint64_t pair)
{
    return reverseEachPixel(pair) ^ transparencyBytes;
}

inline uint64_t opaqueTrgbFromBgra(uint64_t pair)
{
    return reverseEachPixel(pair) & ~transparencyBytes;
}

// Two R,G,B,A pixels in one word become T,R,G,B each: each 32-bit half
// turned by one byte, A from its top byte to its bottom one, then inverted.
inline uint64_t trgbFromRgba(uint64_t pair)
{
    return ((pair << 8 & 0xFFFFFF00FFFFFF00u) | (pair >> 24 & transparencyBytes)) ^ transparencyBytes;
}

// Two words at a time: GCC's loop over single words ran 5 to 10% slower,
// behind its own vectorised byte-wise loop at -O3.
template <uint64_t (*convertPair)(uint64_t)>
inline void convertFourByteRow(const uint8_t* src, uint8_t* dst, size_t count)
{
    size_t i = 0;
    for (; i + 4 <= count; i += 4, src += 16, dst += 16) {
        storePixelWord(dst, convertPair(loadPixelWord(src)));
        storePixelWord(dst + 8, convertPair(loadPixelWord(src + 8)));
    }
    if (count - i >= 2) {
        storePixelWord(dst, convertPair(loadPixelWord(src)));
        i += 2;
        src += 8;
        dst += 8;
    }
    if (i < count) {
        // A last single pixel travels in the low half of a word.
        uint64_t pixel = 0;
        std::memcpy(&pixel, src, 4);
        pixel = convertPair(pixel);
        std::memcpy(dst, &pixel, 4);
    }
}

// T,R,G,B from B,G,R,A with T = 255 - A.
inline void bgraToTrgb(const uint8_t* src, uint8_t* dst, size_t count)
{
    convertFourByteRow<trgbFromBgra>(src, dst, count);
}

// T,R,G,B from B,G,R,A with T = 0: the alpha byte is dropped.
inline void bgraToOpaqueTrgb(const uint8_t* src, uint8_t* dst, size_t count)
{
    convertFourByteRow<opaqueTrgbFromBgra>(src, dst, count);
}

// T,R,G,B from R,G,B,A with T = 255 - A.
inline void rgbaToTrgb(const uint8_t* src, uint8_t* dst, size_t count)
{
    convertFourByteRow<trgbFromRgba>(src, dst, count);
}
