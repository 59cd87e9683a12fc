#include "picture/pixel_turn.h"

#include <cstring>

namespace {

// A transposition walks the source down its columns; tiles of this many
// pixels a side keep both sides' rows in the cache.
constexpr int32_t tileSide = 32;

const uint8_t* sourcePixel(const PixelRows& source, PixelTurn turn, int32_t x, int32_t y)
{
    int32_t sx = turn.transpose ? y : x;
    int32_t sy = turn.transpose ? x : y;
    if (turn.reverseRows)
        sy = source.height - 1 - sy;
    if (turn.reverseColumns)
        sx = source.width - 1 - sx;
    return source.firstRow + sy * source.stride + ptrdiff_t{4} * sx;
}

}  // namespace

bool turnPixels(const PixelRows& source, PixelTurn turn, const PixelRows& destination)
{
    const int32_t expectedWidth = turn.transpose ? source.height : source.width;
    const int32_t expectedHeight = turn.transpose ? source.width : source.height;
    if (destination.width != expectedWidth || destination.height != expectedHeight)
        return false;
    for (int32_t top = 0; top < destination.height; top += tileSide) {
        const int32_t bottom = destination.height - top < tileSide ? destination.height : top + tileSide;
        for (int32_t left = 0; left < destination.width; left += tileSide) {
            const int32_t right = destination.width - left < tileSide ? destination.width : left + tileSide;
            for (int32_t y = top; y < bottom; ++y) {
                uint8_t* out = destination.firstRow + y * destination.stride + ptrdiff_t{4} * left;
                for (int32_t x = left; x < right; ++x, out += 4)
                    std::memcpy(out, sourcePixel(source, turn, x, y), 4);
            }
        }
    }
    return true;
}
