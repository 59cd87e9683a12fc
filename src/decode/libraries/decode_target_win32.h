// The DIB section a library decodes into directly: the display bitmap's own
// memory, with no copy between the decoder and the screen.
#pragma once

#include <windows.h>

#include "decode/libraries/jpeg_memory_decode.h"

// A 32-bit bottom-up DIB section of width x height; rows describes it top
// row first (rows.eighths is left to the caller). Null when it cannot be made.
// The spare bitmap is taken when it has this size; its old pixels remain
// until the decoder writes every row.
HBITMAP createDecodeTarget(int32_t width, int32_t height, JpegRows& rows);

// Takes a decoded picture's bitmap whose screen has been drawn. It becomes
// the spare when it is the one createDecodeTarget made or took last and
// holds at most maxSpareTargetBytes, and any earlier spare is deleted; any
// other bitmap is deleted.
void recycleDecodeTarget(HBITMAP bitmap);
// Deletes the spare, if any.
void releaseSpareDecodeTarget();

// A fresh DIB's pages are faulted in and zeroed as the decoder first writes
// them: 13 ms of a 37 MB picture's decode under Wine. Photos from one camera
// share one size, so the next decode usually fits the last one's memory.
// Beyond this size the idle memory is not worth it.
constexpr uint64_t maxSpareTargetBytes = uint64_t{128} << 20;
