#include "decode/qdl/pixel_fill_map.h"

#include <new>

namespace {

constexpr uint64_t allSet = ~uint64_t{0};

uint64_t wordsFor(uint64_t bits)
{
    return bits == 0 ? 1 : (bits + 63) / 64;
}

}  // namespace

bool createFillMap(PixelFillMap& map, uint64_t count)
{
    map.count = count;
    map.levels = 0;
    uint64_t total = 0;
    uint64_t bits = count;
    for (;;) {
        const uint64_t words = wordsFor(bits);
        map.levelStart[map.levels] = total;
        map.levelWords[map.levels] = words;
        ++map.levels;
        total += words;
        if (words == 1)
            break;
        bits = words;
    }
    map.words.reset(new (std::nothrow) uint64_t[total]);
    if (!map.words)
        return false;

    bits = count;
    for (int level = 0; level < map.levels; ++level) {
        uint64_t* words = map.words.get() + map.levelStart[level];
        const uint64_t wordCount = map.levelWords[level];
        for (uint64_t i = 0; i < wordCount; ++i)
            words[i] = 0;
        if (bits % 64 != 0 || bits == 0)
            words[wordCount - 1] = allSet << (bits % 64);
        bits = wordCount;
    }
    return true;
}

void markFilledAbove(PixelFillMap& map, uint64_t fullWord)
{
    uint64_t index = fullWord;
    for (int level = 1; level < map.levels; ++level) {
        uint64_t& word = map.words[map.levelStart[level] + (index >> 6)];
        word |= uint64_t{1} << (index & 63);
        if (word != allSet)
            return;
        index >>= 6;
    }
}

uint64_t nextUnfilledAbove(const PixelFillMap& map, uint64_t word)
{
    // index is a word number of the level below the one searched.
    uint64_t index = word;
    for (int level = 1; level < map.levels; ++level) {
        if (index >= map.levelWords[level - 1])
            return map.count;
        const uint64_t* words = map.words.get() + map.levelStart[level];
        const uint64_t free = ~words[index >> 6] & (allSet << (index & 63));
        if (free != 0) {
            index = (index & ~uint64_t{63}) + static_cast<uint64_t>(__builtin_ctzll(free));
            for (int below = level - 1; below >= 0; --below) {
                const uint64_t* lower = map.words.get() + map.levelStart[below];
                index = index * 64 + static_cast<uint64_t>(__builtin_ctzll(~lower[index]));
            }
            return index;
        }
        index = (index >> 6) + 1;
    }
    return map.count;
}

uint64_t nthUnfilledAfter(const PixelFillMap& map, uint64_t pixel, uint64_t n)
{
    // Whole words are counted with popcount; bits past the last pixel are
    // set, so every free bit is a real pixel.
    uint64_t from = pixel + 1;
    for (;;) {
        from = nextUnfilled(map, from);
        if (from >= map.count)
            return map.count;
        uint64_t free = ~map.words[from >> 6] & (allSet << (from & 63));
        const uint64_t inWord = static_cast<uint64_t>(__builtin_popcountll(free));
        if (inWord >= n) {
            while (--n > 0)
                free &= free - 1;
            return (from & ~uint64_t{63}) + static_cast<uint64_t>(__builtin_ctzll(free));
        }
        n -= inWord;
        from = (from | 63) + 1;
    }
}

uint64_t unfilledStretchEnd(const PixelFillMap& map, uint64_t pixel, uint64_t end)
{
    while (pixel < end) {
        const uint64_t filled = map.words[pixel >> 6] & (allSet << (pixel & 63));
        if (filled != 0) {
            const uint64_t found = (pixel & ~uint64_t{63}) + static_cast<uint64_t>(__builtin_ctzll(filled));
            return found < end ? found : end;
        }
        pixel = (pixel | 63) + 1;
    }
    return end;
}

void markFilledRange(PixelFillMap& map, uint64_t first, uint64_t end)
{
    while (first < end) {
        const uint64_t wordEnd = (first | 63) + 1;
        uint64_t bits = allSet << (first & 63);
        if (end < wordEnd)
            bits &= allSet >> (64 - (end & 63));
        uint64_t& word = map.words[first >> 6];
        const bool wasFull = word == allSet;
        word |= bits;
        if (!wasFull && word == allSet)
            markFilledAbove(map, first >> 6);
        first = wordEnd;
    }
}

uint64_t countUnfilled(const PixelFillMap& map, uint64_t first, uint64_t end, uint64_t limit)
{
    uint64_t found = 0;
    uint64_t pixel = first;
    for (;;) {
        pixel = nextUnfilled(map, pixel);
        if (pixel >= end)
            return found;
        const uint64_t wordEnd = (pixel | 63) + 1;
        uint64_t free = ~map.words[pixel >> 6] & (allSet << (pixel & 63));
        if (end < wordEnd)
            free &= allSet >> (64 - (end & 63));
        found += static_cast<uint64_t>(__builtin_popcountll(free));
        if (found > limit)
            return found;
        pixel = wordEnd;
    }
}
