// 16-bit BI_BITFIELDS pixels to R,G,B bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// One colour channel of a 16-bit pixel: the low 16 bits of its mask word, the
// position of the mask's lowest set bit (16 for an empty mask) and the number
// of consecutive set bits from there.
struct BitField {
    uint32_t mask;
    uint32_t shift;
    uint32_t bits;
};

BitField bitFieldFromMask(uint32_t maskWord);

// Widens count little-endian 16-bit pixels to R,G,B. A channel of n <= 8
// bits, X, becomes X * 2^(8-n) + X * 2^(8-n) / 2^n (5 bits: 0 -> 0, 31 ->
// 255); a wider channel keeps its top 8 bits.
void expandBitFields(const uint8_t* src, uint8_t* dst, size_t count, const BitField& red,
                     const BitField& green, const BitField& blue);
