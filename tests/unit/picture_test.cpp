// Picture record, depth conversions, pixel reading and cropping, pinned with
// tiny hand-computed pictures.

#include "picture/picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "asan_may_return_null.h"
#include "picture_fixtures.h"

namespace {

// A picture that claims a huge size but holds only a few bytes: every
// operation on it must fail at its allocation, before it reads any pixel.
Picture makeHugeClaim(int32_t bitsPerPixel, bool withPalette = false)
{
    Picture p = makePicture(1 << 24, 1 << 24, bitsPerPixel, Bytes(16, 0x5A));
    if (withPalette) {
        p.palette = allocateBytes(p.paletteBytes());
        std::memset(p.palette.get(), 7, p.paletteBytes());
    }
    return p;
}

Bytes palette256(std::initializer_list<std::pair<int, uint32_t>> entries)
{
    Bytes table(1024, 0);
    for (auto [index, value] : entries)
        for (int b = 0; b < 4; ++b)
            table[4 * index + b] = static_cast<uint8_t>(value >> (8 * b));
    return table;
}

// T | R << 8 | G << 16 | B << 24, as pixelAt answers.
constexpr uint32_t trgb(uint32_t t, uint32_t r, uint32_t g, uint32_t b)
{
    return t | r << 8 | g << 16 | b << 24;
}

constexpr uint32_t kWhite = trgb(0, 255, 255, 255);
constexpr uint32_t kBlack = trgb(0, 0, 0, 0);

}  // namespace

TEST(PictureSizes, RowAndArrayBytesByDepth)
{
    Picture p;
    p.width = 10;
    p.height = 3;
    p.bitsPerPixel = 1;
    EXPECT_EQ(p.rowBytes(), 2u);
    EXPECT_EQ(p.pixelBytes(), 6u);
    EXPECT_EQ(p.paletteBytes(), 8u);
    p.bitsPerPixel = 8;
    EXPECT_EQ(p.pixelBytes(), 30u);
    EXPECT_EQ(p.paletteBytes(), 1024u);
    p.bitsPerPixel = 24;
    EXPECT_EQ(p.rowBytes(), 30u);
    EXPECT_EQ(p.paletteBytes(), 0u);
    p.bitsPerPixel = 32;
    EXPECT_EQ(p.pixelBytes(), 120u);
    p.bitsPerPixel = 16;
    EXPECT_EQ(p.rowBytes(), 0u);
    EXPECT_EQ(p.pixelBytes(), 0u);
}

TEST(PictureSizes, LargestDimensionsDoNotWrap)
{
    Picture p;
    p.width = INT32_MAX;
    p.height = INT32_MAX;
    p.bitsPerPixel = 32;
    const uint64_t side = INT32_MAX;
    EXPECT_EQ(p.pixelBytes(), 4 * side * side);
    p.bitsPerPixel = 1;
    EXPECT_EQ(p.pixelBytes(), (side + 7) / 8 * side);
    p.width = -4;
    EXPECT_EQ(p.pixelBytes(), 0u);
}

TEST(PictureAllocation, ImpossibleSizeGivesNull)
{
    EXPECT_EQ(allocateBytes(SIZE_MAX), nullptr);
    EXPECT_NE(allocateBytes(16), nullptr);
}

TEST(PictureClear, EmptiesEverything)
{
    Picture p = makePicture(2, 1, 8, {1, 2}, palette256({}));
    p.clear();
    EXPECT_FALSE(p.holdsImage());
    EXPECT_EQ(p.palette, nullptr);
    EXPECT_EQ(p.width, 0);
    EXPECT_EQ(p.height, 0);
    EXPECT_EQ(p.bitsPerPixel, 0);
}

TEST(PictureAssign, SameShapeReusesArrays)
{
    Picture target = makePicture(2, 2, 8, {0, 0, 0, 0}, palette256({}));
    const Picture source = makePicture(2, 2, 8, {1, 2, 3, 4}, palette256({{3, 0x11223344}}));
    const uint8_t* oldPixels = target.pixels.get();
    const uint8_t* oldPalette = target.palette.get();
    target.assign(source);
    EXPECT_EQ(target.pixels.get(), oldPixels);
    EXPECT_EQ(target.palette.get(), oldPalette);
    EXPECT_EQ(pixelsOf(target), pixelsOf(source));
    EXPECT_EQ(paletteOf(target), paletteOf(source));
}

TEST(PictureAssign, DifferentShapeOrPaletteStateReallocates)
{
    Picture target = makePicture(1, 1, 24, {9, 9, 9});
    const Picture source = makePicture(2, 1, 24, {1, 2, 3, 4, 5, 6});
    target.assign(source);
    EXPECT_EQ(target.width, 2);
    EXPECT_EQ(pixelsOf(target), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_NE(target.pixels.get(), source.pixels.get());

    // Same size and depth, but only the source has a palette.
    Picture bare = makePicture(2, 1, 8, {0, 0});
    const Picture withPalette = makePicture(2, 1, 8, {5, 6}, palette256({{5, kWhite}}));
    bare.assign(withPalette);
    ASSERT_NE(bare.palette, nullptr);
    EXPECT_EQ(paletteOf(bare), paletteOf(withPalette));
    EXPECT_EQ(pixelsOf(bare), (Bytes{5, 6}));

    // And the other way round: the palette goes.
    Picture coloured = makePicture(2, 1, 8, {0, 0}, palette256({}));
    coloured.assign(makePicture(2, 1, 8, {7, 8}));
    EXPECT_EQ(coloured.palette, nullptr);
    EXPECT_EQ(pixelsOf(coloured), (Bytes{7, 8}));
}

TEST(PictureAssign, EmptySourceEmptiesTarget)
{
    Picture target = makePicture(1, 1, 32, {1, 2, 3, 4});
    target.assign(Picture());
    EXPECT_FALSE(target.holdsImage());
    EXPECT_EQ(target.width, 0);
    EXPECT_EQ(target.bitsPerPixel, 0);
}

TEST(PictureAssign, SelfAssignKeepsImage)
{
    Picture p = makePicture(1, 1, 24, {1, 2, 3});
    p.assign(p);
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 2, 3}));
}

TEST(PictureAssign, FailedAllocationLeavesTargetAsItWas)
{
    Picture target = makePicture(1, 1, 24, {1, 2, 3});
    target.assign(makeHugeClaim(24));
    EXPECT_EQ(target.width, 1);
    EXPECT_EQ(pixelsOf(target), (Bytes{1, 2, 3}));
}

TEST(PicturePixelAt, OneBitWithAndWithoutPalette)
{
    // 10 x 1: bits 1000 0000 01.. ....
    Picture p = makePicture(10, 1, 1, {0x80, 0x40});
    EXPECT_EQ(p.pixelAt(0, 0), kBlack);
    EXPECT_EQ(p.pixelAt(1, 0), kWhite);
    EXPECT_EQ(p.pixelAt(9, 0), kBlack);
    EXPECT_EQ(p.pixelAt(8, 0), kWhite);
    p.palette = allocateBytes(8);
    const uint8_t entries[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(p.palette.get(), entries, 8);
    EXPECT_EQ(p.pixelAt(0, 0), 0x08070605u);
    EXPECT_EQ(p.pixelAt(1, 0), 0x04030201u);
}

TEST(PicturePixelAt, EightBitGreyRampAndPalette)
{
    Picture p = makePicture(3, 1, 8, {0, 255, 100});
    EXPECT_EQ(p.pixelAt(0, 0), kWhite);
    EXPECT_EQ(p.pixelAt(1, 0), kBlack);
    EXPECT_EQ(p.pixelAt(2, 0), trgb(0, 155, 155, 155));
    p.palette = allocateBytes(1024);
    const Bytes table = palette256({{100, trgb(9, 10, 11, 12)}});
    std::memcpy(p.palette.get(), table.data(), 1024);
    EXPECT_EQ(p.pixelAt(2, 0), trgb(9, 10, 11, 12));
}

TEST(PicturePixelAt, TrueColourDepths)
{
    const Picture rgb = makePicture(2, 1, 24, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(rgb.pixelAt(1, 0), trgb(0, 4, 5, 6));
    const Picture trgbPicture = makePicture(1, 1, 32, {7, 8, 9, 10});
    EXPECT_EQ(trgbPicture.pixelAt(0, 0), trgb(7, 8, 9, 10));
}

TEST(PicturePixelAt, CoordinatesAreClamped)
{
    // 2 x 3, 24 bits; each pixel's R names its column and row.
    const Picture p = makePicture(2, 3, 24,
                                  {0x00, 0, 0, 0x10, 0, 0,  //
                                   0x01, 0, 0, 0x11, 0, 0,  //
                                   0x02, 0, 0, 0x12, 0, 0});
    EXPECT_EQ(p.pixelAt(-5, p.height + 3), trgb(0, 0x02, 0, 0));
    EXPECT_EQ(p.pixelAt(7, -1), trgb(0, 0x10, 0, 0));
    EXPECT_EQ(p.pixelAt(p.width, 0), trgb(0, 0x10, 0, 0));
    EXPECT_EQ(p.pixelAt(INT32_MAX, INT32_MIN), trgb(0, 0x10, 0, 0));
}

TEST(PicturePixelAt, UnknownDepthOrNoImageReadsZero)
{
    const Picture sixteen = makePicture(1, 1, 16, {0xFF, 0xFF});
    EXPECT_EQ(sixteen.pixelAt(0, 0), 0u);
    EXPECT_EQ(Picture().pixelAt(0, 0), 0u);
}

TEST(PictureTransparency, ByDepth)
{
    EXPECT_TRUE(makePicture(8, 1, 1, {0}).hasTransparency());
    EXPECT_FALSE(makePicture(8, 1, 1, {0}, Bytes(8, 0)).hasTransparency());
    EXPECT_TRUE(makePicture(8, 1, 1, {0}, {0, 0, 0, 0, 1, 0, 0, 0}).hasTransparency());
    EXPECT_TRUE(makePicture(1, 1, 8, {0}).hasTransparency());
    EXPECT_FALSE(makePicture(1, 1, 8, {0}, palette256({})).hasTransparency());
    // An unused entry still counts.
    EXPECT_TRUE(makePicture(1, 1, 8, {0}, palette256({{255, 1}})).hasTransparency());
    EXPECT_FALSE(makePicture(1, 1, 24, {1, 2, 3}).hasTransparency());
    EXPECT_FALSE(Picture().hasTransparency());
}

TEST(PictureTransparency, ThirtyTwoBitsScansEveryPixel)
{
    // Long enough to cross the block boundary of the scan.
    Picture p = makePicture(5000, 1, 32, Bytes(20000, 0));
    EXPECT_FALSE(p.hasTransparency());
    p.pixels[4 * 4999] = 1;
    EXPECT_TRUE(p.hasTransparency());
    p.pixels[4 * 4999] = 0;
    p.pixels[4 * 4999 + 1] = 255;  // a colour byte, not T
    EXPECT_FALSE(p.hasTransparency());
}

TEST(PicturePalette, GeneratedForBlackInk)
{
    Picture one = makePicture(1, 1, 1, {0});
    one.ensurePalette(0);
    EXPECT_EQ(paletteOf(one), (Bytes{0, 255, 255, 255, 0, 0, 0, 0}));

    Picture eight = makePicture(1, 1, 8, {0});
    eight.ensurePalette(0);
    Bytes ramp;
    for (int i = 0; i < 256; ++i)
        ramp.insert(ramp.end(), {0, static_cast<uint8_t>(255 - i), static_cast<uint8_t>(255 - i),
                                 static_cast<uint8_t>(255 - i)});
    EXPECT_EQ(paletteOf(eight), ramp);
}

TEST(PicturePalette, GeneratedForColouredInk)
{
    const uint32_t ink = trgb(0, 100, 0, 255);
    Picture one = makePicture(1, 1, 1, {0});
    one.ensurePalette(ink);
    EXPECT_EQ(paletteOf(one), (Bytes{0, 155, 255, 0, 0, 100, 0, 255}));

    Picture eight = makePicture(1, 1, 8, {0});
    eight.ensurePalette(ink);
    // Red: (i * 100 + 155 * (255 - i)) / 255.
    EXPECT_EQ(eight.palette[4 * 0 + 1], 155);
    EXPECT_EQ(eight.palette[4 * 128 + 1], 127);
    EXPECT_EQ(eight.palette[4 * 255 + 1], 100);
    EXPECT_EQ(eight.palette[4 * 128 + 2], 127);
    EXPECT_EQ(eight.palette[4 * 128 + 3], 128);
    EXPECT_EQ(eight.palette[4 * 128], 0);
}

TEST(PicturePalette, ExistingPaletteAndOtherDepthsUntouched)
{
    Picture p = makePicture(1, 1, 1, {0}, {1, 2, 3, 4, 5, 6, 7, 8});
    p.ensurePalette(0);
    EXPECT_EQ(paletteOf(p), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    Picture rgb = makePicture(1, 1, 24, {1, 2, 3});
    rgb.ensurePalette(0);
    EXPECT_EQ(rgb.palette, nullptr);
}

TEST(PictureConvert1To8, TenPixelRowsWithoutPalette)
{
    // Rows of 2 bytes; the low bits of each second byte are padding and set
    // on purpose.
    Picture p = makePicture(10, 2, 1, {0xA5, 0x7F, 0x01, 0xBF});
    p.convert1To8();
    EXPECT_EQ(p.bitsPerPixel, 8);
    EXPECT_EQ(p.palette, nullptr);
    EXPECT_EQ(pixelsOf(p), (Bytes{255, 0, 255, 0, 0, 255, 0, 255, 0, 255,  //
                                  0, 0, 0, 0, 0, 0, 0, 255, 255, 0}));
    EXPECT_EQ(p.pixelAt(0, 0), kBlack);
    EXPECT_EQ(p.pixelAt(1, 0), kWhite);
}

TEST(PictureConvert1To8, TenPixelRowsWithPalette)
{
    Picture p = makePicture(10, 1, 1, {0xA5, 0x40}, {1, 2, 3, 4, 5, 6, 7, 8});
    p.convert1To8();
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 0, 1}));
    Bytes expectedPalette(1024, 0);
    for (int i = 0; i < 8; ++i)
        expectedPalette[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(paletteOf(p), expectedPalette);
}

TEST(PictureConvert1To8, OtherDepthOrFailedAllocationChangesNothing)
{
    Picture rgb = makePicture(1, 1, 24, {1, 2, 3});
    rgb.convert1To8();
    EXPECT_EQ(rgb.bitsPerPixel, 24);

    Picture huge = makeHugeClaim(1, true);
    const uint8_t* before = huge.pixels.get();
    huge.convert1To8();
    EXPECT_EQ(huge.bitsPerPixel, 1);
    EXPECT_EQ(huge.pixels.get(), before);
    EXPECT_EQ(huge.palette[0], 7);
}

TEST(PictureConvert8To32, BlackInkGreyRamp)
{
    Picture p = makePicture(3, 1, 8, {0, 200, 255});
    p.convert8To32(0);
    EXPECT_EQ(p.bitsPerPixel, 32);
    EXPECT_EQ(p.palette, nullptr);
    EXPECT_EQ(pixelsOf(p), (Bytes{0, 255, 255, 255, 0, 55, 55, 55, 0, 0, 0, 0}));
}

TEST(PictureConvert8To32, PaletteEntriesCopiedWithTransparency)
{
    Picture p = makePicture(2, 1, 8, {4, 9}, palette256({{4, trgb(128, 1, 2, 3)}, {9, trgb(0, 7, 8, 9)}}));
    p.convert8To32(trgb(0, 255, 0, 0));  // ink is ignored when a palette exists
    EXPECT_EQ(pixelsOf(p), (Bytes{128, 1, 2, 3, 0, 7, 8, 9}));
    EXPECT_EQ(p.palette, nullptr);
}

TEST(PictureConvert8To32, FailedAllocationChangesNothing)
{
    Picture huge = makeHugeClaim(8);
    huge.convert8To32(0);
    EXPECT_EQ(huge.bitsPerPixel, 8);
    EXPECT_EQ(huge.palette, nullptr);  // no generated palette left behind
}

TEST(PictureConvert24To32, AddsOpaqueT)
{
    Picture p = makePicture(2, 1, 24, {1, 2, 3, 4, 5, 6});
    p.convert24To32();
    EXPECT_EQ(p.bitsPerPixel, 32);
    EXPECT_EQ(pixelsOf(p), (Bytes{0, 1, 2, 3, 0, 4, 5, 6}));

    Picture huge = makeHugeClaim(24);
    huge.convert24To32();
    EXPECT_EQ(huge.bitsPerPixel, 24);
}

TEST(PictureConvert32To24, DropsTransparencyWithResultCodes)
{
    Picture p = makePicture(2, 1, 32, {255, 1, 2, 3, 0, 4, 5, 6});
    EXPECT_EQ(p.convert32To24(), 0);
    EXPECT_EQ(p.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 2, 3, 4, 5, 6}));

    EXPECT_EQ(p.convert32To24(), 1);
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 2, 3, 4, 5, 6}));

    Picture huge = makeHugeClaim(32);
    EXPECT_EQ(huge.convert32To24(), 2);
    EXPECT_EQ(huge.bitsPerPixel, 32);
}

TEST(PictureNormalise, EveryDepthEndsAtTwentyFourBits)
{
    Picture oneBit = makePicture(2, 1, 1, {0x80});
    oneBit.normaliseTo24();
    EXPECT_EQ(oneBit.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(oneBit), (Bytes{0, 0, 0, 255, 255, 255}));

    Picture oneBitPalette = makePicture(2, 1, 1, {0x40}, {0, 10, 20, 30, 99, 40, 50, 60});
    oneBitPalette.normaliseTo24();
    EXPECT_EQ(pixelsOf(oneBitPalette), (Bytes{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(oneBitPalette.palette, nullptr);

    Picture eight = makePicture(1, 1, 8, {1});
    eight.normaliseTo24();
    EXPECT_EQ(pixelsOf(eight), (Bytes{254, 254, 254}));

    Picture thirtyTwo = makePicture(1, 1, 32, {9, 1, 2, 3});
    thirtyTwo.normaliseTo24();
    EXPECT_EQ(pixelsOf(thirtyTwo), (Bytes{1, 2, 3}));

    Picture rgb = makePicture(1, 1, 24, {4, 5, 6});
    const uint8_t* before = rgb.pixels.get();
    rgb.normaliseTo24();
    EXPECT_EQ(rgb.pixels.get(), before);
}

TEST(PictureCrop, MarginsOnTrueColour)
{
    // 3 x 3, 24 bits; pixel (x, y) has R = 10 * y + x.
    Bytes px;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            px.insert(px.end(), {static_cast<uint8_t>(10 * y + x), 0, 0});
    Picture p = makePicture(3, 3, 24, px);
    ASSERT_TRUE(p.crop(1, 0, 0, 1));
    EXPECT_EQ(p.width, 2);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 0, 0, 2, 0, 0, 11, 0, 0, 12, 0, 0}));

    Picture q = makePicture(3, 1, 32, {0, 1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3});
    ASSERT_TRUE(q.crop(0, 2, 0, 0));
    EXPECT_EQ(pixelsOf(q), (Bytes{0, 1, 1, 1}));
}

TEST(PictureCrop, NegativeMarginsCountAsPositive)
{
    Picture a = makePicture(4, 1, 8, {1, 2, 3, 4});
    Picture b = makePicture(4, 1, 8, {1, 2, 3, 4});
    ASSERT_TRUE(a.crop(-2, 0, 0, 0));
    ASSERT_TRUE(b.crop(2, 0, 0, 0));
    EXPECT_EQ(pixelsOf(a), (Bytes{3, 4}));
    EXPECT_EQ(pixelsOf(b), pixelsOf(a));
}

TEST(PictureCrop, RefusalsChangeNothing)
{
    Picture p = makePicture(4, 2, 8, {1, 2, 3, 4, 5, 6, 7, 8});
    const uint8_t* before = p.pixels.get();
    EXPECT_TRUE(p.crop(0, 0, 0, 0));
    EXPECT_FALSE(p.crop(0, p.width, 0, 0));
    EXPECT_FALSE(p.crop(0, 0, 1, 1));
    EXPECT_FALSE(p.crop(INT32_MIN, INT32_MIN, 0, 0));
    EXPECT_EQ(p.pixels.get(), before);
    EXPECT_EQ(p.width, 4);
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    Picture empty;
    EXPECT_FALSE(empty.crop(1, 0, 0, 0));

    Picture huge = makeHugeClaim(24);
    EXPECT_FALSE(huge.crop(1, 0, 0, 0));
    EXPECT_EQ(huge.width, 1 << 24);
}

TEST(PictureCrop, OneBitRepacksToMostSignificantBit)
{
    // 12 x 2. Row 0: 0001 1011 0110 ....; row 1: 1110 0100 1001 ....
    Picture p = makePicture(12, 2, 1, {0x1B, 0x6F, 0xE4, 0x9F}, {0, 255, 255, 255, 0, 0, 0, 0});
    ASSERT_TRUE(p.crop(3, 0, 0, 0));
    EXPECT_EQ(p.width, 9);
    // Row 0 columns 3..11: 1101 1011 0 -> 0xDB 0x00; row 1: 0010 0100 1 -> 0x24 0x80.
    EXPECT_EQ(pixelsOf(p), (Bytes{0xDB, 0x00, 0x24, 0x80}));
    EXPECT_EQ(paletteOf(p), (Bytes{0, 255, 255, 255, 0, 0, 0, 0}));

    // Cropping on both sides clears the bits past the new width.
    Picture q = makePicture(16, 1, 1, {0xFF, 0xFF});
    ASSERT_TRUE(q.crop(8, 3, 0, 0));
    EXPECT_EQ(pixelsOf(q), (Bytes{0xF8}));

    // Whole-byte offsets.
    Picture r = makePicture(24, 1, 1, {0x01, 0x02, 0x03});
    ASSERT_TRUE(r.crop(8, 0, 0, 0));
    EXPECT_EQ(pixelsOf(r), (Bytes{0x02, 0x03}));
}

TEST(PictureCrop, EightBitPaletteIsCompacted)
{
    // Only entries 7 (white) and 2 (black) remain after cutting the first column.
    const Bytes table = palette256({{2, kBlack}, {7, kWhite}, {30, trgb(0, 1, 2, 3)}});
    Picture p = makePicture(3, 2, 8, {30, 7, 2, 30, 2, 7}, table);
    ASSERT_TRUE(p.crop(1, 0, 0, 0));
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 0, 0, 1}));
    EXPECT_EQ(paletteOf(p), palette256({{0, kBlack}, {1, kWhite}}));

    // Palette-less pictures keep their indices.
    Picture grey = makePicture(3, 1, 8, {30, 7, 2});
    ASSERT_TRUE(grey.crop(1, 0, 0, 0));
    EXPECT_EQ(pixelsOf(grey), (Bytes{7, 2}));
    EXPECT_EQ(grey.palette, nullptr);
}

TEST(PictureCompactPalette, SortsByTThenRGBAndMergesEqualColours)
{
    const uint32_t translucentBlack = trgb(1, 0, 0, 0);
    const uint32_t red = trgb(0, 255, 0, 0);
    const uint32_t blue = trgb(0, 0, 0, 255);
    Picture p = makePicture(5, 1, 8, {200, 10, 11, 12, 10},
                            palette256({{10, red}, {11, translucentBlack}, {12, blue}, {200, red}}));
    p.compactPalette();
    // blue (0,0,0,255) < red (0,255,0,0) < translucent black (1,0,0,0).
    EXPECT_EQ(pixelsOf(p), (Bytes{1, 1, 2, 0, 1}));
    EXPECT_EQ(paletteOf(p), palette256({{0, blue}, {1, red}, {2, translucentBlack}}));
}

TEST(PictureCompactPalette, LeavesOtherPicturesAlone)
{
    Picture grey = makePicture(2, 1, 8, {5, 9});
    grey.compactPalette();
    EXPECT_EQ(pixelsOf(grey), (Bytes{5, 9}));
    Picture oneBit = makePicture(8, 1, 1, {0x0F}, {0, 9, 9, 9, 0, 1, 1, 1});
    oneBit.compactPalette();
    EXPECT_EQ(paletteOf(oneBit), (Bytes{0, 9, 9, 9, 0, 1, 1, 1}));
}
