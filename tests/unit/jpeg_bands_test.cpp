#include "decode/libraries/jpeg_bands.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Kind = JpegStreamKind;

// Where the bands are cut: each lower decoder's work (readPercent of the rows
// above it, in whole hundredths of a row, rounded down, plus its band)
// matches the shortest top band that lets the last one reach the bottom;
// fewer bands when the last would be under 128 rows or the top band over
// nine tenths of the picture.
TEST(JpegBands, CutWhereEveryDecoderFinishesTogether)
{
    const struct {
        int32_t height;
        int readPercent, threads;
        std::vector<int32_t> firstRows;  // with the height at the end
    } cases[] = {
        {3000, 50, 2, {0, 2000, 3000}},  // top 2000 = 1000 read + 1000 below
        {3001, 0, 2, {0, 1501, 3001}},  // the top band takes the odd row
        {3000, 0, 3, {0, 1000, 2000, 3000}},
        {3000, 50, 4, {0, 1600, 2400, 2800, 3000}},
        {3000, 50, 8, {0, 1600, 2400, 2800, 3000}},  // no more than four
        {3000, 50, 1, {0, 3000}},
        // The rows a lower decoder reads count rounded down: 1765 read at
        // 30 % are 529.5, which leaves 1235 for its band and reaches 3000
        // from a top band of 1765, not 1764.
        {3000, 30, 2, {0, 1765, 3000}},
        // 184 rows read at 30 % leave 128.8 rows below, a row short; 185
        // leave 129.5, rounded down to 129: a last band of exactly 128.
        {313, 30, 2, {0, 185, 313}},
        // The last band exactly at 128 rows and one short of it.
        {256, 0, 2, {0, 128, 256}},
        {255, 0, 2, {0, 255}},
        {384, 0, 4, {0, 128, 256, 384}},
        {383, 0, 4, {0, 192, 383}},  // three would leave 127: two bands
        // Savings: at 88 % two bands end at 2500 of 2800 (below nine tenths);
        // at 89 % three or four bands leave the last under 128 rows, and
        // two a top band of 2523, over the 2520 of nine tenths.
        {2800, 88, 2, {0, 2500, 2800}},
        {2800, 89, 4, {0, 2800}},
        // Reading alone: nothing to share; an out-of-range share or height.
        {3000, 100, 4, {0, 3000}},
        {3000, -1, 4, {0, 3000}},
        {0, 50, 4, {0, 0}},
    };
    for (const auto& c : cases) {
        const JpegBands bands = splitJpegDecode(c.height, c.readPercent, c.threads);
        const std::vector<int32_t> firstRows(bands.firstRow, bands.firstRow + bands.count + 1);
        EXPECT_EQ(firstRows, c.firstRows) << c.height << " rows at " << c.readPercent << " % on " << c.threads;
    }
}

// Reading's share: 100 per byte against the kind's transform per pixel at
// the scale (35 for 4:4:4 at 8/8, 12 at 4/8, 44 for 4:2:0 at 7/8), rounded
// down; every share for a size or scale out of range is all reading.
TEST(JpegBands, ReadingShareOfBytesAgainstPixels)
{
    const struct {
        uint64_t bytes;
        int32_t width, height;
        Kind kind;
        int eighths, percent;
    } cases[] = {
        {350'000, 1000, 1000, Kind::fullChroma, 8, 50},
        {120'000, 1000, 1000, Kind::fullChroma, 4, 50},
        {440'000, 1000, 1000, Kind::chroma420, 7, 50},
        {169, 50, 31, Kind::chroma420, 1, 84},  // 16900 / 20000 = 84.5
        {0, 1000, 1000, Kind::chroma422, 8, 0},
        {uint64_t{1} << 40, 1, 1, Kind::grey, 8, 99},  // the bytes counted up to 2^32
        {1000, 0, 1000, Kind::grey, 8, 100},
        {1000, 1000, -1, Kind::grey, 8, 100},
        {1000, 10, 10, Kind::grey, 0, 100},
        {1000, 10, 10, Kind::grey, 9, 100},
        {1000, 10, 10, Kind::grey, 1, 99},  // 100000 / 100200
    };
    for (const auto& c : cases)
        EXPECT_EQ(jpegReadPercent(c.bytes, c.width, c.height, c.kind, c.eighths), c.percent)
            << c.bytes << " bytes, " << c.width << " x " << c.height << " at " << c.eighths << "/8";
}

}  // namespace
