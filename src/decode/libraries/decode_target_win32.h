// The DIB section a library decodes into directly: the display bitmap's own
// memory, with no copy between the decoder and the screen.
#pragma once

#include <windows.h>

#include "decode/libraries/jpeg_memory_decode.h"

// A 32-bit bottom-up DIB section of width x height; rows describes it top
// row first (rows.eighths is left to the caller). Null when it cannot be made.
HBITMAP createDecodeTarget(int32_t width, int32_t height, JpegRows& rows);
