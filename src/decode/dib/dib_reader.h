// Packed device-independent bitmap (a BITMAPINFOHEADER, its colour table or
// bit-field masks, then the pixel rows) to Picture. The window thread's
// display bitmaps come back this way for the anaglyph view; the other
// standard depths and compressions are accepted too.
#pragma once

#include <cstddef>
#include <cstdint>

class Picture;

constexpr int dibConverted = 0;
constexpr int dibNegativeWidth = 1;
// Unsupported depth or compression, a block too short for its header, table
// or rows, or a failed allocation outside the 24- and 32-bit paths. The
// picture is cleared.
constexpr int dibNoPixels = 5;
// The pixel array of a 24- or 32-bit picture could not be allocated (or is
// larger than maxPixelArrayBytes): the picture has its size and depth but no
// pixels.
constexpr int dibOutOfMemory = 100;

// Picture depths: 1 and 8 bits keep theirs, 4 bits widen to 8, 16 bits
// (BI_BITFIELDS only) widen to 24, 24 and 32 bits stay; 32-bit pixels become
// T,R,G,B with T = 255 - the fourth stored byte. Never reads outside
// dib[0, size). A run-length stream that ends early keeps what it decoded.
int pictureFromDib(const uint8_t* dib, size_t size, Picture& picture);
