// Pixel blocks copied out of the imaging component, turned into Pictures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/picture.h"

// Rewrites each 4-byte pixel B,G,R,A in place as T,R,G,B with T = 255 - A.
void convertBgraToPicture(uint8_t* pixels, size_t pixelCount);

// A picture owning block, which holds width x height pixels of bytesPerPixel
// bytes: 3 for R,G,B rows, taken as they stand; 4 for B,G,R,A rows, rewritten
// as T,R,G,B and reduced to 24 bits when no pixel is transparent. Empty when
// there is no block or no pixel.
Picture pictureFromWicPixels(ByteArray block, int32_t width, int32_t height, int bytesPerPixel);
