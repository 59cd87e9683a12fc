#include "decode/dib/dib_bitfields.h"

namespace {

// (X << 8) >> n is X * 2^(8-n) for n <= 8 and the top 8 bits of X beyond;
// adding it shifted right by n again repeats the top bits into the low ones.
// Results are kept to 8 bits, which matters only for masks with gaps.
inline uint8_t expandChannel(uint32_t pixel, const BitField& field)
{
    const uint32_t scaled = (((pixel & field.mask) >> field.shift) << 8) >> field.bits;
    return static_cast<uint8_t>(scaled + (scaled >> field.bits));
}

}  // namespace

BitField bitFieldFromMask(uint32_t maskWord)
{
    const uint32_t mask = maskWord & 0xFFFF;
    uint32_t shift = 0;
    while (shift < 16 && !(mask & (1u << shift)))
        ++shift;
    uint32_t bits = 0;
    while (shift + bits < 16 && (mask & (1u << (shift + bits))))
        ++bits;
    return {mask, shift, bits};
}

void expandBitFields(const uint8_t* src, uint8_t* dst, size_t count, const BitField& red,
                     const BitField& green, const BitField& blue)
{
    for (size_t i = 0; i < count; ++i, src += 2, dst += 3) {
        const uint32_t pixel = static_cast<uint32_t>(src[0]) | static_cast<uint32_t>(src[1]) << 8;
        dst[0] = expandChannel(pixel, red);
        dst[1] = expandChannel(pixel, green);
        dst[2] = expandChannel(pixel, blue);
    }
}
