// HEIF pictures through libheif: .heic (HEVC, libde265) as phones write it
// and .avif (AV1, dav1d). The primary image with the transformations the
// file asks for (rotation, mirror, crop) applied, as 24-bit R,G,B; deeper
// samples are reduced to 8 bits, as the imaging component's converter does
// for the same target. An alpha plane is dropped, or kept as 32-bit T,R,G,B
// (T = 255 - A) when the caller asks for it and some pixel is transparent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/pixel_array_limit.h"

class Picture;

enum class HeifAlpha { dropped, kept };

// The threads a grid's tiles are decoded on: one per core, at most eight.
int heifTileThreads();

// Decodes the file held in data[0, size) into picture, which holds no image
// when the file is refused. imageWidth and imageHeight carry the primary
// image's size as soon as its header is accepted, before any pixel is
// decoded, and keep it when decoding fails later. Pictures (and grid tiles)
// of more than pixelLimit pixels are refused before anything is allocated
// for them, and so are files whose layout checkHeifLayout refuses; the fuzz
// target passes a smaller limit than the program's own. Decoding a grid
// ends between two tiles once the viewer is quitting. With alpha kept, a
// picture whose alpha plane cannot be decoded is shown without it.
// data must stay valid and unchanged during the call.
// Grid tiles are decoded on tileThreads threads at once (1: one after
// another on the calling thread).
void parseHeifImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit = maxPicturePixels,
                    HeifAlpha alpha = HeifAlpha::dropped, int tileThreads = heifTileThreads());

// Reads the whole file and decodes it as above; a file that cannot be read
// gives no image and leaves imageWidth and imageHeight alone.
void readHeifImage(const char16_t* path, Picture& picture, HeifAlpha alpha = HeifAlpha::dropped);
