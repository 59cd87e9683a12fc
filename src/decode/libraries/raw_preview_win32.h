// Camera RAW files shown through their largest embedded preview.
#pragma once

#include <windows.h>

// A 32-bit DIB section of the preview, upright, at the DCT scale
// chooseJpegScale picks for this screen when the preview is a JPEG; a
// bitmap preview at its own size. imageWidth and imageHeight are the
// preview's upright full size. Null, with nothing published, when the file
// holds no preview that can be shown.
HBITMAP decodeRawPreviewFile(const char16_t* path);
