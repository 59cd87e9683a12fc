// The first frame of a WebP file, decoded with libwebp into a Picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/pixel_array_limit.h"
#include "picture/picture.h"

enum class WebpFrameResult {
    decoded,
    notWebp,      // neither a RIFF/WEBP file nor a bare VP8/VP8L stream
    corrupt,      // truncated, a bad chunk, a frame outside the canvas, bad image data
    tooLarge,     // canvas above the pixel limit
    outOfMemory,
};

// Every canvas up to this many pixels fits a 32-bit picture within the
// largest pixel array a reader allocates.
constexpr uint64_t webpCanvasPixelLimit = maxPixelArrayBytes / 4;

// Decodes the first frame as an animation player shows it: the canvas, with
// the frame at its offset on transparent black. Pictures with every pixel
// opaque become 24 bits R,G,B, others 32 bits T,R,G,B (T = 255 - alpha).
// The canvas size is checked against maxCanvasPixels before any pixel array
// is allocated. On failure picture is left empty.
WebpFrameResult decodeFirstWebpFrame(const uint8_t* data, size_t size, uint64_t maxCanvasPixels,
                                     Picture& picture);
