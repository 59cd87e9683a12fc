#include "decode/libraries/jpeg_scale.h"

#include "decode/common/fit_to_screen.h"
#include "picture/anaglyph.h"

namespace {

// The shrink left to the scaler, as a ratio: decoded side >= 2 x fitted side.
constexpr int64_t shrinkNumerator = 2;
constexpr int64_t shrinkDenominator = 1;

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

int chooseJpegScale(int32_t width, int32_t height, int32_t screenWidth, int32_t screenHeight,
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
    for (int eighths = 1; eighths < jpegFullScaleEighths; ++eighths) {
        const int32_t decodedWidth = jpegScaledSide(width, eighths);
        StereoChoice reduced{StereoLayout::singleView, 0};
        if (anaglyphPath) {
            reduced = chooseStereoLayout(anaglyphPath, decodedWidth);
            if (!composesAlike(full, reduced, width, eighths))
                continue;
        }
        if (leavesShrink(composedWidth(reduced, decodedWidth), fitted.width) &&
            leavesShrink(jpegScaledSide(height, eighths), fitted.height))
            return eighths;
    }
    return jpegFullScaleEighths;
}
