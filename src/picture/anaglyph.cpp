#include "picture/anaglyph.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

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

    // bytes starts at a pixel boundary and holds whole pixels.
    void widen(const uint8_t* bytes, size_t count)
    {
        // Local copies stay in registers; the members could alias bytes.
        uint8_t lowest[blockBytes];
        uint8_t highest[blockBytes];
        std::memcpy(lowest, low, blockBytes);
        std::memcpy(highest, high, blockBytes);
        size_t i = 0;
        for (; i + blockBytes <= count; i += blockBytes) {
            for (size_t j = 0; j < blockBytes; ++j) {
                lowest[j] = std::min(lowest[j], bytes[i + j]);
                highest[j] = std::max(highest[j], bytes[i + j]);
            }
        }
        for (size_t j = 0; i + j < count; ++j) {
            lowest[j] = std::min(lowest[j], bytes[i + j]);
            highest[j] = std::max(highest[j], bytes[i + j]);
        }
        std::memcpy(low, lowest, blockBytes);
        std::memcpy(high, highest, blockBytes);
    }

    // Extremes of the channel at byte offset within pixels of stride bytes,
    // merged into lowest and highest.
    void merge(size_t stride, size_t offset, int& lowest, int& highest) const
    {
        for (size_t j = offset; j < blockBytes; j += stride) {
            lowest = std::min<int>(lowest, low[j]);
            highest = std::max<int>(highest, high[j]);
        }
    }
};

struct ColumnSpan {
    size_t first;
    size_t count;
};

// The columns the left and the right eye read (each as wide as the result),
// split into those read by the left eye only, by both and by the right eye
// only, so that one pass over a row finds the extremes of each eye.
struct ViewColumns {
    size_t left;
    size_t right;
    size_t width;
    ColumnSpan leftOnly;
    ColumnSpan both;
    ColumnSpan rightOnly;
};

ViewColumns viewColumns(StereoChoice choice, int32_t width)
{
    const size_t half = static_cast<size_t>(width / 2);
    ViewColumns c{};
    if (choice.layout == StereoLayout::parallelPair) {
        c.left = 0;
        c.right = half;
        c.width = half;
    } else if (choice.layout == StereoLayout::crossedPair) {
        c.left = half;
        c.right = 0;
        c.width = half;
    } else {
        // The left eye sees column x + 2s where the right eye sees column
        // x; 4s never exceeds the width, so the two edges do not meet.
        const size_t shift = static_cast<size_t>(choice.shift);
        c.left = 2 * shift;
        c.right = 0;
        c.width = static_cast<size_t>(width) - 2 * shift;
    }
    const size_t apart = std::min(c.left > c.right ? c.left - c.right : c.right - c.left, c.width);
    c.both = {std::max(c.left, c.right), c.width - apart};
    if (c.left >= c.right) {
        c.leftOnly = {c.left + c.width - apart, apart};
        c.rightOnly = {c.right, apart};
    } else {
        c.leftOnly = {c.left, apart};
        c.rightOnly = {c.right + c.width - apart, apart};
    }
    return c;
}

// Bytes per pixel and the offset of red; green and blue follow it.
struct PixelFormat {
    size_t stride;
    size_t red;
};

struct Extremes {
    int redLow = 255;
    int redHigh = 0;
    int cyanLow = 255;
    int cyanHigh = 0;
};

// One pass over both views: the extremes of the left eye's red and of the
// right eye's green and blue, which fix the levels of the result. Returns
// false when a pixel read is not opaque (32 bits only): those pictures take
// the step-by-step road.
bool findExtremes(const Picture& picture, const ViewColumns& columns, PixelFormat format, Extremes& extremes)
{
    ChannelRange leftOnly;
    ChannelRange both;
    ChannelRange rightOnly;
    // Each row is read from left to right, which the hardware prefetcher
    // follows far better than jumps back and forth; the span read by both
    // eyes always lies between the other two.
    const bool leftFirst = columns.left < columns.right;
    const ColumnSpan firstSpan = leftFirst ? columns.leftOnly : columns.rightOnly;
    const ColumnSpan lastSpan = leftFirst ? columns.rightOnly : columns.leftOnly;
    ChannelRange& firstRange = leftFirst ? leftOnly : rightOnly;
    ChannelRange& lastRange = leftFirst ? rightOnly : leftOnly;
    const size_t stride = format.stride;
    const size_t rowBytes = static_cast<size_t>(picture.width) * stride;
    for (size_t y = 0; y < static_cast<size_t>(picture.height); ++y) {
        const uint8_t* row = picture.pixels.get() + y * rowBytes;
        firstRange.widen(row + firstSpan.first * stride, firstSpan.count * stride);
        both.widen(row + columns.both.first * stride, columns.both.count * stride);
        lastRange.widen(row + lastSpan.first * stride, lastSpan.count * stride);
    }
    if (stride == 4) {
        int transparencyLow = 255;
        int transparencyHigh = 0;
        for (const ChannelRange* range : {&leftOnly, &both, &rightOnly})
            range->merge(4, 0, transparencyLow, transparencyHigh);
        if (transparencyHigh != 0)
            return false;
    }
    for (const ChannelRange* range : {&leftOnly, &both})
        range->merge(stride, format.red, extremes.redLow, extremes.redHigh);
    for (const ChannelRange* range : {&both, &rightOnly}) {
        range->merge(stride, format.red + 1, extremes.cyanLow, extremes.cyanHigh);
        range->merge(stride, format.red + 2, extremes.cyanLow, extremes.cyanHigh);
    }
    return true;
}

// The levels that autoLevels applies to a result whose channel values span
// low..high.
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

// Output words by channel source value. The program runs on little-endian
// x86 only: a word stored whole is the bytes T,R,G,B.
struct OutputWords {
    uint32_t red[256];
    uint32_t green[256];
    uint32_t blue[256];
};

// One anaglyph row: per pixel one lookup per channel, T = 0.
template <size_t stride, size_t red>
void writeRow(const uint8_t* row, const ViewColumns& columns, const OutputWords& words, uint8_t* out)
{
    const uint8_t* left = row + columns.left * stride + red;
    const uint8_t* right = row + columns.right * stride + red + 1;
    const size_t width = columns.width;  // a local: out could alias columns
    for (size_t x = 0; x < width; ++x) {
        uint16_t greenBlue;  // green in the low byte
        std::memcpy(&greenBlue, right + x * stride, 2);
        const uint32_t word =
            words.red[left[x * stride]] | words.green[greenBlue & 0xFF] | words.blue[greenBlue >> 8];
        std::memcpy(out + x * 4, &word, 4);
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
    Extremes extremes;
    if (!findExtremes(picture, columns, format, extremes))
        return false;
    // Mixing with a fixed weight keeps the order of values, so the extremes
    // of the result are the mixes of the extremes of its sources.
    uint8_t levels[256];
    makeLevels(std::min(red[extremes.redLow], cyan[extremes.cyanLow]),
               std::max(red[extremes.redHigh], cyan[extremes.cyanHigh]), levels);
    OutputWords words;
    for (size_t v = 0; v < 256; ++v) {
        words.red[v] = static_cast<uint32_t>(levels[red[v]]) << 8;
        words.green[v] = static_cast<uint32_t>(levels[cyan[v]]) << 16;
        words.blue[v] = static_cast<uint32_t>(levels[cyan[v]]) << 24;
    }

    // When the result rows are no longer than the source rows, the result
    // is written over the source: row y of the result then ends at or
    // before the end of source row y, so it only covers bytes already read.
    // A row that would overwrite its own unread source goes through a row
    // buffer. The array keeps its original, larger size; this saves a new
    // allocation and its first-touch cost.
    const size_t inRow = static_cast<size_t>(picture.width) * format.stride;
    const size_t outRow = columns.width * 4;
    const size_t rows = static_cast<size_t>(picture.height);
    const bool inPlace = outRow <= inRow;
    ByteArray fresh;
    ByteArray rowBuffer;
    if (inPlace) {
        rowBuffer = allocateBytes(outRow);
        if (!rowBuffer)
            return false;
    } else {
        const uint64_t outBytes = static_cast<uint64_t>(outRow) * rows;
        if (outBytes > SIZE_MAX)
            return false;
        fresh = allocateBytes(static_cast<size_t>(outBytes));
        if (!fresh)
            return false;
    }
    uint8_t* const out = inPlace ? picture.pixels.get() : fresh.get();
    const size_t firstRead = std::min(columns.left, columns.right) * format.stride;
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* row = picture.pixels.get() + y * inRow;
        uint8_t* target = out + y * outRow;
        const bool direct = !inPlace || (y + 1) * outRow <= y * inRow + firstRead;
        uint8_t* written = direct ? target : rowBuffer.get();
        if (format.stride == 3)
            writeRow<3, 0>(row, columns, words, written);
        else
            writeRow<4, 1>(row, columns, words, written);
        if (!direct)
            std::memcpy(target, written, outRow);
    }

    if (!inPlace)
        picture.pixels = std::move(fresh);
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

int32_t composedWidth(const StereoChoice& choice, int32_t width)
{
    return choice.layout == StereoLayout::singleView ? width - 2 * choice.shift : width / 2;
}

void flattenOntoBlack(Picture& picture)
{
    picture.convert1To8();
    picture.convert8To32(0);
    if (picture.bitsPerPixel != 32 || !picture.pixels)
        return;
    uint8_t* pixel = picture.pixels.get();
    const uint64_t count = picture.pixelBytes() / 4;
    for (uint64_t i = 0; i < count; ++i, pixel += 4) {
        const uint32_t transparency = pixel[0];
        if (transparency == 0 || transparency == 255)
            continue;
        const uint32_t alpha = 255 - transparency;
        for (int c = 1; c <= 3; ++c)
            pixel[c] = static_cast<uint8_t>((pixel[c] * alpha + 127) / 255);
        pixel[0] = 0;
    }
}

void markReadBackTransparency(Picture& picture)
{
    if (picture.bitsPerPixel != 32 || !picture.pixels)
        return;
    const uint64_t count = picture.pixelBytes() / 4;
    uint8_t* pixels = picture.pixels.get();
    bool anyShown = false;
    for (uint64_t i = 0; i < count && !anyShown; ++i)
        anyShown = pixels[4 * i] != 255;
    for (uint64_t i = 0; i < count; ++i)
        if (!anyShown || pixels[4 * i] != 255)
            pixels[4 * i] = 0;
}

void composeAnaglyph(Picture& picture, const char16_t* path)
{
    if (!picture.holdsImage() || picture.width <= 0 || picture.height <= 0)
        return;
    flattenOntoBlack(picture);
    const StereoChoice choice = chooseStereoLayout(path, picture.width);
    if (!composeFused(picture, choice))
        composeStepByStep(picture, choice);
}
