// A decoded bitmap's pixels as 32-bit B, G, R, x rows at the bitmap's own
// size, for the scaler to read.
#pragma once

#include <windows.h>

#include "picture/area_scale.h"
#include "picture/picture.h"

// A 32-bit DIB section is read in place; any other bitmap (palette depths,
// 24 bits, device bitmaps) is copied to 32 bits by GetDIBits into copy.
// False when the bitmap cannot be read; the bitmap must not be selected into
// a context.
bool readBitmapRows(HBITMAP bitmap, ConstPixelRows& rows, ByteArray& copy);
