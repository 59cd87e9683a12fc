// Writes the starting corpus of the QDL fuzzer into the directory given as
// argv[1]: every pixel type in every compression, on small pictures of runs,
// gradients and noise whose widths are not multiples of 8.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "decode/qdl/qdl_writer.h"
#include "picture/picture.h"
#include "seed_writer.h"

namespace {

constexpr int depthOfType[6] = {1, 1, 8, 8, 24, 32};
constexpr int lastCompression[6] = {1, 1, 4, 1, 2, 3};

// pattern 0: long runs of few values, 1: a gradient, 2: noise.
Picture makePicture(int type, int32_t width, int32_t height, int pattern)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = depthOfType[type];
    picture.pixels = allocateBytes(static_cast<size_t>(picture.pixelBytes()));
    uint32_t state = 12345;
    for (uint64_t i = 0; i < picture.pixelBytes(); ++i) {
        state = state * 1103515245u + 12345u;
        const uint8_t values[3] = {static_cast<uint8_t>((i / 23) % 3 * 60), static_cast<uint8_t>(i * 3),
                                   static_cast<uint8_t>(state >> 16)};
        picture.pixels[i] = values[pattern];
    }
    if (type == 0 || type == 2) {
        picture.palette = allocateBytes(picture.paletteBytes());
        for (size_t i = 0; i < picture.paletteBytes(); ++i)
            picture.palette[i] = static_cast<uint8_t>(i * 7);
    }
    return picture;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qdl_seeds DIRECTORY\n");
        return 2;
    }
    Seeds seeds;
    for (int type = 0; type < 6; ++type) {
        for (int compression = 0; compression <= lastCompression[type]; ++compression) {
            for (int pattern = 0; pattern < 3; ++pattern) {
                Picture picture = makePicture(type, 13, 5, pattern);
                if (!reorderPaletteForQdl(picture, type == 2 ? compression : 0))
                    continue;
                std::vector<uint8_t> bytes;
                if (writeQdlImage(picture, type, compression, bytes) != QdlWriteResult::written)
                    continue;
                seeds.push_back({"type" + std::to_string(type) + "-compression" + std::to_string(compression) +
                                     "-pattern" + std::to_string(pattern),
                                 std::move(bytes)});
            }
        }
    }
    if (!writeSeeds(argv[1], ".qdl", seeds))
        return 1;
    std::printf("qdl_seeds: %zu files\n", seeds.size());
    return 0;
}
