#include "picture/area_scale_wide_rows.h"

#include <cstring>

namespace areascale {

namespace {

// Pixels are handled as host-order words; the layouts are little-endian, as
// every target of this program is.
inline uint32_t loadWord(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

void widenRow(const ConstPixelRows& source, const uint8_t* row, uint32_t* out)
{
    const int32_t width = source.width;
    if (source.bitsPerPixel == 24) {
        // Four pixels are three words.
        int32_t x = 0;
        for (; x + 4 <= width; x += 4, row += 12) {
            const uint32_t a = loadWord(row), b = loadWord(row + 4), c = loadWord(row + 8);
            out[x] = a & 0xFFFFFF;
            out[x + 1] = (a >> 24 | b << 8) & 0xFFFFFF;
            out[x + 2] = (b >> 16 | c << 16) & 0xFFFFFF;
            out[x + 3] = c >> 8;
        }
        for (; x < width; ++x, row += 3)
            out[x] = uint32_t(row[0]) | uint32_t(row[1]) << 8 | uint32_t(row[2]) << 16;
    } else if (source.bitsPerPixel == 8) {
        for (int32_t x = 0; x < width; ++x)
            out[x] = source.colours[row[x]];
    } else {
        for (int32_t x = 0; x < width; ++x)
            out[x] = source.colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
    }
}

}  // namespace areascale
