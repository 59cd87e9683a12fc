// The size at which a decoded image is shown: never enlarged, fitted first to
// the screen's width and then, when still too tall, to its height.
#pragma once

#include <cstdint>

struct FittedSize {
    int32_t width;
    int32_t height;
};

// For positive image sizes. Truncating division; the products are formed in
// 64 bits, so no image size can overflow them. A side that truncates to 0
// becomes 1.
FittedSize fittedSize(int32_t imageWidth, int32_t imageHeight, int32_t screenWidth, int32_t screenHeight);

// Sets scaledWidth and scaledHeight from imageWidth and imageHeight when both
// are above 0; otherwise leaves them as they are.
void fitToScreen(int32_t screenWidth, int32_t screenHeight);
