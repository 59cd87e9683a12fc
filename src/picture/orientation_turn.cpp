#include "picture/orientation_turn.h"

#include <algorithm>
#include <cstring>

namespace {

// Target pixels are written in square tiles, so that a quarter turn reads
// each source row a tile's width at a time instead of one pixel per row.
constexpr int32_t tileSide = 64;

// Where target pixel (0, 0) comes from in the source, and how far the source
// address moves for one step right and one step down in the target.
struct SourceWalk {
    const uint8_t* origin;
    ptrdiff_t perColumn;
    ptrdiff_t perRow;
};

SourceWalk walkFor(const PixelRows& source, Orientation orientation)
{
    const ptrdiff_t pixel = 4, row = source.stride;
    const ptrdiff_t lastColumn = pixel * (source.width - 1), lastRow = row * (source.height - 1);
    const uint8_t* top = source.top;
    switch (orientation) {
    case Orientation::upright: break;
    case Orientation::mirrored: return {top + lastColumn, -pixel, row};
    case Orientation::halfTurn: return {top + lastColumn + lastRow, -pixel, -row};
    case Orientation::flipped: return {top + lastRow, pixel, -row};
    case Orientation::transposed: return {top, row, pixel};
    case Orientation::clockwise: return {top + lastRow, -row, pixel};
    case Orientation::transverse: return {top + lastColumn + lastRow, -row, -pixel};
    case Orientation::anticlockwise: return {top + lastColumn, row, -pixel};
    }
    return {top, pixel, row};
}

}  // namespace

Orientation orientationFromExif(uint32_t value)
{
    return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::upright;
}

bool swapsSides(Orientation orientation)
{
    return static_cast<uint8_t>(orientation) >= static_cast<uint8_t>(Orientation::transposed);
}

void turnSides(Orientation orientation, int32_t& width, int32_t& height)
{
    if (swapsSides(orientation))
        std::swap(width, height);
}

bool turnPixels(const PixelRows& source, const PixelRows& target, Orientation orientation)
{
    int32_t width = source.width, height = source.height;
    turnSides(orientation, width, height);
    if (width <= 0 || height <= 0 || target.width != width || target.height != height)
        return false;
    const SourceWalk walk = walkFor(source, orientation);
    for (int32_t tileY = 0; tileY < height; tileY += tileSide) {
        const int32_t endY = std::min(height, tileY + tileSide);
        for (int32_t tileX = 0; tileX < width; tileX += tileSide) {
            const int32_t endX = std::min(width, tileX + tileSide);
            for (int32_t y = tileY; y < endY; ++y) {
                uint8_t* out = target.top + target.stride * y + ptrdiff_t{4} * tileX;
                const uint8_t* in = walk.origin + walk.perRow * y + walk.perColumn * tileX;
                for (int32_t x = tileX; x < endX; ++x, out += 4, in += walk.perColumn)
                    std::memcpy(out, in, 4);
            }
        }
    }
    return true;
}
