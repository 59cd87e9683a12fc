// make_heic_grid OUT.heic COLUMNS ROWS TILE.heic...: a HEIC grid of
// COLUMNS x ROWS tiles, row by row, each coded on its own, as phones write
// their photos. The tiles are heif-enc files of one size, written with the
// same settings. Built and run on the build machine for benchmarks.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "heif_box_edit.h"

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: make_heic_grid OUT.heic COLUMNS ROWS TILE.heic...\n");
        return 2;
    }
    std::vector<heifedit::Bytes> tiles;
    for (int i = 4; i < argc; ++i) {
        std::ifstream tile(argv[i], std::ios::binary);
        tiles.emplace_back(std::istreambuf_iterator<char>(tile), std::istreambuf_iterator<char>());
    }
    const heifedit::Bytes grid =
        heifedit::tileGrid(tiles, uint32_t(std::atoi(argv[2])), uint32_t(std::atoi(argv[3])));
    if (grid.empty()) {
        std::fprintf(stderr, "make_heic_grid: the tiles do not make a %s x %s grid\n", argv[2], argv[3]);
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(grid.data()), std::streamsize(grid.size()));
    return out ? 0 : 1;
}
