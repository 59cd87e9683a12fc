// JPEG XR pictures (.jxr) through jxrlib: the first frame as 32-bit T,R,G,B
// (24-bit R,G,B when no pixel is transparent), converted to 8 bits as the
// imaging component's converter does: 8-bit samples as they are, 16-bit
// integer samples by their rounded high byte, half and single floating-point
// samples (linear scRGB light) to sRGB, clamped. Other pixel formats (packed
// 5/6/10-bit, RGBE, fixed point, CMYK, n-channel, YCC, black and white) are
// refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/pixel_array_limit.h"

class Picture;

// Decodes the file held in data[0, size) into picture, which holds no image
// when the file is refused. imageWidth and imageHeight carry the frame's size
// as soon as its header is accepted, before any pixel is decoded, and keep it
// when decoding fails later. Frames of more than pixelLimit pixels are
// refused before anything is allocated for them.
void parseJxrImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit = maxPicturePixels);

// Reads the whole file and decodes it as above; a file that cannot be read
// gives no image and leaves imageWidth and imageHeight alone.
void readJxrImage(const char16_t* path, Picture& picture);
