// JPEG files decoded in the viewer with libjpeg-turbo, at the smallest DCT
// scale that still gives the screen full quality.
#pragma once

#include <windows.h>

// A 32-bit DIB section of the picture at the scale chooseJpegScale picks for
// this screen (and the anaglyph view when it is on), its pixels as stored,
// with imageWidth and imageHeight set to the full size from the header and
// imageOrientation from the Exif segment. Null, with nothing
// published, for every file this path does not take or cannot decode; those
// go to GDI+ as before.
HBITMAP decodeJpegFile(const char16_t* path);
