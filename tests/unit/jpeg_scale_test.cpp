#include "decode/libraries/jpeg_scale.h"

#include <gtest/gtest.h>

namespace {

using Kind = JpegStreamKind;

// Of the scales M/8 whose picture is at least twice the fitted size both
// ways (libjpeg rounding each side up), the one that decodes fastest for the
// stream's kind, the smaller of two that cost the same; full size whenever
// every reduction allowed costs more. The anaglyph's narrowing and its
// stereo layouts count, and the fit is taken upright: a picture stored
// turned a quarter is limited by its other side.
// On a 1280 x 720 screen a 16:9 picture fits 1280 x 720, so a scale needs
// 2560 x 1440: 4/8 of 5120 x 2880, 2/8 of 10240 x 5760, 1/8 of 20480 x 11520.
TEST(JpegScale, CheapestScaleLeavingTwiceTheFittedSize)
{
    const struct {
        int32_t width, height;
        Kind kind;
        int eighths;
        int32_t screenWidth = 1280, screenHeight = 720;
        const char16_t* anaglyphPath = nullptr;
        Orientation orientation = Orientation::upright;
    } cases[] = {
        // 4/8 exactly at the limit: cheaper than full size for every kind.
        {5120, 2880, Kind::chroma420, 4},
        {5120, 2880, Kind::chroma422, 4},
        {5120, 2880, Kind::fullChroma, 4},
        {5120, 2880, Kind::grey, 4},
        {5120, 2880, Kind::progressive, 4},
        {5119, 2880, Kind::chroma420, 4},  // 2559.5 rounds up to 2560
        // A column short only 5/8 to 7/8 are left: all dearer than full size
        // for 4:2:0, 5/8 cheaper for the others but progressive, where it
        // costs as much (and leaves less to scale).
        {5118, 2880, Kind::chroma420, 8},
        {5118, 2880, Kind::chroma422, 5},
        {5118, 2880, Kind::fullChroma, 5},
        {5118, 2880, Kind::grey, 5},
        {5118, 2880, Kind::progressive, 5},
        // 2/8 exactly at the limit.
        {10240, 5760, Kind::chroma420, 2},
        {10240, 5760, Kind::fullChroma, 2},
        {10237, 5760, Kind::chroma420, 2},  // 2559.25 rounds up to 2560
        // Past it 3/8 is the smallest left: dearer than 4/8 for 4:2:0, 4:4:4
        // and grey, as cheap as 4/8 for 4:2:2, cheaper for progressive.
        {10236, 5760, Kind::chroma420, 4},
        {10236, 5760, Kind::chroma422, 3},
        {10236, 5760, Kind::fullChroma, 4},
        {10236, 5760, Kind::grey, 4},
        {10236, 5760, Kind::progressive, 3},
        // 1/8, the cheapest, at the limit and past it.
        {20480, 11520, Kind::chroma420, 1},
        {20480, 11520, Kind::progressive, 1},
        {20473, 11520, Kind::fullChroma, 1},  // 2559.125 rounds up
        {20472, 11520, Kind::chroma420, 2},
        {20472, 11520, Kind::fullChroma, 2},
        {16384, 16384, Kind::grey, 1},  // grey 4/8 costs what 1/8 does
        // Fitted 250 x 720: 2/8 is exactly 1440 high, 1439.25 rounds up to
        // it, 1439 is short.
        {2000, 5760, Kind::chroma420, 2},
        {2000, 5757, Kind::chroma420, 2},
        {2000, 5756, Kind::chroma420, 4},
        {6000, 4000, Kind::chroma420, 8, 1920, 1080},  // fitted 1620 x 1080: 3000 is short of 3240
        {6000, 4000, Kind::grey, 5, 1920, 1080},
        {3000, 12000, Kind::chroma420, 2, 1920, 1080},  // height-fitted to 270 x 1080
        {2560, 1440, Kind::grey, 8},
        {800, 600, Kind::chroma420, 8},  // shown at its own size
        {1, 1, Kind::chroma420, 8},
        {0, 600, Kind::chroma420, 8},
        // The fit of a pair is that of one half: 10244 x 5760 -> 1280 x 719.
        // 1/8 of 20488 is 2561, odd, so a single view: only a whole number
        // of pairs splits where the full picture does.
        {20488, 5760, Kind::chroma420, 1},
        {20488, 5760, Kind::chroma420, 2, 1280, 720, u"C:\\a.stereo.jpg"},
        // A single view narrowed to 7680 fits 1280 x 500; a pair of
        // 4000 x 3000 halves 960 x 720.
        {8000, 3000, Kind::chroma422, 3, 1280, 720, u"C:\\a.jpg"},
        {8000, 3000, Kind::chroma422, 4, 1280, 720, u"C:\\a.Stereo-X.jpg"},
        // 6002 x M / 8 is an even whole number only at M = 8.
        {6002, 2000, Kind::grey, 8, 1280, 720, u"C:\\a.stereo.jpg"},
        // An odd stereo width is a single view; 3/8 to 5/8 of 6003 are even
        // and would compose as a pair.
        {6003, 4000, Kind::grey, 6, 1280, 720, u"C:\\a.stereo.jpg"},
        {6003, 4000, Kind::grey, 4, 1280, 720, u"C:\\a.jpg"},
        // Upright 2880 x 5120 fits 405 x 720, which is 720 x 405 as stored:
        // 3/8 (1920 x 1080) is past twice that, 2/8 short of it.
        {5120, 2880, Kind::chroma422, 3, 1280, 720, nullptr, Orientation::clockwise},
        {5120, 2880, Kind::chroma422, 3, 1280, 720, nullptr, Orientation::transposed},
        {5120, 2880, Kind::chroma422, 4, 1280, 720, nullptr, Orientation::halfTurn},
        // Upright 5120 x 2880 fits 1280 x 720, 720 x 1280 as stored: 4/8 of
        // 2880 x 5120 is exactly twice that, of 2880 x 5118 a row short.
        {2880, 5120, Kind::chroma420, 4, 1280, 720, nullptr, Orientation::anticlockwise},
        {2880, 5118, Kind::chroma420, 8, 1280, 720, nullptr, Orientation::anticlockwise},
        // A pair splits as stored: 4000 x 3000 stands as 3000 x 4000, 540 x 720.
        {8000, 3000, Kind::chroma420, 4, 1280, 720, u"C:\\a.stereo.jpg", Orientation::clockwise},
    };
    for (const auto& c : cases) {
        const int row = static_cast<int>(&c - cases);
        EXPECT_EQ(chooseJpegScale(c.width, c.height, c.kind, c.screenWidth, c.screenHeight, c.anaglyphPath,
                                  c.orientation),
                  c.eighths)
            << row;
    }
}

}  // namespace
