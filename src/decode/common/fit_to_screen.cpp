#include "decode/common/fit_to_screen.h"

#include <algorithm>

#include "state/decode_results.h"

FittedSize fittedSize(int32_t imageWidth, int32_t imageHeight, int32_t screenWidth, int32_t screenHeight)
{
    int64_t width = screenWidth;
    int64_t height = int64_t{screenWidth} * imageHeight / imageWidth;
    if (imageWidth < screenWidth) {
        width = imageWidth;
        height = imageHeight;
    }
    if (height > screenHeight) {
        height = screenHeight;
        width = int64_t{screenHeight} * imageWidth / imageHeight;
    }
    // A sliver that truncates to no pixel at all keeps one, so that it is
    // still shown (as a line) rather than leaving the screen black.
    width = std::max<int64_t>(width, 1);
    height = std::max<int64_t>(height, 1);
    // Both are now at most the larger of the image's and the screen's sides.
    return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

void fitToScreen(int32_t screenWidth, int32_t screenHeight)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return;
    const FittedSize fitted = fittedSize(imageWidth, imageHeight, screenWidth, screenHeight);
    scaledWidth = fitted.width;
    scaledHeight = fitted.height;
}
