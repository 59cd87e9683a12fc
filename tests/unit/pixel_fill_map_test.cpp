#include "decode/qdl/pixel_fill_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Compares the map with a plain vector of flags while pixels are filled in
// random order, in long stretches (pixel by pixel or as a range) and one by
// one, across sizes that end on and off word and level boundaries.
TEST(PixelFillMap, AgreesWithPlainFlags)
{
    std::mt19937 random(12345);
    for (uint64_t count : {1u, 63u, 64u, 65u, 4095u, 4096u, 4097u, 262144u + 5u}) {
        PixelFillMap map;
        ASSERT_TRUE(createFillMap(map, count));
        std::vector<bool> flags(count, false);
        auto check = [&](uint64_t from) {
            uint64_t expected = from < count ? from : count;
            while (expected < count && flags[expected])
                ++expected;
            ASSERT_EQ(nextUnfilled(map, from), expected) << "count " << count << " from " << from;
        };
        auto fill = [&](uint64_t pixel) {
            if (!flags[pixel]) {
                flags[pixel] = true;
                markFilled(map, pixel);
            }
        };
        for (int round = 0; round < 2000; ++round) {
            // A stretch of up to a fiftieth of the map, or a single pixel.
            const uint64_t first = random() % count;
            const uint64_t length = random() % 3 == 0 ? 1 + random() % (count / 50 + 1) : 1;
            const uint64_t end = std::min(count, first + length);
            if (random() % 2 == 0) {
                for (uint64_t i = first; i < end; ++i)
                    fill(i);
            } else {
                markFilledRange(map, first, end);
                for (uint64_t i = first; i < end; ++i)
                    flags[i] = true;
            }
            check(random() % (count + 2));
            check(first);
            const uint64_t from = random() % count, limit = std::min<uint64_t>(count, from + random() % 300);
            uint64_t stretchEnd = from;
            while (stretchEnd < limit && !flags[stretchEnd])
                ++stretchEnd;
            ASSERT_EQ(unfilledStretchEnd(map, from, limit), stretchEnd);
            const uint64_t n = 1 + random() % 300;
            uint64_t nth = from, seen = 0;
            while (seen < n && ++nth < count)
                seen += flags[nth] ? 0 : 1;
            ASSERT_EQ(nthUnfilledAfter(map, from, n), nth < count ? nth : count);
            const uint64_t a = random() % count, b = std::min<uint64_t>(count, a + random() % 20000);
            uint64_t unfilled = 0;
            for (uint64_t i = a; i < b; ++i)
                unfilled += flags[i] ? 0 : 1;
            const uint64_t counted = countUnfilled(map, a, b, 253);
            if (unfilled <= 253)
                ASSERT_EQ(counted, unfilled);
            else
                ASSERT_GT(counted, 253u);
        }
        for (uint64_t pixel = 0; pixel < count; ++pixel) {
            fill(pixel);
            if (pixel % 997 == 0)
                check(pixel / 2);
        }
        EXPECT_EQ(nextUnfilled(map, 0), count);
    }
}

TEST(PixelFillMap, EmptyMapHasNothingToFill)
{
    PixelFillMap map;
    ASSERT_TRUE(createFillMap(map, 0));
    EXPECT_EQ(nextUnfilled(map, 0), 0u);
    EXPECT_EQ(countUnfilled(map, 0, 0, 10), 0u);
}

}  // namespace
