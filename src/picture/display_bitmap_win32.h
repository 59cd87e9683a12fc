// Turning a Picture into a DIB section the screen preparation can draw from.
#pragma once

#include <windows.h>

#include <cstdint>

#include "picture/picture.h"

// A DIB section holding the picture's packed DIB (see Picture::toPackedDib),
// owned by the caller and released with DeleteObject; null when the picture
// cannot be converted or the section cannot be made. background is
// 0x00BBGGRR.
HBITMAP toDisplayBitmap(const Picture& picture, uint32_t background, bool premultiply);
