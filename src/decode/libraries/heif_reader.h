// HEIF pictures (.heic, as phones write them) through libheif and libde265:
// the primary image with the transformations the file asks for (rotation,
// mirror, crop) applied, as 24-bit R,G,B. An alpha plane is dropped and
// deeper samples are reduced to 8 bits, as the imaging component's converter
// does for the same target.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/pixel_array_limit.h"

class Picture;

// Decodes the file held in data[0, size) into picture, which holds no image
// when the file is refused. imageWidth and imageHeight carry the primary
// image's size as soon as its header is accepted, before any pixel is
// decoded, and keep it when decoding fails later. Pictures (and grid tiles)
// of more than pixelLimit pixels are refused before anything is allocated
// for them, and so are files whose layout checkHeifLayout refuses; the fuzz
// target passes a smaller limit than the program's own. Decoding a grid
// ends between two tiles once the viewer is quitting.
// data must stay valid and unchanged during the call.
void parseHeifImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit = maxPicturePixels);

// Reads the whole file and decodes it as above; a file that cannot be read
// gives no image and leaves imageWidth and imageHeight alone.
void readHeifImage(const char16_t* path, Picture& picture);
