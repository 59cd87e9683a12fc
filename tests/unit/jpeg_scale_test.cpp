#include "decode/libraries/jpeg_scale.h"

#include <gtest/gtest.h>

namespace {

using Kind = JpegStreamKind;

// Of the scales M/8 whose picture is at least 1.5 times the fitted size both
// ways (libjpeg rounding each side up), the one that decodes fastest for the
// stream's kind, the smaller of two that cost the same; full size whenever
// every reduction allowed costs more. The anaglyph's narrowing and its
// stereo layouts count, and the fit is taken upright: a picture stored
// turned a quarter is limited by its other side.
// On a 1280 x 720 screen a 16:9 picture fits 1280 x 720, so a scale needs
// 1920 x 1080: 4/8 of 3840 x 2160, 2/8 of 7680 x 4320, 1/8 of 15360 x 8640.
TEST(JpegScale, CheapestScaleLeavingHalfAgainTheFittedSize)
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
        {3840, 2160, Kind::chroma420, 4},
        {3840, 2160, Kind::chroma422, 4},
        {3840, 2160, Kind::fullChroma, 4},
        {3840, 2160, Kind::grey, 4},
        {3840, 2160, Kind::progressive, 4},
        {3839, 2160, Kind::chroma420, 4},  // 1919.5 rounds up to 1920
        // One column past it only 5/8 to 7/8 are left, dearer than full size
        // but for grey 5/8.
        {3838, 2160, Kind::chroma420, 8},
        {3838, 2160, Kind::chroma422, 8},
        {3838, 2160, Kind::fullChroma, 8},
        {3838, 2160, Kind::grey, 5},
        {3838, 2160, Kind::progressive, 8},
        // 2/8 exactly at the limit; at 4:4:4 it costs what 4/8 does.
        {7680, 4320, Kind::chroma420, 2},
        {7680, 4320, Kind::fullChroma, 2},
        {7677, 4320, Kind::chroma420, 2},  // 1919.25 rounds up to 1920
        // Past it 3/8 is the smallest left, dearer than 4/8 for 4:2:0 and
        // 4:4:4, as cheap as 4/8 for 4:2:2 and grey.
        {7676, 4320, Kind::chroma420, 4},
        {7676, 4320, Kind::chroma422, 3},
        {7676, 4320, Kind::fullChroma, 4},
        {7676, 4320, Kind::grey, 3},
        {7676, 4320, Kind::progressive, 4},
        // 1/8, the cheapest but for progressive streams, at the limit and
        // past it.
        {15360, 8640, Kind::chroma420, 1},
        {15360, 8640, Kind::progressive, 4},  // every scan's Huffman decoding whatever the scale
        {15353, 8640, Kind::fullChroma, 1},  // 1919.125 rounds up
        {15352, 8640, Kind::chroma420, 2},
        {15352, 8640, Kind::progressive, 4},
        {16384, 16384, Kind::grey, 1},
        // Fitted 333 x 720: 2/8 is exactly 1080 high, 1079.5 rounds up to it,
        // 1079 is short.
        {2000, 4320, Kind::chroma420, 2},
        {2000, 4318, Kind::chroma420, 2},
        {2000, 4316, Kind::chroma420, 4},
        {4000, 3000, Kind::chroma420, 8, 1920, 1080},  // fitted 1440 x 1080: 2000 is short of 2160
        {4000, 3000, Kind::grey, 5, 1920, 1080},
        {3000, 12000, Kind::chroma420, 2, 1920, 1080},  // height-fitted to 270 x 1080
        {2560, 1440, Kind::grey, 8},
        {800, 600, Kind::chroma420, 8},  // shown at its own size
        {1, 1, Kind::chroma420, 8},
        {0, 600, Kind::chroma420, 8},
        // The fit of a pair is that of one half: 7684 x 4320 -> 1280 x 719.
        // 1/8 of 15368 is 1921, odd, so a single view: only a whole number
        // of pairs splits where the full picture does.
        {15368, 4320, Kind::chroma420, 1},
        {15368, 4320, Kind::chroma420, 2, 1280, 720, u"C:\\a.stereo.jpg"},
        // 4000 x 3000 -> 960 x 720 as a pair; 8000 x 3000 alone fits 1280 x 480.
        {8000, 3000, Kind::chroma420, 2, 1280, 720, u"C:\\a.jpg"},
        {8000, 3000, Kind::chroma420, 4, 1280, 720, u"C:\\a.Stereo-X.jpg"},
        // 6002 x M / 8 is an even whole number only at M = 8.
        {6002, 2000, Kind::grey, 8, 1280, 720, u"C:\\a.stereo.jpg"},
        // An odd stereo width is a single view; 3/8 to 5/8 of 6003 are even
        // and would compose as a pair, 6/8 and 7/8 cost more than full size.
        {6003, 4000, Kind::grey, 8, 1280, 720, u"C:\\a.stereo.jpg"},
        {6003, 4000, Kind::grey, 3, 1280, 720, u"C:\\a.jpg"},
        // Upright 2160 x 3840 fits 405 x 720, which is 720 x 405 as stored:
        // 3/8 (1440 x 810) is past 1.5 times that, 2/8 short of it.
        {3840, 2160, Kind::chroma422, 3, 1280, 720, nullptr, Orientation::clockwise},
        {3840, 2160, Kind::chroma422, 3, 1280, 720, nullptr, Orientation::transposed},
        {3840, 2160, Kind::chroma422, 4, 1280, 720, nullptr, Orientation::halfTurn},
        // Upright 3840 x 2160 fits 1280 x 720, 720 x 1280 as stored: 4/8 of
        // 2160 x 3840 is exactly 1.5 times that, of 2160 x 3838 a row short.
        {2160, 3840, Kind::chroma420, 4, 1280, 720, nullptr, Orientation::anticlockwise},
        {2160, 3838, Kind::chroma420, 8, 1280, 720, nullptr, Orientation::anticlockwise},
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
