// The red-cyan view of an image that a platform decoder delivered as a bitmap:
// its pixels are read back into a Picture, composed, and made a bitmap again.
#pragma once

#include <windows.h>

// Reads decoded (imageWidth x imageHeight) back, composes the anaglyph for
// path and returns the composed bitmap, owned by the caller, with imageWidth
// set to its width; null, with nothing changed, when any step fails.
HBITMAP composeScreenAnaglyph(HBITMAP decoded, const char16_t* path);
