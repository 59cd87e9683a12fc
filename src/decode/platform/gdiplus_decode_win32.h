// Decoding through the GDI+ flat interface: every format the viewer does not
// read itself or through the imaging component.
#pragma once

#include <windows.h>

// A bitmap of the file's full size flattened onto opaque black, colour-managed
// from the file's embedded profile when useIcm is set; sets imageWidth and
// imageHeight from it (the size as stored) and imageOrientation from the
// file's EXIF tag. Null, with the sizes untouched, when GDI+ cannot open
// or decode the file. GDI+ must be running.
HBITMAP decodeWithGdiplus(const char16_t* path, bool useIcm);
