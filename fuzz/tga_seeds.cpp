// Writes the starting corpus of tga_fuzz into the directory given as argv[1]:
// small files of both image types and depths, and a few refused ones.

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "seed_writer.h"
#include "tga_fixtures.h"

namespace {

// Stored pixels of a width x height picture with flat bands and noise.
Bytes pattern(int width, int height, int bytesPerPixel)
{
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bytesPerPixel; ++c)
                pixels.push_back(x < width / 2 ? uint8_t(y * 40 + c) : uint8_t(x * 31 + y * 17 + c * 5));
    return pixels;
}

// Run packets for repeated pixels, raw packets for the rest.
Bytes runLengthEncode(const Bytes& pixels, size_t bytesPerPixel)
{
    const size_t count = pixels.size() / bytesPerPixel;
    auto same = [&](size_t a, size_t b) {
        return std::equal(pixels.begin() + long(a * bytesPerPixel), pixels.begin() + long((a + 1) * bytesPerPixel),
                          pixels.begin() + long(b * bytesPerPixel));
    };
    Bytes out;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run > 1) {
            out.push_back(uint8_t(127 + run));
            out.insert(out.end(), pixels.begin() + long(i * bytesPerPixel), pixels.begin() + long((i + 1) * bytesPerPixel));
        } else {
            size_t literal = 1;
            while (i + literal < count && literal < 128 && !(i + literal + 1 < count && same(i + literal, i + literal + 1)))
                ++literal;
            out.push_back(uint8_t(literal - 1));
            out.insert(out.end(), pixels.begin() + long(i * bytesPerPixel),
                       pixels.begin() + long((i + literal) * bytesPerPixel));
            run = literal;
        }
        i += run;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tga_seeds DIRECTORY\n");
        return 1;
    }
    const Bytes rle24 = tgaFile(10, 16, 8, 24, runLengthEncode(pattern(16, 8, 3), 3));
    const Seeds seeds = {
        {"plain24", tgaFile(2, 2, 1, 24, {1, 2, 3, 4, 5, 6})},
        {"plain32-top-left", tgaFile(2, 1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}, 0x28)},
        {"run32", tgaFile(10, 2, 1, 32, {129, 10, 20, 30, 40})},
        {"mixed24", tgaFile(10, 3, 2, 24, {1, 1, 2, 3, 4, 5, 6, 130, 7, 8, 9, 0, 10, 11, 12})},
        {"pattern24", tgaFile(2, 16, 8, 24, pattern(16, 8, 3))},
        {"pattern32", tgaFile(2, 16, 8, 32, pattern(16, 8, 4), 0x08)},
        {"pattern-rle24", rle24},
        {"pattern-rle32", tgaFile(10, 16, 8, 32, runLengthEncode(pattern(16, 8, 4), 4))},
        {"truncated-rle24", Bytes(rle24.begin(), rle24.begin() + long(rle24.size() / 2))},
        {"depth16", tgaFile(2, 2, 2, 16, {1, 2, 3, 4, 5, 6, 7, 8})},
        {"colour-mapped", tgaFile(1, 2, 1, 8, {0, 1})},
    };
    return writeSeeds(argv[1], ".tga", seeds) ? 0 : 1;
}
