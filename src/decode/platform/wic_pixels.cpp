#include "decode/platform/wic_pixels.h"

#include <utility>

#include "decode/common/pixel_swizzle.h"

void convertBgraToPicture(uint8_t* pixels, size_t pixelCount)
{
    // Each word is read before the same bytes are written, so the rows can
    // be converted in place.
    bgraToTrgb(pixels, pixels, pixelCount);
}

Picture pictureFromWicPixels(ByteArray block, int32_t width, int32_t height, int bytesPerPixel)
{
    Picture picture;
    if (!block || width <= 0 || height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4))
        return picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = bytesPerPixel * 8;
    picture.pixels = std::move(block);
    if (bytesPerPixel == 4) {
        convertBgraToPicture(picture.pixels.get(), static_cast<size_t>(width) * static_cast<size_t>(height));
        // Opaque pictures go to the screen with a quarter less memory.
        if (!picture.hasTransparency())
            picture.convert32To24();
    }
    return picture;
}
