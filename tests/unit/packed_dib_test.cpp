// Packed DIB output: header, colour tables, row order and padding, and the
// premultiplied or flattened 32-bit pixels, byte for byte.

#include "picture/picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "asan_may_return_null.h"
#include "picture_fixtures.h"

namespace {

constexpr uint32_t kBlackBackground = 0x000000;
constexpr uint32_t kWhiteBackground = 0xFFFFFF;

// The whole packed DIB of a picture, or an empty vector when there is none.
Bytes packed(const Picture& p, uint32_t background, bool premultiply)
{
    const ByteArray dib = p.toPackedDib(background, premultiply);
    if (!dib)
        return {};
    return Bytes(dib.get(), dib.get() + p.packedDibSize());
}

Bytes slice(const Bytes& bytes, size_t offset, size_t count)
{
    return Bytes(bytes.begin() + offset, bytes.begin() + offset + count);
}

Bytes header(int32_t width, int32_t height, uint16_t bitsPerPixel)
{
    Bytes h(40, 0);
    h[0] = 40;  // header size
    std::memcpy(&h[4], &width, 4);
    std::memcpy(&h[8], &height, 4);
    h[12] = 1;  // planes
    h[14] = static_cast<uint8_t>(bitsPerPixel);
    return h;  // compression, image size, resolutions, colour counts: 0
}

// The 32-bit pixels (B, G, R, A) of a one-row 32-bit picture of the given
// T, R, G, B pixels.
Bytes row32(const Bytes& trgbPixels, uint32_t background, bool premultiply)
{
    const Picture p = makePicture(static_cast<int32_t>(trgbPixels.size() / 4), 1, 32, trgbPixels);
    return slice(packed(p, background, premultiply), 40, trgbPixels.size());
}

}  // namespace

TEST(PackedDibLayout, TwentyFourBitsPaddedBottomUpAndSwapped)
{
    // 5 x 2: rows of 15 bytes padded to 16.
    Bytes px;
    for (uint8_t i = 0; i < 30; ++i)
        px.push_back(i);
    const Picture p = makePicture(5, 2, 24, px);
    EXPECT_EQ(p.packedDibSize(), 72u);
    const Bytes dib = packed(p, kBlackBackground, true);
    ASSERT_EQ(dib.size(), 72u);
    EXPECT_EQ(slice(dib, 0, 40), header(5, 2, 24));
    // The bottom row (bytes 15..29) comes first, each R, G, B as B, G, R.
    EXPECT_EQ(slice(dib, 40, 16), (Bytes{17, 16, 15, 20, 19, 18, 23, 22, 21, 26, 25, 24, 29, 28, 27, 0}));
    EXPECT_EQ(slice(dib, 56, 16), (Bytes{2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 0}));
}

TEST(PackedDibLayout, TwentyFourBitsEveryRowLength)
{
    // Widths around the four-pixel groups the rows are converted in.
    for (int32_t width = 1; width <= 9; ++width) {
        Bytes px;
        for (int32_t i = 0; i < 3 * width; ++i)
            px.push_back(static_cast<uint8_t>(7 * i + 1));
        const Bytes dib = packed(makePicture(width, 1, 24, px), kBlackBackground, true);
        Bytes expected;
        for (int32_t x = 0; x < width; ++x)
            expected.insert(expected.end(), {px[3 * x + 2], px[3 * x + 1], px[3 * x]});
        while (expected.size() % 4)
            expected.push_back(0);
        ASSERT_EQ(dib.size(), 40 + expected.size()) << "width " << width;
        EXPECT_EQ(slice(dib, 40, expected.size()), expected) << "width " << width;
    }
}

TEST(PackedDibLayout, OneBitWithoutPaletteOnBlack)
{
    // 10 x 3: rows of 2 bytes padded to 4; padding bits of the picture are
    // copied as they are.
    const Picture p = makePicture(10, 3, 1, {0x80, 0x40, 0x01, 0xFF, 0xAA, 0x55});
    EXPECT_EQ(p.packedDibSize(), 60u);
    const Bytes dib = packed(p, kBlackBackground, true);
    ASSERT_EQ(dib.size(), 60u);
    EXPECT_EQ(slice(dib, 0, 40), header(10, 3, 1));
    EXPECT_EQ(slice(dib, 40, 8), (Bytes{255, 255, 255, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slice(dib, 48, 12), (Bytes{0xAA, 0x55, 0, 0, 0x01, 0xFF, 0, 0, 0x80, 0x40, 0, 0}));
}

TEST(PackedDibLayout, OneBitGeneratedTableFollowsBackground)
{
    const Picture p = makePicture(1, 1, 1, {0});
    // Red 10, green 20, blue 30.
    const Bytes dib = packed(p, 10 | 20 << 8 | 30 << 16, false);
    EXPECT_EQ(slice(dib, 40, 8), (Bytes{225, 235, 245, 0, 30, 20, 10, 0}));
}

TEST(PackedDibLayout, OneBitPaletteIsFlattened)
{
    // Entry 0 opaque (R 1, G 2, B 3); entry 1 fully transparent.
    const Picture p = makePicture(1, 1, 1, {0x80}, {0, 1, 2, 3, 255, 9, 9, 9});
    const Bytes dib = packed(p, 10 | 20 << 8 | 30 << 16, true);
    EXPECT_EQ(slice(dib, 40, 8), (Bytes{3, 2, 1, 0, 30, 20, 10, 0}));
}

TEST(PackedDibLayout, EightBitGeneratedGreyTable)
{
    // 3 x 2: rows of 3 bytes padded to 4.
    const Picture p = makePicture(3, 2, 8, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(p.packedDibSize(), 1064u + 8u);
    const Bytes dib = packed(p, kBlackBackground, true);
    ASSERT_EQ(dib.size(), 1072u);
    EXPECT_EQ(slice(dib, 0, 40), header(3, 2, 8));
    for (int i = 0; i < 256; ++i) {
        const uint8_t grey = static_cast<uint8_t>(255 - i);
        EXPECT_EQ(slice(dib, 40 + 4 * i, 4), (Bytes{grey, grey, grey, 0})) << "entry " << i;
    }
    EXPECT_EQ(slice(dib, 1064, 8), (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
}

TEST(PackedDibLayout, EightBitGeneratedTableForColouredBackground)
{
    const Picture p = makePicture(1, 1, 8, {0});
    // Red 100, green 0, blue 255: part k of entry i is (i k + (255 - k)(255 - i)) / 255.
    const Bytes dib = packed(p, 100 | 0 << 8 | 255 << 16, true);
    EXPECT_EQ(slice(dib, 40, 4), (Bytes{0, 255, 155, 0}));
    EXPECT_EQ(slice(dib, 40 + 4 * 128, 4), (Bytes{128, 127, 127, 0}));
    EXPECT_EQ(slice(dib, 40 + 4 * 255, 4), (Bytes{255, 0, 100, 0}));
}

TEST(PackedDibLayout, EightBitPaletteFlattenedEntryByEntry)
{
    Bytes palette(1024, 0);
    const uint8_t opaque[4] = {0, 200, 100, 50};
    const uint8_t half[4] = {128, 200, 100, 50};
    std::memcpy(&palette[4 * 3], opaque, 4);
    std::memcpy(&palette[4 * 4], half, 4);
    const Picture p = makePicture(1, 1, 8, {3}, palette);
    const Bytes dib = packed(p, 10 | 20 << 8 | 30 << 16, true);
    EXPECT_EQ(slice(dib, 40 + 4 * 3, 4), (Bytes{50, 100, 200, 0}));
    // (k T + v (255 - T)) / 255: blue (30*128 + 50*127) / 255 = 39, and so on.
    EXPECT_EQ(slice(dib, 40 + 4 * 4, 4), (Bytes{39, 59, 104, 0}));
    EXPECT_EQ(slice(dib, 40, 4), (Bytes{0, 0, 0, 0}));
}

TEST(PackedDibLayout, ThirtyTwoBitsBottomUpWithoutPadding)
{
    // 1 x 3, opaque pixels whose R numbers the row.
    const Picture p = makePicture(1, 3, 32, {0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0});
    EXPECT_EQ(p.packedDibSize(), 52u);
    const Bytes dib = packed(p, kBlackBackground, false);
    EXPECT_EQ(slice(dib, 0, 40), header(1, 3, 32));
    EXPECT_EQ(slice(dib, 40, 12), (Bytes{0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0}));
}

TEST(PackedDibPixels, PremultipliedAlpha)
{
    EXPECT_EQ(row32({0, 200, 100, 50}, kBlackBackground, true), (Bytes{50, 100, 200, 255}));
    EXPECT_EQ(row32({255, 200, 100, 50}, kBlackBackground, true), (Bytes{0, 0, 0, 0}));
    // A = 127: 50*127/255 = 24, 100*127/255 = 49, 200*127/255 = 99.
    EXPECT_EQ(row32({128, 200, 100, 50}, kWhiteBackground, true), (Bytes{24, 49, 99, 127}));
}

TEST(PackedDibPixels, FlattenedOntoBackground)
{
    EXPECT_EQ(row32({255, 200, 100, 50}, kWhiteBackground, false), (Bytes{255, 255, 255, 0}));
    EXPECT_EQ(row32({0, 200, 100, 50}, kWhiteBackground, false), (Bytes{50, 100, 200, 0}));
    EXPECT_EQ(row32({128, 200, 100, 50}, 10 | 20 << 8 | 30 << 16, false), (Bytes{39, 59, 104, 0}));
}

TEST(PackedDibPixels, EveryTransparencyAndColourLevel)
{
    // 256 x 256: T is the row, every colour part the column (B inverted so
    // the three parts differ).
    Bytes px;
    for (int t = 0; t < 256; ++t)
        for (int v = 0; v < 256; ++v)
            px.insert(px.end(), {static_cast<uint8_t>(t), static_cast<uint8_t>(v),
                                 static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v)});
    const Picture p = makePicture(256, 256, 32, px);
    const uint32_t k[3] = {77, 150, 3};  // background blue, green, red
    const Bytes pre = packed(p, k[2] | k[1] << 8 | k[0] << 16, true);
    const Bytes flat = packed(p, k[2] | k[1] << 8 | k[0] << 16, false);
    ASSERT_EQ(pre.size(), 40u + 256 * 256 * 4);
    ASSERT_EQ(flat.size(), pre.size());
    int mismatches = 0;
    for (uint32_t t = 0; t < 256; ++t) {
        const size_t row = 40 + (255 - t) * 256 * 4;
        for (uint32_t v = 0; v < 256; ++v) {
            const uint32_t parts[3] = {255 - v, v, v};  // B, G, R
            const uint32_t a = 255 - t;
            for (int c = 0; c < 3; ++c) {
                mismatches += pre[row + 4 * v + c] != parts[c] * a / 255;
                mismatches += flat[row + 4 * v + c] != (k[c] * t + parts[c] * (255 - t)) / 255;
            }
            mismatches += pre[row + 4 * v + 3] != a;
            mismatches += flat[row + 4 * v + 3] != 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(PackedDibSize, LargestDimensionsDoNotWrap)
{
    Picture p;
    p.width = INT32_MAX;
    p.height = INT32_MAX;
    const uint64_t side = INT32_MAX;
    p.bitsPerPixel = 32;
    EXPECT_EQ(p.packedDibSize(), 40 + 4 * side * side);
    p.bitsPerPixel = 24;
    EXPECT_EQ(p.packedDibSize(), 40 + (3 * side + 3) / 4 * 4 * side);
    p.bitsPerPixel = 8;
    EXPECT_EQ(p.packedDibSize(), 1064 + (side + 1) * side);
    p.bitsPerPixel = 1;
    EXPECT_EQ(p.packedDibSize(), 48 + (side + 7) / 8 * side);
}

TEST(PackedDibRefusals, NoDibForUnsupportedOrMissingImages)
{
    EXPECT_EQ(makePicture(2, 1, 16, {0, 0, 0, 0}).toPackedDib(0, true), nullptr);
    EXPECT_EQ(makePicture(1, 1, 4, {0}).toPackedDib(0, true), nullptr);
    EXPECT_EQ(Picture().toPackedDib(0, true), nullptr);
    Picture noPixels;
    noPixels.width = 2;
    noPixels.height = 2;
    noPixels.bitsPerPixel = 24;
    EXPECT_EQ(noPixels.toPackedDib(0, true), nullptr);
    EXPECT_EQ(makePicture(0, 1, 24, {0}).toPackedDib(0, true), nullptr);
    EXPECT_EQ(makePicture(1, -1, 24, {0, 0, 0}).toPackedDib(0, true), nullptr);
}

TEST(PackedDibRefusals, FailedAllocationGivesNoDib)
{
    // Claims 2^48 pixels while holding a few bytes: the allocation must fail
    // before any pixel is read.
    const Picture huge = makePicture(1 << 24, 1 << 24, 32, Bytes(16, 0));
    EXPECT_EQ(huge.toPackedDib(0, true), nullptr);
}
