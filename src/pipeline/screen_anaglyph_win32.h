// The red-cyan view of an image that a platform decoder delivered as a bitmap:
// its pixels are read back into a Picture, composed, and made a bitmap again.
#pragma once

#include <windows.h>

// Reads decoded back at its own size (a reduced decode of an imageWidth x
// imageHeight picture, or all of it), composes the anaglyph for path and
// returns the composed bitmap, owned by the caller, with imageWidth and
// imageHeight set to the composed size of the full picture, upright: the
// stored width becomes width / 2 for a pair, width - 2 x shift for a single
// view, and a picture stored turned a quarter narrows in its upright height;
// the pair is taken side by side as stored. Null, with nothing changed, when any step
// fails.
HBITMAP composeScreenAnaglyph(HBITMAP decoded, const char16_t* path);
