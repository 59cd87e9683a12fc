// How much pixel memory a reader may claim for one picture. A header of a few
// bytes can ask for gigabytes (an 18-byte TGA header for 65535 x 65535 x 4 =
// 17 GB), so two rules hold before anything is allocated:
// - the array stays below maxPixelArrayBytes; larger ones are refused as if
//   the allocation had failed. Below 2^31 bytes, sizes and offsets live in
//   size_t and in the Picture's signed 32-bit fields on any platform;
// - the bytes the reader holds must be able to describe that many pixels at
//   the format's best ratio (minimumStreamBytes), so a file cut short claims
//   at most that ratio times its own size.
#pragma once

#include <cstdint>

constexpr uint64_t maxPixelArrayBytes = 0x7FFFFFFF;

// The largest picture the program takes from any decoder, its own or a
// library's: 2^28 pixels (16384 x 16384). A header declaring more is treated
// as undecodable before any decoder allocates for it.
constexpr uint64_t maxPicturePixels = uint64_t(1) << 28;

// Fewest stream bytes that can describe pixelCount pixels when every unit of
// unitBytes bytes carries at most unitPixels of them.
constexpr uint64_t minimumStreamBytes(uint64_t pixelCount, uint64_t unitPixels, uint64_t unitBytes = 1)
{
    return (pixelCount + unitPixels - 1) / unitPixels * unitBytes;
}
