#include "picture/pixel_turn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A picture of 4-byte pixels whose value is its index: row-major, top first.
struct Pixels {
    int32_t width, height;
    std::vector<uint32_t> values;

    Pixels(int32_t w, int32_t h) : width(w), height(h), values(size_t(w) * size_t(h))
    {
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = uint32_t(i);
    }
    PixelRows rows() { return {reinterpret_cast<uint8_t*>(values.data()), ptrdiff_t{4} * width, width, height}; }
};

Pixels turned(Pixels source, PixelTurn turn)
{
    Pixels result(turn.transpose ? source.height : source.width, turn.transpose ? source.width : source.height);
    EXPECT_TRUE(turnPixels(source.rows(), turn, result.rows()));
    return result;
}

// The eight ways on a 3 x 2 picture (a b c / d e f, values 0 to 5), written
// out by hand from what each turn means on the screen.
TEST(PixelTurn, EachOfTheEightTurnsPlacesEveryPixel)
{
    enum : uint32_t { a, b, c, d, e, f };
    const struct {
        const char* what;
        PixelTurn turn;
        int32_t width;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"as stored", {false, false, false}, 3, {a, b, c, d, e, f}},
        {"mirrored left to right", {false, false, true}, 3, {c, b, a, f, e, d}},
        {"upside down", {false, true, false}, 3, {d, e, f, a, b, c}},
        {"half a turn", {false, true, true}, 3, {f, e, d, c, b, a}},
        {"transposed", {true, false, false}, 2, {a, d, b, e, c, f}},
        {"a quarter turn anticlockwise", {true, false, true}, 2, {c, f, b, e, a, d}},
        {"a quarter turn clockwise", {true, true, false}, 2, {d, a, e, b, f, c}},
        {"transposed the other way", {true, true, true}, 2, {f, c, e, b, d, a}},
    };
    for (const auto& c : cases) {
        const Pixels result = turned(Pixels(3, 2), c.turn);
        EXPECT_EQ(result.width, c.width) << c.what;
        EXPECT_EQ(result.values, c.expected) << c.what;
    }
}

// Pictures of 32 (one tile) and 33 (one pixel into the next) on a side: four
// quarter turns, and each mirror twice, give the picture back; a
// transposition puts each pixel at its mirrored place across the tiles.
TEST(PixelTurn, TilesJoinAtTheirEdges)
{
    const PixelTurn clockwise{true, true, false};
    for (const int32_t side : {32, 33}) {
        const Pixels source(side, side + 1);
        Pixels result = source;
        for (int i = 0; i < 4; ++i)
            result = turned(result, clockwise);
        EXPECT_EQ(result.values, source.values) << side;
        for (const PixelTurn mirror : {PixelTurn{false, true, false}, PixelTurn{false, false, true}})
            EXPECT_EQ(turned(turned(source, mirror), mirror).values, source.values) << side;
        const Pixels transposed = turned(source, PixelTurn{true, false, false});
        for (int32_t y = 0; y < transposed.height; ++y)
            for (int32_t x = 0; x < transposed.width; ++x)
                ASSERT_EQ(transposed.values[size_t(y) * size_t(transposed.width) + size_t(x)],
                          source.values[size_t(x) * size_t(source.width) + size_t(y)])
                    << side << " at " << x << "," << y;
    }
}

// Rows with a negative stride (a bottom-up bitmap described top row first)
// and a destination of the wrong shape, which is left as it was.
TEST(PixelTurn, FollowsStridesAndRefusesAMismatchedDestination)
{
    Pixels source(3, 2);
    uint32_t bottomUp[6] = {};
    const PixelRows destination{reinterpret_cast<uint8_t*>(bottomUp + 4), -8, 2, 3};
    ASSERT_TRUE(turnPixels(source.rows(), PixelTurn{true, true, false}, destination));
    const uint32_t expected[6] = {5, 2, 4, 1, 3, 0};  // clockwise (d a / e b / f c), last row first
    EXPECT_EQ(std::memcmp(bottomUp, expected, sizeof expected), 0);

    Pixels wrong(3, 2);
    const std::vector<uint32_t> before = wrong.values;
    EXPECT_FALSE(turnPixels(source.rows(), PixelTurn{true, false, false}, wrong.rows()));
    EXPECT_EQ(wrong.values, before);
}

}  // namespace
