// A decoded bitmap's pixels as rows the scaler reads, at the bitmap's own
// size.
#pragma once

#include <windows.h>

#include <cstdint>

#include "picture/area_scale.h"
#include "picture/picture.h"

struct BitmapRows {
    ConstPixelRows rows{};
    uint32_t colours[256] = {};  // the colour table of an indexed section
    ByteArray copy;              // 32-bit pixels when the bitmap is not read in place
};

// A DIB section of 32, 24, 8 or 1 bits is read in place; any other bitmap
// is copied to 32 bits by GetDIBits. False when the bitmap cannot be read.
// The bitmap must not be selected into a context.
bool readBitmapRows(HBITMAP bitmap, BitmapRows& out);
