// Colour-group encoder of the QDL writer (24-bit compression 2, 32-bit
// compression 3).
//
// The encoder replays the decoder: at each first unfilled pixel it either
// starts a colour group or adds the pixel to the current literal group. A
// colour group takes every later pixel of the same colour for as long as the
// next one is at most 253 unfilled pixels further on (the longest jump is to
// the 254th unfilled pixel); consecutive ones become runs. Filling them
// shortens the gaps that later groups must jump, so a picture of few colours
// shrinks group after group. A group is chosen when the colour bytes it
// saves exceed its command bytes and its two framing bytes.
//
// The pixels of each colour are chained in image order (nextSame), built by
// a stable radix sort of pixel indices on their colour. Every pixel of the
// current colour after the scan position is still unfilled: an earlier group
// of that colour took all of them up to where it stopped, and the scan has
// filled every pixel before itself.
#include <cstring>
#include <memory>
#include <new>

#include "decode/qdl/pixel_fill_map.h"
#include "decode/qdl/qdl_encoders.h"

namespace {

constexpr uint32_t noPixel = 0xFFFFFFFF;
constexpr uint64_t longestGap = 253;
constexpr uint32_t longestRun = 32897;

using IndexArray = std::unique_ptr<uint32_t[]>;

// Fills nextSame[i] with the next pixel after i of the same colour, or
// noPixel. Returns false when the work arrays cannot be allocated.
bool chainEqualColours(const uint8_t* pixels, uint32_t count, int colourBytes, IndexArray& nextSame)
{
    IndexArray order(new (std::nothrow) uint32_t[count]);
    IndexArray spare(new (std::nothrow) uint32_t[count]);
    if (!order || !spare)
        return false;
    for (uint32_t i = 0; i < count; ++i)
        order[i] = i;

    // Least significant byte first; each pass is stable, so equal colours
    // keep image order. A byte that is the same in every pixel needs no pass.
    for (int byte = 0; byte < colourBytes; ++byte) {
        uint32_t histogram[256] = {};
        for (uint32_t i = 0; i < count; ++i)
            ++histogram[pixels[static_cast<uint64_t>(i) * colourBytes + byte]];
        if (histogram[pixels[byte]] == count)
            continue;
        uint32_t start[256];
        uint32_t total = 0;
        for (int value = 0; value < 256; ++value) {
            start[value] = total;
            total += histogram[value];
        }
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t pixel = order[i];
            spare[start[pixels[static_cast<uint64_t>(pixel) * colourBytes + byte]]++] = pixel;
        }
        order.swap(spare);
    }

    // The spare array becomes the chain.
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t pixel = order[i];
        const bool sameNext = i + 1 < count &&
            std::memcmp(pixels + static_cast<uint64_t>(pixel) * colourBytes,
                        pixels + static_cast<uint64_t>(order[i + 1]) * colourBytes, colourBytes) == 0;
        spare[pixel] = sameNext ? order[i + 1] : noPixel;
    }
    nextSame = std::move(spare);
    return true;
}

// Commands for `length` consecutive unfilled pixels after the cursor: runs of
// 2 to 129 (255, n - 2) and 130 to 32897 (255, e, f with 256e + f = n +
// 32638); a single pixel is a jump of 1.
void appendRun(std::vector<uint8_t>& commands, uint64_t length)
{
    while (length > 0) {
        const uint32_t part = length < longestRun ? static_cast<uint32_t>(length) : longestRun;
        if (part == 1) {
            commands.push_back(1);
        } else if (part < 130) {
            commands.push_back(255);
            commands.push_back(static_cast<uint8_t>(part - 2));
        } else {
            const uint32_t code = part + 32638;
            commands.push_back(255);
            commands.push_back(static_cast<uint8_t>(code >> 8));
            commands.push_back(static_cast<uint8_t>(code & 0xFF));
        }
        length -= part;
    }
}

// Plans the group of the colour at `first`: writes its commands and returns
// the last pixel it takes (first itself when it takes none).
uint32_t planGroup(const PixelFillMap& filled, const IndexArray& nextSame, uint32_t first,
                   std::vector<uint8_t>& commands, uint64_t& taken)
{
    commands.clear();
    taken = 0;
    uint32_t last = first;
    uint64_t streak = 0;  // taken pixels right after the previous one, not yet written
    for (uint32_t next = nextSame[first]; next != noPixel; next = nextSame[next]) {
        const uint64_t gap = countUnfilled(filled, static_cast<uint64_t>(last) + 1, next, longestGap);
        if (gap > longestGap)
            break;
        if (gap == 0) {
            ++streak;
        } else {
            appendRun(commands, streak);
            streak = 0;
            commands.push_back(static_cast<uint8_t>(gap + 1));
        }
        ++taken;
        last = next;
    }
    appendRun(commands, streak);
    return last;
}

template <int colourBytes>
QdlWriteResult encodeGroups(const uint8_t* pixels, uint32_t count, std::vector<uint8_t>& out)
{
    if (count == 0)
        return QdlWriteResult::written;
    IndexArray nextSame;
    PixelFillMap filled;
    if (!chainEqualColours(pixels, count, colourBytes, nextSame) || !createFillMap(filled, count))
        return QdlWriteResult::outOfMemory;

    std::vector<uint8_t> commands;
    size_t literalCountAt = 0;  // where the open literal group keeps its count
    uint32_t literals = 0;
    uint64_t scan = 0;
    while ((scan = nextUnfilled(filled, scan)) < count) {
        const uint32_t first = static_cast<uint32_t>(scan);
        const uint8_t* colour = pixels + scan * colourBytes;
        uint64_t taken = 0;
        const uint32_t last = planGroup(filled, nextSame, first, commands, taken);

        if (taken * colourBytes > commands.size() + 2) {
            out.push_back(0);
            out.insert(out.end(), colour, colour + colourBytes);
            out.insert(out.end(), commands.begin(), commands.end());
            out.push_back(0);
            for (uint32_t pixel = first; pixel != noPixel && pixel <= last; pixel = nextSame[pixel])
                markFilled(filled, pixel);
            literals = 0;
        } else {
            if (literals == 0 || literals == 255) {
                literalCountAt = out.size();
                out.push_back(0);
                literals = 0;
            }
            out[literalCountAt] = static_cast<uint8_t>(++literals);
            out.insert(out.end(), colour, colour + colourBytes);
            markFilled(filled, scan);
        }
        ++scan;
    }
    return QdlWriteResult::written;
}

}  // namespace

QdlWriteResult encodeQdlColourGroups(const Picture& picture, std::vector<uint8_t>& out)
{
    // The writer keeps pixel arrays below 2^31 bytes, so indices fit 32 bits.
    const uint32_t count = static_cast<uint32_t>(static_cast<uint64_t>(picture.width) *
                                                 static_cast<uint64_t>(picture.height));
    if (picture.bitsPerPixel == 24)
        return encodeGroups<3>(picture.pixels.get(), count, out);
    return encodeGroups<4>(picture.pixels.get(), count, out);
}
