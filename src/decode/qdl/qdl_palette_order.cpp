// Palette reordering that lets an 8-bit picture fit the escape and flag
// compressions of the QDL writer.
#include <cstring>
#include <utility>

#include "decode/qdl/qdl_writer.h"

namespace {

// The indices each compression keeps for runs and the shortest such run.
bool keptForRuns(int compression, int index)
{
    switch (compression) {
    case 2: return index == 255;
    case 3: return index >= 128;
    default: return index >= 254;
    }
}

int shortestRun(int compression)
{
    return compression == 3 ? 3 : 4;
}

}  // namespace

bool reorderPaletteForQdl(Picture& picture, int compression)
{
    if (compression < 2 || compression > 4)
        return true;
    if (picture.bitsPerPixel != 8 || !picture.palette || !picture.holdsImage())
        return false;

    const uint64_t count = picture.pixelBytes();
    uint8_t* pixels = picture.pixels.get();
    bool used[256] = {};
    bool inShortRun[256] = {};
    for (uint64_t start = 0; start < count;) {
        uint64_t end = start + 1;
        while (end < count && pixels[end] == pixels[start])
            ++end;
        used[pixels[start]] = true;
        if (end - start < static_cast<uint64_t>(shortestRun(compression)))
            inShortRun[pixels[start]] = true;
        start = end;
    }

    // Free indices to trade: unused ones first, then ones whose runs are all
    // long enough to live at a kept index.
    int freeIndices[256];
    int freeCount = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int index = 0; index < 256; ++index)
            if (!keptForRuns(compression, index) && (pass == 0 ? !used[index] : used[index] && !inShortRun[index]))
                freeIndices[freeCount++] = index;

    uint8_t map[256];
    for (int index = 0; index < 256; ++index)
        map[index] = static_cast<uint8_t>(index);
    int traded = 0;
    for (int index = 0; index < 256; ++index) {
        if (!keptForRuns(compression, index) || !inShortRun[index])
            continue;
        if (traded == freeCount)
            return false;
        const int other = freeIndices[traded++];
        map[index] = static_cast<uint8_t>(other);
        map[other] = static_cast<uint8_t>(index);
    }
    if (traded == 0)
        return true;

    uint8_t* palette = picture.palette.get();
    for (int index = 0; index < 256; ++index)
        if (map[index] > index)
            for (int byte = 0; byte < 4; ++byte)
                std::swap(palette[4 * index + byte], palette[4 * map[index] + byte]);
    for (uint64_t i = 0; i < count; ++i)
        pixels[i] = map[pixels[i]];
    return true;
}
