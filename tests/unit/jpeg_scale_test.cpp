#include "decode/libraries/jpeg_scale.h"

#include <gtest/gtest.h>

namespace {

// The smallest scale M/8 whose picture is at least twice the fitted size both
// ways (libjpeg rounding each side up), with the anaglyph's narrowing and its
// stereo layouts taken into account, and the fit taken upright: a picture
// stored turned a quarter is limited by its other side.
TEST(JpegScale, SmallestScaleLeavingTwiceTheFittedSize)
{
    const struct {
        int32_t width, height, screenWidth, screenHeight;
        const char16_t* anaglyphPath;
        int eighths;
        Orientation orientation = Orientation::upright;
    } cases[] = {
        {6000, 4000, 1280, 720, nullptr, 3},    // fitted 1080 x 720: 2250 x 1500
        {4000, 3000, 1920, 1080, nullptr, 6},   // fitted 1440 x 1080: 3000 x 2250
        {5120, 2880, 1280, 720, nullptr, 4},    // exactly twice
        {5119, 2880, 1280, 720, nullptr, 4},    // 2559.5 rounds up to 2560
        {3000, 12000, 1920, 1080, nullptr, 2},  // height-fitted to 270 x 1080
        {16384, 16384, 1280, 720, nullptr, 1},
        {2560, 1440, 1280, 720, nullptr, 8},    // 7/8 is short of twice
        {800, 600, 1280, 720, nullptr, 8},      // shown at its own size
        {1, 1, 1280, 720, nullptr, 8},
        {0, 600, 1280, 720, nullptr, 8},
        // The fit of a pair is that of one half: 4000 x 3000 -> 960 x 720.
        {8000, 3000, 1280, 720, nullptr, 3},
        {8000, 3000, 1280, 720, u"C:\\a.stereo.jpg", 4},
        {8000, 3000, 1280, 720, u"C:\\a.Stereo-X.jpg", 4},
        // 6002 x M / 8 is an even whole number only at M = 8; 6008 from M = 2.
        {6002, 2000, 1280, 720, u"C:\\a.stereo.jpg", 8},
        {6008, 2000, 1280, 720, u"C:\\a.stereo.jpg", 6},
        // An odd stereo width is a single view; 3/8 to 5/8 of 6003 are even
        // and would compose as a pair.
        {6003, 4000, 1280, 720, u"C:\\a.stereo.jpg", 6},
        {6003, 4000, 1280, 720, u"C:\\a.jpg", 3},
        // Upright 4000 x 6000 fits 480 x 720, which is 720 x 480 as stored.
        {6000, 4000, 1280, 720, nullptr, 2, Orientation::clockwise},
        {6000, 4000, 1280, 720, nullptr, 2, Orientation::transposed},
        {6000, 4000, 1280, 720, nullptr, 3, Orientation::halfTurn},
        // Upright 5120 x 2880: exactly twice at 4/8 as stored 1440 x 2560.
        {2880, 5120, 1280, 720, nullptr, 4, Orientation::anticlockwise},
        {2880, 5119, 1280, 720, nullptr, 4, Orientation::anticlockwise},
        // A pair splits as stored: 4000 x 3000 stands as 3000 x 4000, 540 x 720.
        {8000, 3000, 1280, 720, u"C:\\a.stereo.jpg", 3, Orientation::clockwise},
    };
    for (const auto& c : cases) {
        const int row = static_cast<int>(&c - cases);
        EXPECT_EQ(chooseJpegScale(c.width, c.height, c.screenWidth, c.screenHeight, c.anaglyphPath, c.orientation),
                  c.eighths)
            << row;
    }
}

}  // namespace
