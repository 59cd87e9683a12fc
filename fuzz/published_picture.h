// The promises a fuzz target checks of a reader that publishes the picture's
// size in imageWidth and imageHeight; a broken one stops the fuzzer as a
// crash does.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "picture/picture.h"
#include "state/decode_results.h"

inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The published size stays within pixelLimit; a refused file leaves no
// pixels behind; a picture is at the published size, 32-bit only when some
// pixel is transparent and 24-bit otherwise.
inline void requirePublishedPicture(const Picture& picture, uint64_t pixelLimit)
{
    require(uint64_t(imageWidth) * uint64_t(imageHeight) <= pixelLimit);
    if (!picture.holdsImage()) {
        require(picture.bitsPerPixel == 0);
        return;
    }
    require(picture.width == imageWidth && picture.height == imageHeight);
    require(picture.bitsPerPixel == 24 || (picture.bitsPerPixel == 32 && picture.hasTransparency()));
}
