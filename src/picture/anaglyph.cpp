#include "picture/anaglyph.h"

#include <algorithm>
#include <cstring>

#include "picture/stereo_names.h"

namespace {

constexpr int leftDirection = 0;
constexpr int rightDirection = 1;

// Steps 3 to 6 of the composition: left keeps its red, right its green and
// blue; the copies move apart; the right view, at half opacity, is laid
// over the left one.
void mixViews(Picture& left, Picture& right, int32_t shift)
{
    left.adjustChannel(2, 255);
    left.adjustChannel(3, 255);
    left.shift(leftDirection, shift);
    right.adjustChannel(1, 255);
    right.shift(rightDirection, shift);
    if (right.bitsPerPixel == 24)
        right.convert24To32();
    right.scaleOpacity(0.5);
    left.composeOver(right, true);
}

// The composition operation by operation, for pictures the fused pass does
// not take (palette pictures, 32-bit pictures with transparency).
void composeStepByStep(Picture& picture, StereoChoice choice)
{
    Picture right;
    right.assign(picture);
    const int32_t half = picture.width / 2;
    if (choice.layout == StereoLayout::parallelPair) {
        picture.crop(0, half, 0, 0);
        right.crop(half, 0, 0, 0);
    } else if (choice.layout == StereoLayout::crossedPair) {
        picture.crop(half, 0, 0, 0);
        right.crop(0, half, 0, 0);
    }
    mixViews(picture, right, choice.shift);
    picture.crop(choice.shift, choice.shift, 0, 0);
    picture.autoLevels();
}

// For two opaque views every output channel depends on one input byte only:
// red on the left view's red, green and blue on the right view's. These
// tables are made by the operations themselves, on a row holding every
// byte value, so they cannot drift from them: red[v] is the mixed red for
// left red v, cyan[v] the mixed green (or blue) for right green (blue) v.
bool makeMixTables(uint8_t* red, uint8_t* cyan)
{
    Picture left;
    left.pixels = allocateBytes(256 * 3);
    if (!left.pixels)
        return false;
    left.width = 256;
    left.height = 1;
    left.bitsPerPixel = 24;
    for (size_t v = 0; v < 256; ++v)
        std::memset(left.pixels.get() + v * 3, static_cast<int>(v), 3);
    Picture right;
    right.assign(left);
    if (!right.holdsImage())
        return false;
    mixViews(left, right, 0);
    if (left.bitsPerPixel != 32)
        return false;
    for (size_t v = 0; v < 256; ++v) {
        red[v] = left.pixels[v * 4 + 1];
        cyan[v] = left.pixels[v * 4 + 2];
    }
    return true;
}

// Running minimum and maximum of every byte position within 48-byte
// blocks: whole pixels of 3 and of 4 bytes both fit 48, so each position
// always holds the same channel, and the plain loop vectorises.
constexpr size_t blockBytes = 48;

struct ChannelRange {
    uint8_t low[blockBytes];
    uint8_t high[blockBytes];

    ChannelRange()
    {
        std::memset(low, 255, blockBytes);
        std::memset(high, 0, blockBytes);
    }

    void widen(const uint8_t* bytes, size_t count)
    {
        size_t i = 0;
        for (; i + blockBytes <= count; i += blockBytes) {
            for (size_t j = 0; j < blockBytes; ++j) {
                low[j] = std::min(low[j], bytes[i + j]);
                high[j] = std::max(high[j], bytes[i + j]);
            }
        }
        for (size_t j = 0; i + j < count; ++j) {
            low[j] = std::min(low[j], bytes[i + j]);
            high[j] = std::max(high[j], bytes[i + j]);
        }
    }

    // Extremes of the channel at byte offset within pixels of stride bytes,
    // merged into low and high.
    void merge(size_t stride, size_t offset, int& lowest, int& highest) const
    {
        for (size_t j = offset; j < blockBytes; j += stride) {
            lowest = std::min<int>(lowest, low[j]);
            highest = std::max<int>(highest, high[j]);
        }
    }
};

// Which columns each eye reads and how wide the result is.
struct ViewColumns {
    size_t left;
    size_t right;
    size_t width;
};

ViewColumns viewColumns(StereoChoice choice, int32_t width)
{
    const size_t half = static_cast<size_t>(width / 2);
    switch (choice.layout) {
    case StereoLayout::parallelPair:
        return {0, half, half};
    case StereoLayout::crossedPair:
        return {half, 0, half};
    case StereoLayout::singleView:
        break;
    }
    // The left eye sees column x + 2s where the right eye sees column x.
    const size_t shift = static_cast<size_t>(choice.shift);
    return {2 * shift, 0, static_cast<size_t>(width) - 2 * shift};
}

// The byte offsets of R, G and B within a pixel, and whether there is a T.
struct PixelFormat {
    size_t stride;
    size_t red;
};

// One pass over both views: the extremes of the left red and of the right
// green and blue, which fix the levels of the result. Returns false when a
// pixel read is not opaque (32 bits only); such pictures take the
// step-by-step road.
bool findExtremes(const Picture& picture, ViewColumns columns, PixelFormat format, int& redLow,
                  int& redHigh, int& cyanLow, int& cyanHigh)
{
    ChannelRange leftRange;
    ChannelRange rightRange;
    const size_t rowBytes = static_cast<size_t>(picture.width) * format.stride;
    const size_t spanBytes = columns.width * format.stride;
    for (size_t y = 0; y < static_cast<size_t>(picture.height); ++y) {
        const uint8_t* row = picture.pixels.get() + y * rowBytes;
        leftRange.widen(row + columns.left * format.stride, spanBytes);
        rightRange.widen(row + columns.right * format.stride, spanBytes);
    }
    if (format.stride == 4) {
        int transparencyLow = 255;
        int transparencyHigh = 0;
        leftRange.merge(4, 0, transparencyLow, transparencyHigh);
        rightRange.merge(4, 0, transparencyLow, transparencyHigh);
        if (transparencyHigh != 0)
            return false;
    }
    leftRange.merge(format.stride, format.red, redLow, redHigh);
    rightRange.merge(format.stride, format.red + 1, cyanLow, cyanHigh);
    rightRange.merge(format.stride, format.red + 2, cyanLow, cyanHigh);
    return true;
}

// The levels that autoLevels would apply to a result whose channel values
// span low..high.
void makeLevels(int low, int high, uint8_t* levels)
{
    if ((low == 0 && high == 255) || low == high) {
        for (int v = 0; v < 256; ++v)
            levels[v] = static_cast<uint8_t>(v);
        return;
    }
    const double factor = 255.0 / (high - low);
    for (int v = 0; v < 256; ++v)
        levels[v] = static_cast<uint8_t>(static_cast<int>((v - low) * factor));
}

// Writes the anaglyph rows: per pixel one lookup per channel, T = 0.
template <size_t stride, size_t red>
void writeRows(const Picture& picture, ViewColumns columns, const uint32_t* redWord,
               const uint32_t* greenWord, const uint32_t* blueWord, uint8_t* out)
{
    const size_t rowBytes = static_cast<size_t>(picture.width) * stride;
    for (size_t y = 0; y < static_cast<size_t>(picture.height); ++y) {
        const uint8_t* row = picture.pixels.get() + y * rowBytes;
        const uint8_t* left = row + columns.left * stride + red;
        const uint8_t* right = row + columns.right * stride + red;
        for (size_t x = 0; x < columns.width; ++x) {
            const uint32_t word = redWord[left[x * stride]] | greenWord[right[x * stride + 1]] |
                                  blueWord[right[x * stride + 2]];
            std::memcpy(out, &word, 4);
            out += 4;
        }
    }
}

// The fused composition of an opaque 24- or 32-bit picture. Returns false,
// with the picture untouched, when it does not apply or memory runs out.
bool composeFused(Picture& picture, StereoChoice choice)
{
    if (picture.bitsPerPixel != 24 && picture.bitsPerPixel != 32)
        return false;
    const ViewColumns columns = viewColumns(choice, picture.width);
    const PixelFormat format = picture.bitsPerPixel == 24 ? PixelFormat{3, 0} : PixelFormat{4, 1};

    uint8_t red[256];
    uint8_t cyan[256];
    if (!makeMixTables(red, cyan))
        return false;
    int redLow = 255;
    int redHigh = 0;
    int cyanLow = 255;
    int cyanHigh = 0;
    if (!findExtremes(picture, columns, format, redLow, redHigh, cyanLow, cyanHigh))
        return false;
    // Mixing with a fixed weight keeps the order of values, so the extremes
    // of the result are the mixes of the extremes of its sources.
    const int low = std::min(red[redLow], cyan[cyanLow]);
    const int high = std::max(red[redHigh], cyan[cyanHigh]);
    uint8_t levels[256];
    makeLevels(low, high, levels);

    // Output words are read as little-endian T,R,G,B.
    uint32_t redWord[256];
    uint32_t greenWord[256];
    uint32_t blueWord[256];
    for (size_t v = 0; v < 256; ++v) {
        redWord[v] = static_cast<uint32_t>(levels[red[v]]) << 8;
        greenWord[v] = static_cast<uint32_t>(levels[cyan[v]]) << 16;
        blueWord[v] = static_cast<uint32_t>(levels[cyan[v]]) << 24;
    }

    const uint64_t outBytes = static_cast<uint64_t>(columns.width) * static_cast<uint64_t>(picture.height) * 4;
    if (outBytes > SIZE_MAX)
        return false;
    ByteArray out = allocateBytes(static_cast<size_t>(outBytes));
    if (!out)
        return false;
    if (format.stride == 3)
        writeRows<3, 0>(picture, columns, redWord, greenWord, blueWord, out.get());
    else
        writeRows<4, 1>(picture, columns, redWord, greenWord, blueWord, out.get());

    picture.pixels = std::move(out);
    picture.palette.reset();
    picture.width = static_cast<int32_t>(columns.width);
    picture.bitsPerPixel = 32;
    return true;
}

}  // namespace

StereoChoice chooseStereoLayout(const char16_t* path, int32_t width)
{
    const bool even = width % 2 == 0;
    if (even && isStereoName(path))
        return {StereoLayout::parallelPair, 0};
    if (even && isCrossStereoName(path))
        return {StereoLayout::crossedPair, 0};
    return {StereoLayout::singleView, static_cast<int32_t>(width / 50.0 + 0.5)};
}

void composeAnaglyph(Picture& picture, const char16_t* path)
{
    if (!picture.holdsImage() || picture.width <= 0 || picture.height <= 0)
        return;
    const StereoChoice choice = chooseStereoLayout(path, picture.width);
    if (!composeFused(picture, choice))
        composeStepByStep(picture, choice);
}
