// Bringing a Picture to the depth and palette of a QDL pixel type.
#pragma once

#include <string>

#include "picture/picture.h"

// Brings picture to the depth and palette state of the pixel type with the
// Picture's own conversions; a reduction to fewer bits is refused.
bool convertToPixelType(Picture& picture, int pixelType, std::string& error);
