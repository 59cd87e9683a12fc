// Decoding any listed file into a display bitmap, by its extension: the own
// readers for QDL and TGA, the imaging component for HEIC, WebP and JPEG XR
// (with the external converter as a second chance for WebP), GDI+ for the
// rest.
#pragma once

#include <windows.h>

// Sets imageWidth and imageHeight (0 when nothing was decoded; the upright
// size), imageOrientation (how the returned bitmap, as stored, is to be
// turned), scaledWidth and scaledHeight (when a size is known, upright) and
// skipEmbeddedProfile; reads
// anaglyphView, colorManagement, forceGdiplusIcm and editorCommand. The caller
// owns the returned bitmap; null when the file could not be decoded. GDI+
// must be running.
HBITMAP decodeImageFile(const char16_t* path);
