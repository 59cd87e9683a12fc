// Writing qdlconv's OUTPUT as a BMP file that any image program opens.
#pragma once

#include <string>

#include "picture/picture.h"

// A BMP file is the packed DIB behind a 14-byte file header: "BM", the file
// size, two reserved words of 0 and the offset of the pixel rows. The DIB
// has a black background and no premultiplied alpha, so transparent parts
// are blended onto black and every program shows the same colours.
bool writeBmpFile(const Picture& picture, const std::string& path, std::string& error);
