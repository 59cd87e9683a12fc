#include "decode/libraries/jpeg_scale.h"

#include "decode/common/fit_to_screen.h"
#include "picture/anaglyph.h"

namespace {

// The shrink left to the scaler, as a ratio: decoded side >= 2 x fitted
// side. Measured on detailed photo-like pictures in 4:4:4 at quality 95, a
// 4/8 decode shrunk by exactly 1.5 lay 1.4 levels from the full decode
// averaged down, by 1.6 about 1.0, by 2 under 0.3.
constexpr int64_t shrinkNumerator = 2;
constexpr int64_t shrinkDenominator = 1;

// Native decode times of photo-like 3840 x 2400 streams at quality 95 per
// kind, M = 1 to 8, in hundredths of M = 8 (bench/jpeg_scale_cost_bench.cpp),
// to the nearest 5. Each decode writes into fresh memory, as the viewer's
// bitmaps are, so a larger picture also pays the first touch of more pages.
// 1/8 decodes only the DC coefficients; 1/4 and 1/2 have SIMD IDCTs like
// the full size; 3/8 and 5/8 to 7/8 are plain C. A progressive stream pays
// the Huffman decoding of every scan whatever the scale; its row is the
// larger of the 4:2:0 and 4:4:4 figures.
constexpr int scaleCosts[][jpegFullScaleEighths] = {
    /* chroma420   */ {40, 50, 60, 50, 105, 110, 115, 100},
    /* chroma422   */ {35, 40, 45, 45, 60, 75, 95, 100},
    /* fullChroma  */ {50, 50, 65, 60, 85, 100, 125, 100},
    /* grey        */ {40, 45, 50, 40, 60, 70, 75, 100},
    /* progressive */ {80, 90, 90, 95, 100, 115, 120, 100},
};

// A pair splits at width / 2 of the full picture; its reduced picture splits
// at the same place only when width x eighths / 8 is an even whole number.
bool composesAlike(const StereoChoice& full, const StereoChoice& reduced, int32_t width, int eighths)
{
    if (full.layout != reduced.layout)
        return false;
    return full.layout == StereoLayout::singleView || int64_t{width} * eighths % 16 == 0;
}

bool leavesShrink(int64_t decodedSide, int64_t fittedSide)
{
    return decodedSide * shrinkDenominator >= fittedSide * shrinkNumerator;
}

}  // namespace

int32_t jpegScaledSide(int32_t side, int eighths)
{
    return static_cast<int32_t>((int64_t{side} * eighths + 7) / 8);
}

int jpegScaleCost(JpegStreamKind kind, int eighths)
{
    return scaleCosts[static_cast<int>(kind)][eighths - 1];
}

int chooseJpegScale(int32_t width, int32_t height, JpegStreamKind kind, int32_t screenWidth, int32_t screenHeight,
                    const char16_t* anaglyphPath, Orientation orientation)
{
    if (width <= 0 || height <= 0)
        return jpegFullScaleEighths;
    StereoChoice full{StereoLayout::singleView, 0};
    if (anaglyphPath)
        full = chooseStereoLayout(anaglyphPath, width);
    int32_t uprightWidth = composedWidth(full, width), uprightHeight = height;
    turnSides(orientation, uprightWidth, uprightHeight);
    FittedSize fitted = fittedSize(uprightWidth, uprightHeight, screenWidth, screenHeight);
    turnSides(orientation, fitted.width, fitted.height);  // the fitted size as stored
    int cheapest = jpegFullScaleEighths;
    for (int eighths = jpegFullScaleEighths - 1; eighths >= 1; --eighths) {
        if (jpegScaleCost(kind, eighths) > jpegScaleCost(kind, cheapest))
            continue;
        const int32_t decodedWidth = jpegScaledSide(width, eighths);
        StereoChoice reduced{StereoLayout::singleView, 0};
        if (anaglyphPath) {
            reduced = chooseStereoLayout(anaglyphPath, decodedWidth);
            if (!composesAlike(full, reduced, width, eighths))
                continue;
        }
        if (leavesShrink(composedWidth(reduced, decodedWidth), fitted.width) &&
            leavesShrink(jpegScaledSide(height, eighths), fitted.height))
            cheapest = eighths;
    }
    return cheapest;
}
