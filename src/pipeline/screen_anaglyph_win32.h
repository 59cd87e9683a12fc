// The red-cyan view of an image that a platform decoder delivered as a bitmap:
// its pixels are read back into a Picture, composed, and made a bitmap again.
#pragma once

#include <windows.h>

// Reads decoded back at its own size (a reduced decode of an imageWidth x
// imageHeight picture, or all of it), composes the anaglyph for path and
// returns the composed bitmap, owned by the caller, with imageWidth set to the
// composed width of the full picture (imageWidth / 2 for a pair, imageWidth -
// 2 x shift for a single view); null, with nothing changed, when any step
// fails.
HBITMAP composeScreenAnaglyph(HBITMAP decoded, const char16_t* path);
