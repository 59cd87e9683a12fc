// JPEG files decoded in the viewer with libjpeg-turbo, at the smallest DCT
// scale that still gives the screen full quality.
#pragma once

#include <windows.h>

#include "decode/libraries/jpeg_memory_decode.h"

// Decodes the file into bitmap: a 32-bit DIB section of the picture at the
// scale chooseJpegScale picks for this screen (and the anaglyph view when it
// is on), its pixels as stored, with imageWidth and imageHeight set to the
// full size from the header and imageOrientation from the Exif segment.
// Otherwise bitmap is null and the result says why; every refusal whose
// frame header was read publishes the size it declares, so that the
// information lines say why the screen is black. Only a result that
// passesToPlatformDecoder publishes nothing.
JpegDecodeResult decodeJpegFile(const char16_t* path, HBITMAP& bitmap);
