// Decoding through the Windows Imaging Component: HEIC, WebP and JPEG XR.
#pragma once

#include "picture/picture.h"

enum class WicTarget {
    rgb24,   // 24bppRGB: the Picture's own R,G,B rows
    bgra32,  // 32bppBGRA: rewritten as T,R,G,B, 24 bits when opaque
};

// The first frame of the file, converted to target. imageWidth and
// imageHeight are set as soon as the frame reports its size, so they keep it
// when a later step fails; imageOrientation is the frame's own (pixels are
// never turned here). Empty when any step fails, the frame has no pixel,
// or its pixels would take more than maxPixelArrayBytes.
Picture decodeWithWic(const char16_t* path, WicTarget target);
