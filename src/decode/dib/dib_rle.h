// Run-length encoded DIB pixels (BI_RLE8, BI_RLE4) to one index byte per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes the stream data[0, size) into pixels: width x height index bytes,
// zeroed beforehand by the caller, rows top first (the stream's first row is
// the bottom one unless topDown). As in Windows,
// nothing crosses a row end: pixels of a run, absolute run or delta that
// reach past it are dropped until the next end of line. An end of line moves
// to the start of the next row unless the position is at the start of a row
// already. Decoding ends at the end-of-bitmap code, below the last row, or
// when the stream runs out.
void decodeRle8(const uint8_t* data, size_t size, uint32_t width, uint32_t height, bool topDown,
                uint8_t* pixels);
void decodeRle4(const uint8_t* data, size_t size, uint32_t width, uint32_t height, bool topDown,
                uint8_t* pixels);
