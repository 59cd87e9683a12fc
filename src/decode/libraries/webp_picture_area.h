// Where the first frame of a WebP file is shown: on the animation canvas, or
// on its own. A canvas is only a few header bytes, so a tiny file can declare
// 2^24 x 2^24 of it; the canvas outside the first frame is transparent black
// and costs four bytes a pixel to hold without adding anything the file
// describes. So the canvas is taken only when the first frame or the file's
// own size can account for it.
#pragma once

#include <cstddef>
#include <cstdint>

// A genuine animation whose first frame is smaller than its canvas keeps its
// canvas while the canvas is at most this many times the frame...
constexpr uint64_t canvasPixelsPerFramePixel = 4;
// ...or at most this many pixels per byte of the file: the frames that paint
// the rest of a genuine canvas take bytes (a 1 KB file may claim a 1024 x
// 1024 canvas, 4 KB of pixel memory per file byte).
constexpr uint64_t canvasPixelsPerFileByte = 1024;

struct WebpRectangle {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The picture's size and the first frame's place in it.
struct WebpPictureArea {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t frameX = 0;
    uint32_t frameY = 0;
};

// The canvas with the frame at its offset; or, when the canvas is not
// accounted for (rule above) or exceeds maxPixels, the frame alone at 0,0.
// The frame lies inside the canvas (the demuxer checks it).
WebpPictureArea webpPictureArea(uint32_t canvasWidth, uint32_t canvasHeight, const WebpRectangle& frame,
                                size_t fileBytes, uint64_t maxPixels);
