#include "picture/orientation_turn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Pixels = std::vector<uint32_t>;

PixelRows rowsOf(Pixels& pixels, int32_t width, int32_t height, bool bottomUp = false)
{
    auto* bytes = reinterpret_cast<uint8_t*>(pixels.data());
    const ptrdiff_t stride = ptrdiff_t{4} * width;
    if (bottomUp)
        return {bytes + stride * (height - 1), -stride, width, height};
    return {bytes, stride, width, height};
}

// Top row first, whatever the storage.
Pixels topDown(const PixelRows& rows)
{
    Pixels out;
    for (int32_t y = 0; y < rows.height; ++y)
        for (int32_t x = 0; x < rows.width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, rows.top + rows.stride * y + 4 * x, 4);
            out.push_back(pixel);
        }
    return out;
}

TEST(OrientationTurnTest, EachOrientationPutsTheStoredCornersWhereItSays)
{
    // a b c
    // d e f
    enum : uint32_t { a = 0xA, b, c, d, e, f };
    struct Row {
        Orientation orientation;
        int32_t width, height;
        Pixels upright;
    };
    const Row rows[] = {
        {Orientation::upright, 3, 2, {a, b, c, d, e, f}},
        {Orientation::mirrored, 3, 2, {c, b, a, f, e, d}},
        {Orientation::halfTurn, 3, 2, {f, e, d, c, b, a}},
        {Orientation::flipped, 3, 2, {d, e, f, a, b, c}},
        {Orientation::transposed, 2, 3, {a, d, b, e, c, f}},
        {Orientation::clockwise, 2, 3, {d, a, e, b, f, c}},
        {Orientation::transverse, 2, 3, {f, c, e, b, d, a}},
        {Orientation::anticlockwise, 2, 3, {c, f, b, e, a, d}},
    };
    for (const Row& row : rows) {
        for (bool bottomUp : {false, true}) {
            Pixels stored = {a, b, c, d, e, f};
            if (bottomUp)
                stored = {d, e, f, a, b, c};
            Pixels turned(6, 0);
            const PixelRows target = rowsOf(turned, row.width, row.height, bottomUp);
            ASSERT_TRUE(turnPixels(rowsOf(stored, 3, 2, bottomUp), target, row.orientation));
            EXPECT_EQ(topDown(target), row.upright) << int(row.orientation) << (bottomUp ? " bottom-up" : "");
        }
        int32_t width = 3, height = 2;
        turnSides(row.orientation, width, height);
        EXPECT_EQ(width, row.width) << int(row.orientation);
        // The sides unturned: a target of the stored size is refused.
        Pixels stored(6), turned(6);
        if (swapsSides(row.orientation))
            EXPECT_FALSE(turnPixels(rowsOf(stored, 3, 2), rowsOf(turned, 3, 2), row.orientation));
    }
}

// Pictures wider and taller than a tile, by one pixel past one and two
// tiles: turning there and back restores every pixel, which a tile edge
// computed wrong would not.
TEST(OrientationTurnTest, TurnedAndTurnedBackAcrossTileEdges)
{
    const Orientation inverse[] = {Orientation::upright, Orientation::mirrored, Orientation::halfTurn,
                                   Orientation::flipped, Orientation::transposed, Orientation::anticlockwise,
                                   Orientation::transverse, Orientation::clockwise};
    const int32_t width = 129, height = 65;
    Pixels stored(size_t{width} * height);
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = uint32_t(i * 2654435761u);
    for (int value = 1; value <= 8; ++value) {
        const Orientation orientation = orientationFromExif(value);
        int32_t turnedWidth = width, turnedHeight = height;
        turnSides(orientation, turnedWidth, turnedHeight);
        Pixels turned(stored.size()), back(stored.size());
        ASSERT_TRUE(turnPixels(rowsOf(stored, width, height), rowsOf(turned, turnedWidth, turnedHeight), orientation));
        ASSERT_TRUE(turnPixels(rowsOf(turned, turnedWidth, turnedHeight), rowsOf(back, width, height),
                               inverse[value - 1]));
        EXPECT_EQ(back, stored) << value;
    }
}

}  // namespace
