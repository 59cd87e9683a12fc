// A copy of a HEIF file in which no picture is another's auxiliary picture
// (alpha plane, depth map, gain map): each 'auxl' reference box gets a type
// that decoders do not know, so they decode the main picture alone. Used
// when alpha is not wanted, and when a broken alpha plane would otherwise
// make the whole picture fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/headers/heif_layout.h"

// Empty when the file has no auxiliary reference.
std::vector<uint8_t> withoutAuxiliaryPictures(const uint8_t* data, size_t size, const HeifLayout& layout);
