// Loading qdlconv's INPUT: a BMP, QDL or TGA file into a Picture, refused
// before decoding when its header declares more than maxPixels pixels.
#pragma once

#include <cstdint>
#include <string>

#include "picture/picture.h"

bool loadPicture(const std::string& path, uint64_t maxPixels, Picture& picture, std::string& error);
