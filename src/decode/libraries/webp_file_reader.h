// The viewer's own WebP decoding: the file read whole, its first frame
// decoded with libwebp.
#pragma once

#include "picture/picture.h"

// The first frame of the WebP file at path (UTF-16) as decodeFirstWebpFrame
// gives it, within maxPicturePixels; empty when the file cannot be read or
// libwebp refuses it.
Picture readWebpFile(const char16_t* path);
