// Writes the starting corpus of dib_fuzz into the directory given as argv[1]:
// one small packed DIB for each depth and compression the conversion knows.

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "dib_fixtures.h"
#include "seed_writer.h"

namespace {

Bytes table(int entries)
{
    Bytes b;
    for (int i = 0; i < entries; ++i)
        b.insert(b.end(), {uint8_t(i * 7), uint8_t(i * 13), uint8_t(255 - i), 0});
    return b;
}

// Plain rows of a width x height DIB, each padded to 4 bytes.
Bytes rows(int width, int height, int bitCount)
{
    const size_t stride = (size_t(width) * size_t(bitCount) + 31) / 32 * 4;
    Bytes b;
    for (int y = 0; y < height; ++y)
        for (size_t i = 0; i < stride; ++i)
            b.push_back(uint8_t(i < stride / 2 ? y * 37 : i * 11 + y));
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dib_seeds DIRECTORY\n");
        return 1;
    }
    const Bytes masks565 = masks(0xF800, 0x07E0, 0x001F);
    Bytes v5Header565 = infoHeader(9, 5, 16, 3, 0, 124);
    std::copy(masks565.begin(), masks565.end(), v5Header565.begin() + 40);
    // Runs, end of line, delta, absolute runs with and without padding, end.
    const Bytes rle8 = {3, 1, 0, 3, 4, 5, 6, 0, 2, 2, 0, 0, 0, 2, 1, 1, 0, 4, 7, 8, 9, 10, 5, 2, 0, 1};
    const Bytes rle4 = {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 2, 1, 0, 3, 0x9A, 0xB0, 4, 0xCD, 0, 1};
    const Seeds seeds = {
        {"pal1", join({infoHeader(13, 5, 1, 0, 2), table(2), rows(13, 5, 1)})},
        {"pal4", join({infoHeader(9, 5, 4, 0, 12), table(12), rows(9, 5, 4)})},
        {"pal4-rle", join({infoHeader(9, 5, 4, 2, 16), table(16), rle4})},
        {"pal8", join({infoHeader(9, 5, 8, 0, 0), table(256), rows(9, 5, 8)})},
        {"pal8-top-down", join({infoHeader(9, -5, 8, 0, 20), table(20), rows(9, 5, 8)})},
        {"pal8-rle", join({infoHeader(9, 5, 8, 1, 11), table(11), rle8})},
        {"rgb565", join({infoHeader(9, 5, 16, 3, 0), masks565, rows(9, 5, 16)})},
        {"rgb565-v5", join({v5Header565, rows(9, 5, 16)})},
        {"rgb24", join({infoHeader(9, 5, 24, 0, 0), rows(9, 5, 24)})},
        {"rgb24-table", join({infoHeader(9, -5, 24, 0, 3), table(3), rows(9, 5, 24)})},
        {"rgba32", join({infoHeader(9, 5, 32, 0, 0), rows(9, 5, 32)})},
        {"rgba32-bitfields", join({infoHeader(9, -5, 32, 3, 0), masks565, rows(9, 5, 32)})},
    };
    return writeSeeds(argv[1], ".dib", seeds) ? 0 : 1;
}
