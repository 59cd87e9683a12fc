// Largest pixel array a reader allocates for one picture. A header of a few
// bytes can ask for gigabytes (an 18-byte TGA header for 65535 x 65535 x 4 =
// 17 GB); larger arrays are refused as if the allocation had failed. Keeping
// every array below 2^31 bytes also lets sizes and offsets live in size_t and
// in the Picture's signed 32-bit fields on any platform.
#pragma once

#include <cstdint>

constexpr uint64_t maxPixelArrayBytes = 0x7FFFFFFF;
