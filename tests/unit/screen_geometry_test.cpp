// Where a decoded image lands on the screen, and where the buttons are.
#include <gtest/gtest.h>

#include "app/screen_regions.h"
#include "decode/common/fit_to_screen.h"
#include "state/decode_results.h"

namespace {

struct FitCase {
    int32_t imageWidth, imageHeight, screenWidth, screenHeight;
    int32_t expectedWidth, expectedHeight;
};

TEST(FittedSize, NeverEnlargesAndFitsWidthThenHeight)
{
    const FitCase cases[] = {
        {4000, 3000, 1920, 1080, 1440, 1080},  // width-fitted to 1920x1440, then height-fitted
        {800, 600, 1920, 1080, 800, 600},      // smaller: kept
        {1000, 2000, 1920, 1080, 540, 1080},   // narrower but too tall
        {1000, 3000, 1920, 1080, 360, 1080},
        {1920, 500, 1920, 1080, 1920, 500},    // exactly as wide: no enlargement
        {3840, 1000, 1920, 1080, 1920, 500},   // width-fitted only
        {2000, 1126, 1920, 1080, 1920, 1080},  // width-fitted height truncates to exactly the screen's
        {1, 1, 1280, 720, 1, 1},
        {2000, 1500, 1280, 720, 960, 720},
        {65535, 1, 1280, 720, 1280, 1},        // a sliver keeps one pixel
        {1, 3000, 1280, 720, 1, 720},
        {1, 0x7FFFFFFF, 1280, 720, 1, 720},    // products past 32 bits stay exact
        {0x7FFFFFFF, 1, 3840, 2160, 3840, 1},
        {0x7FFFFFFF, 0x7FFFFFFF, 3840, 2160, 2160, 2160},
    };
    for (const FitCase& c : cases) {
        const FittedSize fitted = fittedSize(c.imageWidth, c.imageHeight, c.screenWidth, c.screenHeight);
        EXPECT_EQ(fitted.width, c.expectedWidth) << c.imageWidth << "x" << c.imageHeight;
        EXPECT_EQ(fitted.height, c.expectedHeight) << c.imageWidth << "x" << c.imageHeight;
    }
}

TEST(FitToScreen, KeepsTheLastFitWhenNoSizeIsKnown)
{
    scaledWidth = 11;
    scaledHeight = 22;
    for (const auto& size : {std::pair{0, 100}, std::pair{100, 0}, std::pair{-5, 100}}) {
        imageWidth = size.first;
        imageHeight = size.second;
        fitToScreen(1920, 1080);
        EXPECT_EQ(scaledWidth, 11);
        EXPECT_EQ(scaledHeight, 22);
    }
    imageWidth = 4000;
    imageHeight = 3000;
    fitToScreen(1920, 1080);
    EXPECT_EQ(scaledWidth, 1440);
    EXPECT_EQ(scaledHeight, 1080);
}

struct RegionCase {
    int32_t x, y;
    ScreenRegion expected;
};

TEST(ScreenRegions, AreInclusiveSquaresAtTheRightEdge)
{
    // A 1280x720 screen: Next x 1215..1255, y 655..695; Prev x 1160..1200;
    // CLOSE x 1215..1255, y 25..65.
    const RegionCase cases[] = {
        {1215, 655, ScreenRegion::nextButton}, {1255, 695, ScreenRegion::nextButton},
        {1214, 655, ScreenRegion::none},       {1256, 695, ScreenRegion::none},
        {1235, 654, ScreenRegion::none},       {1235, 696, ScreenRegion::none},
        {1160, 655, ScreenRegion::prevButton}, {1200, 695, ScreenRegion::prevButton},
        {1201, 670, ScreenRegion::none},       {1159, 670, ScreenRegion::none},
        {1215, 25, ScreenRegion::closeButton}, {1255, 65, ScreenRegion::closeButton},
        {1235, 24, ScreenRegion::none},        {1235, 66, ScreenRegion::none},
        {1180, 45, ScreenRegion::none},        // no button left of CLOSE
        {640, 360, ScreenRegion::none},        {0, 0, ScreenRegion::none},
    };
    for (const RegionCase& c : cases)
        EXPECT_EQ(screenRegionAt(c.x, c.y, 1280, 720), c.expected) << c.x << "," << c.y;
}

}  // namespace
