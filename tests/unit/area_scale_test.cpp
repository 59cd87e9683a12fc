// The area-averaging scaler: exact answers where the answer is exact, and
// the SSE2 body byte for byte equal to the plain one.

#include "picture/area_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Pixels = std::vector<uint8_t>;

// Grey pixels: the level in B, G, R and x alike.
Pixels fromLevels(const std::vector<int>& levels)
{
    Pixels p;
    for (int v : levels)
        p.insert(p.end(), {uint8_t(v), uint8_t(v), uint8_t(v), uint8_t(v)});
    return p;
}

// Scales width x height top-down rows by the given body; the target is
// bottom-up in a padded buffer, as the screen's DIB sections are read here.
Pixels scale(const Pixels& source, int32_t width, int32_t height, int32_t targetWidth, int32_t targetHeight,
             AreaScaleBody body, ptrdiff_t sourcePadding = 0, bool sourceBottomUp = false)
{
    const ptrdiff_t sourceStride = 4 * width + sourcePadding;
    Pixels stored(size_t(sourceStride) * size_t(height), 0xEE);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t at = sourceBottomUp ? height - 1 - y : y;
        std::copy_n(&source[size_t(4 * width * y)], 4 * width, &stored[size_t(sourceStride * at)]);
    }
    const ConstPixelRows from{sourceBottomUp ? &stored[size_t(sourceStride * (height - 1))] : stored.data(),
                              sourceBottomUp ? -sourceStride : sourceStride, width, height};
    const ptrdiff_t targetStride = 4 * targetWidth + 8;
    Pixels target(size_t(targetStride) * size_t(targetHeight), 0xCD);
    const PixelRows to{&target[size_t(targetStride * (targetHeight - 1))], -targetStride, targetWidth,
                       targetHeight};
    EXPECT_TRUE(scaleByAreaAverage(from, to, body));
    Pixels packed;
    for (int32_t y = 0; y < targetHeight; ++y) {
        const uint8_t* row = to.top + to.stride * y;
        packed.insert(packed.end(), row, row + 4 * targetWidth);
        EXPECT_EQ(row[4 * targetWidth], 0xCD) << "padding written after row " << y;
    }
    return packed;
}

struct ExactCase {
    const char* name;
    int32_t width, height, targetWidth, targetHeight;
    std::vector<int> levels;    // source, top row first
    std::vector<int> expected;  // hand-computed area averages
    ptrdiff_t padding;
    bool bottomUp;
};

TEST(AreaScale, GivesTheRoundedAreaAverage)
{
    const ExactCase cases[] = {
        {"1:1 copies, bottom-up and padded", 3, 2, 3, 2, {0, 7, 255, 128, 1, 254}, {0, 7, 255, 128, 1, 254}, 4, true},
        // 2 x 2 blocks: (0+1+2+3)/4 = 1.5 -> 2 (half up), (10+20+30+41)/4 = 25.25 -> 25.
        {"2:1 both ways", 4, 2, 2, 1, {0, 1, 10, 20, 2, 3, 30, 41}, {2, 25}, 0, false},
        // 3 x 1 blocks: (1+2+4)/3 = 2.33 -> 2, (200+201+201)/3 = 200.67 -> 201.
        {"3:1 across", 6, 1, 2, 1, {1, 2, 4, 200, 201, 201}, {2, 201}, 12, false},
        // 1 x 3 column: (9+10+10)/3 = 9.67 -> 10.
        {"1:3 one pixel wide", 1, 3, 1, 1, {9, 10, 10}, {10}, 0, true},
        // 3 -> 2: weights 2/3, 1/3 | 1/3, 2/3: (2*30+60)/3 = 40, (60+2*90)/3 = 80.
        {"3:2 coverage", 3, 1, 2, 1, {30, 60, 90}, {40, 80}, 0, false},
        // 5 -> 2, 5 rows -> 1: per row weights 2, 0.5 | 0.5, 2 of 2.5;
        // left (2*100 + 0.5*50) / 2.5 = 90, right (0.5*50 + 2*0) / 2.5 = 10.
        {"odd sizes 5x5 -> 2x1", 5, 5, 2, 1,
         {100, 100, 50, 0, 0, 100, 100, 50, 0, 0, 100, 100, 50, 0, 0, 100, 100, 50, 0, 0, 100, 100, 50, 0, 0},
         {90, 10}, 4, false},
        // 7 -> 3, spans of 7/3: (0 + 0 + 10/3) / (7/3) = 1.43 -> 1,
        // (2/3*10 + 40 + 2/3*70) / (7/3) = 40, (70/3 + 100 + 100) / (7/3) = 95.7 -> 96.
        {"7:3 coverage", 7, 1, 3, 1, {0, 0, 10, 40, 70, 100, 100}, {1, 40, 96}, 0, false},
        // Enlarging 2 -> 3: 0, (1/2*0 + 1/2*255) -> 127.5 -> 128, 255.
        {"2:3 enlarges", 2, 1, 3, 1, {0, 255}, {0, 128, 255}, 0, false},
    };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (AreaScaleBody body : {AreaScaleBody::plain, AreaScaleBody::sse2}) {
            if (!hasAreaScaleBody(body))
                continue;
            SCOPED_TRACE(body == AreaScaleBody::plain ? "plain" : "sse2");
            const Pixels out = scale(fromLevels(c.levels), c.width, c.height, c.targetWidth, c.targetHeight, body,
                                     c.padding, c.bottomUp);
            EXPECT_EQ(out, fromLevels(c.expected));
        }
    }
}

// The same picture stored at every source depth scales to the same bytes as
// its 32-bit form: the widening keeps channel order, the 24-bit word split
// and the 1-bit order (most significant bit first).
TEST(AreaScale, EveryDepthScalesLikeItsWidePixels)
{
    constexpr int32_t width = 13, height = 5, targetWidth = 4, targetHeight = 2;
    uint32_t colours[256];
    for (uint32_t i = 0; i < 256; ++i)
        colours[i] = (i * 0x9E3779B9u) & 0xFFFFFF;
    for (const int32_t depth : {24, 8, 1}) {
        SCOPED_TRACE(depth);
        const ptrdiff_t stride = (ptrdiff_t(width) * depth + 31) / 32 * 4;
        Pixels stored(size_t(stride) * height), wide(size_t(4) * width * height);
        std::mt19937 random{uint32_t(depth)};
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t index = random() & (depth == 1 ? 1 : 255);
                const uint32_t colour = depth == 24 ? random() & 0xFFFFFF : colours[index];
                uint8_t* row = &stored[size_t(stride * y)];
                if (depth == 24)
                    for (int c = 0; c < 3; ++c)
                        row[3 * x + c] = uint8_t(colour >> (8 * c));
                else if (depth == 8)
                    row[x] = uint8_t(index);
                else
                    row[x / 8] |= uint8_t(index << (7 - x % 8));
                std::memcpy(&wide[size_t(4) * (width * y + x)], &colour, 4);
            }
        for (AreaScaleBody body : {AreaScaleBody::plain, AreaScaleBody::sse2}) {
            if (!hasAreaScaleBody(body))
                continue;
            Pixels fromStored(size_t(4) * targetWidth * targetHeight);
            ConstPixelRows source{stored.data(), stride, width, height, depth, colours};
            ASSERT_TRUE(scaleByAreaAverage(source, {fromStored.data(), 4 * targetWidth, targetWidth, targetHeight},
                                           body));
            EXPECT_EQ(fromStored, scale(wide, width, height, targetWidth, targetHeight, body));
        }
    }
}

TEST(AreaScale, RefusesWhatItCannotScale)
{
    uint8_t pixel[4] = {};
    const ConstPixelRows one{pixel, 4, 1, 1};
    const PixelRows none{pixel, 4, 0, 1};
    EXPECT_FALSE(scaleByAreaAverage(one, none));
    const ConstPixelRows huge{pixel, 4, 1 << 15, 1 << 14};
    const PixelRows single{pixel, 4, 1, 1};
    EXPECT_FALSE(scaleByAreaAverage(huge, single));  // beyond 2^28 pixels
    const ConstPixelRows withoutColours{pixel, 4, 1, 1, 8, nullptr};
    EXPECT_FALSE(scaleByAreaAverage(withoutColours, single));
    const ConstPixelRows sixteenBits{pixel, 4, 1, 1, 16, nullptr};
    EXPECT_FALSE(scaleByAreaAverage(sixteenBits, single));
}

TEST(AreaScale, Sse2EqualsPlainOnRandomPictures)
{
    if (!hasAreaScaleBody(AreaScaleBody::sse2))
        GTEST_SKIP() << "no SSE2 body in this build";
    struct Size {
        int32_t width, height, targetWidth, targetHeight;
    };
    // Integer, non-integer and coprime ratios, long spans whose weights are
    // rounded, a single column and row, mild enlargement, and spans of more
    // rows than 16-bit column sums hold.
    const Size sizes[] = {{4000, 30, 960, 7},  {401, 301, 96, 72}, {4099, 9, 1, 2},  {1, 3000, 1, 719},
                          {3000, 1, 719, 1},   {37, 23, 37, 23},   {37, 23, 19, 11}, {95, 70, 100, 71},
                          {70001, 2, 1920, 1}, {13, 17, 5, 3},     {7, 2000, 3, 10}, {5, 1001, 2, 7}};
    std::mt19937 random(7);
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) + " -> " +
                     std::to_string(s.targetWidth) + "x" + std::to_string(s.targetHeight));
        Pixels source(size_t(4) * size_t(s.width) * size_t(s.height));
        for (uint8_t& b : source)
            b = uint8_t(random());
        EXPECT_EQ(scale(source, s.width, s.height, s.targetWidth, s.targetHeight, AreaScaleBody::sse2, 4, true),
                  scale(source, s.width, s.height, s.targetWidth, s.targetHeight, AreaScaleBody::plain, 4, true));
    }
}

}  // namespace
