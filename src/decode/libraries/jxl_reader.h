// JPEG XL pictures (.jxl) through libjxl: the first frame (an animation's
// first shown frame), turned upright by the codestream's orientation, as
// 8-bit samples: XYB-coded pictures converted to sRGB, others in their own
// colour space as the file stores them. Pictures with alpha come out as
// 32-bit T,R,G,B (24-bit R,G,B when no pixel is transparent), the others as
// 24-bit R,G,B.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/pixel_array_limit.h"

class Picture;

// Decodes the file held in data[0, size) into picture, which holds no image
// when the file is refused. imageWidth and imageHeight carry the upright
// size as soon as the basic information is accepted, before any pixel
// buffer exists, and keep it when decoding fails later. Pictures and frame
// layers of more than pixelLimit pixels are refused before anything is
// allocated for them. workerThreads: 0 for one per processor core, 1 to
// decode on the calling thread alone. The decode gives up, with no picture,
// once quitRequested is raised. data must stay valid and unchanged during
// the call.
void parseJxlImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit = maxPicturePixels,
                   unsigned workerThreads = 0);

// Reads the whole file and decodes it as above; a file that cannot be read
// gives no image and leaves imageWidth and imageHeight alone.
void readJxlImage(const char16_t* path, Picture& picture);
