// The EXIF orientation of a picture (tag 0x0112 of the first image file
// directory): how the stored pixels must be turned to stand upright. Read
// from a JPEG's first APP1 "Exif" segment before its first scan, a TIFF's
// first directory, a PNG's eXIf chunk before its first IDAT, and the EXIF
// chunk of an extended (VP8X) WebP.
//
// The value is a hint, never an error: anything missing, unreadable or out of
// range (0, 9 and above, a wrong type or count, an offset past the bytes
// held) counts as upright. Only the first directory is read and its chain is
// never followed, so a directory that points back at itself costs nothing.
#pragma once

#include <cstdint>

#include "decode/headers/header_source.h"
#include "picture/orientation_turn.h"

// By the file's signature; upright for any other format.
Orientation readExifOrientation(HeaderSource& source);

// The same for a file read through a header window; upright when it cannot
// be opened.
Orientation readFileOrientation(const char16_t* path);

