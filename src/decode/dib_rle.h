// Run-length encoded DIB pixels (BI_RLE8, BI_RLE4) to one index byte per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes the stream data[0, size) into pixels, width x rows index bytes laid
// out in the stored row order and zeroed beforehand by the caller. The write
// position runs on across row ends; nothing is written at or past
// pixelCount. Decoding ends at the end-of-bitmap code, when the position
// passes the end, or when the stream runs out.
void decodeRle8(const uint8_t* data, size_t size, uint32_t width, uint64_t pixelCount,
                uint8_t* pixels);
void decodeRle4(const uint8_t* data, size_t size, uint32_t width, uint64_t pixelCount,
                uint8_t* pixels);
