// The first frame of a WebP file, decoded with libwebp into a Picture: by the
// viewer when the imaging component has no WebP decoder, and by the
// converter program.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/picture.h"

enum class WebpFrameResult {
    decoded,
    notWebp,      // neither a RIFF/WEBP file nor a bare VP8/VP8L stream
    corrupt,      // truncated, a bad chunk, a frame outside the canvas, bad image data
    tooLarge,     // the picture would exceed maxPixels
    outOfMemory,
};

// Decodes the first frame as an animation player shows it: on the canvas,
// at its offset on transparent black, when webpPictureArea grants the
// canvas; else the frame alone. Pictures with every pixel opaque become 24
// bits R,G,B, others 32 bits T,R,G,B (T = 255 - alpha). The picture's size is
// checked against maxPixels before any pixel array is allocated. On failure
// picture is left empty.
WebpFrameResult decodeFirstWebpFrame(const uint8_t* data, size_t size, uint64_t maxPixels, Picture& picture);
