// The fewest bytes a Huffman-coded JPEG stream can hold for its picture:
// every block of every component costs at least one bit (its DC code), so a
// file describes at most 8 blocks of its largest component per byte. Used
// by the header check in front of GDI+ and by the libjpeg-turbo path, so
// that both refuse the same lying frame headers. Arithmetic coding can spend
// less than a bit on a block; the rule does not hold for it.
#pragma once

#include <cstdint>

#include "picture/pixel_array_limit.h"

constexpr uint64_t jpegBlocksPerStreamByte = 8;

// The 8 x 8 blocks of one component across or down a picture side, as
// libjpeg counts them: ceil(side x factor / (largest factor x 8)). Factors
// are 1 to 4.
constexpr uint64_t jpegComponentBlocks(uint32_t side, uint32_t factor, uint32_t largestFactor)
{
    return (uint64_t{side} * factor + uint64_t{largestFactor} * 8 - 1) / (uint64_t{largestFactor} * 8);
}

constexpr uint64_t minimumJpegStreamBytes(uint64_t largestComponentBlocks)
{
    return minimumStreamBytes(largestComponentBlocks, jpegBlocksPerStreamByte);
}
