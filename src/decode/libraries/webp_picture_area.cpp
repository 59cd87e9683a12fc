#include "decode/libraries/webp_picture_area.h"

WebpPictureArea webpPictureArea(uint32_t canvasWidth, uint32_t canvasHeight, const WebpRectangle& frame,
                                size_t fileBytes, uint64_t maxPixels)
{
    // Each factor is at most 2^24, each product below 2^64.
    const uint64_t canvasPixels = uint64_t{canvasWidth} * canvasHeight;
    const uint64_t framePixels = uint64_t{frame.width} * frame.height;
    const bool accountedFor = canvasPixels <= framePixels * canvasPixelsPerFramePixel ||
                              canvasPixels / canvasPixelsPerFileByte <= fileBytes;
    if (accountedFor && canvasPixels <= maxPixels)
        return WebpPictureArea{canvasWidth, canvasHeight, frame.x, frame.y};
    return WebpPictureArea{frame.width, frame.height, 0, 0};
}
