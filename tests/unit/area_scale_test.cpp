// The area-averaging scaler: exact answers where the answer is exact, and
// the SSE2 body byte for byte equal to the plain one.

#include "picture/area_scale.h"
#include "picture/area_scale_axis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// count levels of first, then count of second: a column whose average is
// exactly halfway between two levels.
std::vector<int> twoRuns(int count, int first, int second)
{
    std::vector<int> levels(size_t(count), first);
    levels.resize(size_t(2 * count), second);
    return levels;
}

// Scales width x height top-down rows by the given body; the target is
// bottom-up in a padded buffer, as the screen's DIB sections are read here.
Pixels scale(const Pixels& source, int32_t width, int32_t height, int32_t targetWidth, int32_t targetHeight,
             AreaScaleBody body, ptrdiff_t sourcePadding = 0, bool sourceBottomUp = false, int threads = 1)
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
    EXPECT_TRUE(scaleByAreaAverage(from, to, body, threads));
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
        // Exact halves, 294 / 196 and 147 / 98 = 1.5 -> 2, that the SSE2
        // finishing steps compute as just below 1.5: the row-by-row path
        // (over 128 rows) and the columns-first path.
        {"1.5 in 196 rows", 1, 196, 1, 1, twoRuns(98, 3, 0), {2}, 0, false},
        {"1.5 in 98 rows", 1, 98, 1, 1, twoRuns(49, 3, 0), {2}, 0, false},
        // 200 x 255 is beyond the 16-bit column sums of short spans.
        {"255 in 200 rows", 1, 200, 1, 1, twoRuns(100, 255, 255), {255}, 0, false},
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

// Where the weights are rounded (spans longer than the denominator), the
// result stays within 1.5 levels of the exact area average, computed here
// in floating point; with both bodies, since each path rounds on its own.
TEST(AreaScale, RoundedWeightsStayNearTheExactAverage)
{
    struct Size {
        int32_t width, height, targetWidth, targetHeight;
    };
    // 1037 -> 173: the sum of a span's weights, 21 x 1037 / 173 = 125.9, rounds up.
    const Size sizes[] = {{1, 3000, 1, 719}, {3000, 1, 719, 1}, {5000, 2, 3, 1}, {1, 1037, 1, 173}};
    std::mt19937 random(11);
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
        std::vector<int> levels(size_t(s.width) * size_t(s.height));
        for (int& v : levels)
            v = int(random() % 256);
        const auto exactAverage = [&](int32_t tx, int32_t ty) {
            // Source pixel j overlaps target pixel i by the length of
            // [j, j + 1) and [i * s / t, (i + 1) * s / t) in source units.
            const auto overlap = [](int32_t j, int32_t i, int32_t source, int32_t target) {
                const double low = double(i) * source / target, high = double(i + 1) * source / target;
                return std::max(0.0, std::min(high, j + 1.0) - std::max(low, double(j)));
            };
            double sum = 0, area = 0;
            for (int32_t y = 0; y < s.height; ++y)
                for (int32_t x = 0; x < s.width; ++x) {
                    const double w = overlap(x, tx, s.width, s.targetWidth) * overlap(y, ty, s.height, s.targetHeight);
                    sum += w * levels[size_t(y) * size_t(s.width) + size_t(x)];
                    area += w;
                }
            return sum / area;
        };
        for (AreaScaleBody body : {AreaScaleBody::plain, AreaScaleBody::sse2}) {
            if (!hasAreaScaleBody(body))
                continue;
            const Pixels out = scale(fromLevels(levels), s.width, s.height, s.targetWidth, s.targetHeight, body);
            double worst = 0;
            for (int32_t y = 0; y < s.targetHeight; ++y)
                for (int32_t x = 0; x < s.targetWidth; ++x)
                    worst = std::max(worst, std::abs(out[4 * size_t(y * s.targetWidth + x)] - exactAverage(x, y)));
            EXPECT_LE(worst, 1.5) << (body == AreaScaleBody::plain ? "plain" : "sse2");
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

// The denominators each axis may use: the least one a span needs (ceil of the
// ratio, plus 2), 128 vertically up to needs of 128, and a product of at
// most 2^22; each at its limit and one past.
TEST(AreaScaleAxis, DenominatorsAtTheirLimits)
{
    using namespace areascale;
    const std::pair<std::pair<uint64_t, uint64_t>, uint64_t> needs[] = {
        {{1, 1}, 3}, {{4, 2}, 4}, {{5, 2}, 5}, {{3000, 719}, 7}, {{1, 3}, 3}};
    for (const auto& [sizes, needed] : needs)
        EXPECT_EQ(neededDenominator(sizes.first, sizes.second), needed) << sizes.first << " -> " << sizes.second;
    const struct {
        uint64_t neededX, neededY;
        bool fits;
        uint64_t budgetX, budgetY;
    } cases[] = {
        {3, 128, true, 2048, 128},           // short spans: 16-bit column sums
        {3, 129, true, 2048, 2048},
        {2048, 2048, true, 2048, 2048},      // the product exactly 2^22
        {2048, 2049, false, 0, 0},
        {4096, 1024, true, 4096, 1024},      // a long axis takes what it needs
        {4096, 1025, false, 0, 0},
        {3, 4096, true, 1024, 4096},
        {1u << 21, 2, true, 1u << 21, 2},
    };
    for (const auto& c : cases) {
        uint64_t budgetX = 0, budgetY = 0;
        ASSERT_EQ(chooseBudgets(c.neededX, c.neededY, budgetX, budgetY), c.fits) << c.neededX << " x " << c.neededY;
        if (c.fits) {
            EXPECT_EQ(budgetX, c.budgetX) << c.neededX << " x " << c.neededY;
            EXPECT_EQ(budgetY, c.budgetY) << c.neededX << " x " << c.neededY;
        }
    }
}

// Large scales split into bands of target rows on several threads: from a
// source of 2^20 pixels, two bands for each 64 target rows, four at most.
TEST(AreaScale, BandsOnlyForLargeScales)
{
    const struct {
        int32_t width, height, targetHeight;
        int threads, bands;
    } cases[] = {
        {1024, 1024, 128, 4, 2}, {1024, 1023, 128, 4, 1}, {1024, 1024, 127, 4, 1}, {1024, 1024, 256, 4, 4},
        {1024, 1024, 640, 8, 4}, {1024, 1024, 640, 3, 3}, {1024, 1024, 640, 1, 1},
        {-1024, -1024, 640, 4, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(areaScaleBands(c.width, c.height, c.targetHeight, c.threads), c.bands)
            << c.width << " x " << c.height << " to " << c.targetHeight << " rows on " << c.threads;
}

// The SSE2 body, and both bodies in bands on four threads, give the plain
// body's bytes on one.
TEST(AreaScale, Sse2AndBandsEqualPlainOnRandomPictures)
{
    if (!hasAreaScaleBody(AreaScaleBody::sse2))
        GTEST_SKIP() << "no SSE2 body in this build";
    struct Size {
        int32_t width, height, targetWidth, targetHeight;
    };
    // Integer, non-integer and coprime ratios, long spans whose weights are
    // rounded, a single column and row, mild enlargement, and spans of more
    // rows than 16-bit column sums hold, with spans of six columns; two
    // sources large enough for bands, the second with spans of 128 rows.
    const Size sizes[] = {{1400, 800, 350, 300}, {70, 16400, 3, 128},{4000, 30, 960, 7},  {401, 301, 96, 72}, {4099, 9, 1, 2},  {1, 3000, 1, 719},
                          {3000, 1, 719, 1},   {37, 23, 37, 23},   {37, 23, 19, 11}, {95, 70, 100, 71},
                          {70001, 2, 1920, 1}, {13, 17, 5, 3},     {7, 2000, 3, 10}, {5, 1001, 2, 7},
                          {4000, 1000, 750, 7}};
    std::mt19937 random(7);
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) + " -> " +
                     std::to_string(s.targetWidth) + "x" + std::to_string(s.targetHeight));
        Pixels source(size_t(4) * size_t(s.width) * size_t(s.height));
        for (uint8_t& b : source)
            b = uint8_t(random());
        const Pixels plain =
            scale(source, s.width, s.height, s.targetWidth, s.targetHeight, AreaScaleBody::plain, 4, true);
        EXPECT_EQ(scale(source, s.width, s.height, s.targetWidth, s.targetHeight, AreaScaleBody::sse2, 4, true),
                  plain);
        EXPECT_EQ(scale(source, s.width, s.height, s.targetWidth, s.targetHeight, AreaScaleBody::sse2, 4, true, 4),
                  plain);
        EXPECT_EQ(scale(source, s.width, s.height, s.targetWidth, s.targetHeight, AreaScaleBody::plain, 4, true, 4),
                  plain);
    }
}

}  // namespace
