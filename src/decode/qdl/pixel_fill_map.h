// The set of pixels that an out-of-order QDL stream (colour groups) has
// filled so far, with a fast search for the next unfilled pixel.
//
// Level 0 holds one bit per pixel; each higher level holds one bit per word
// of the level below, set when that word is full. A search that meets a long
// filled stretch climbs the levels and steps over 64, 4096, ... pixels at a
// time, so a stream that makes the decoder pass the same filled stretch
// again and again costs a few word reads per pass, not the stretch's length.
// Bits past the last pixel are kept set, so they are never found.
#pragma once

#include <cstdint>
#include <memory>

struct PixelFillMap {
    std::unique_ptr<uint64_t[]> words;
    uint64_t count = 0;          // pixels
    int levels = 0;
    uint64_t levelStart[8] = {}; // first word of each level in words
    uint64_t levelWords[8] = {};
};

// Makes an empty map for count pixels; false when it cannot be allocated.
bool createFillMap(PixelFillMap& map, uint64_t count);

void markFilledAbove(PixelFillMap& map, uint64_t fullWord);
uint64_t nextUnfilledAbove(const PixelFillMap& map, uint64_t word);

inline void markFilled(PixelFillMap& map, uint64_t pixel)
{
    uint64_t& word = map.words[pixel >> 6];
    word |= uint64_t{1} << (pixel & 63);
    if (word == ~uint64_t{0})
        markFilledAbove(map, pixel >> 6);
}

// The first unfilled pixel at or after pixel, or map.count when there is none.
inline uint64_t nextUnfilled(const PixelFillMap& map, uint64_t pixel)
{
    if (pixel >= map.count)
        return map.count;
    const uint64_t free = ~map.words[pixel >> 6] & (~uint64_t{0} << (pixel & 63));
    if (free != 0)
        return (pixel & ~uint64_t{63}) + static_cast<uint64_t>(__builtin_ctzll(free));
    return nextUnfilledAbove(map, (pixel >> 6) + 1);
}

// The n-th (n >= 1) unfilled pixel after pixel, or map.count when there are
// fewer.
uint64_t nthUnfilledAfter(const PixelFillMap& map, uint64_t pixel, uint64_t n);

// The first filled pixel in [pixel, end), or end: the stretch of unfilled
// pixels that starts at pixel.
uint64_t unfilledStretchEnd(const PixelFillMap& map, uint64_t pixel, uint64_t end);

// Marks every pixel in [first, end) filled.
void markFilledRange(PixelFillMap& map, uint64_t first, uint64_t end);

// Number of unfilled pixels in [first, end); stops counting as soon as it
// exceeds limit, so the result is exact only up to limit.
uint64_t countUnfilled(const PixelFillMap& map, uint64_t first, uint64_t end, uint64_t limit);
