// The editing operations behind the anaglyph: adjustChannel, scaleOpacity,
// shift, composeOver and autoLevels, pinned with tiny hand-computed pictures
// and their exact bytes.

#include "picture/picture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "picture_fixtures.h"

namespace {

// A 256-entry palette of zeros with the given T,R,G,B entries.
Bytes palette256(std::initializer_list<std::pair<int, Bytes>> entries)
{
    Bytes table(1024, 0);
    for (const auto& [index, value] : entries)
        std::memcpy(table.data() + 4 * index, value.data(), 4);
    return table;
}

// The four bytes T,R,G,B of the 32-bit pixel at (x, y).
Bytes pixel32(const Picture& p, int32_t x, int32_t y)
{
    const uint8_t* at = p.pixels.get() + (static_cast<size_t>(y) * p.width + x) * 4;
    return Bytes(at, at + 4);
}

// ---------------------------------------------------------------- adjustChannel

TEST(AdjustChannel, AddsToOneChannelOfEveryPixelAndClamps)
{
    Picture p = makePicture(2, 1, 24, {10, 20, 30, 250, 5, 128});
    p.adjustChannel(1, 10);
    p.adjustChannel(3, -100);
    EXPECT_EQ(pixelsOf(p), (Bytes{20, 20, 0, 255, 5, 28}));

    // Amounts far beyond a byte clamp like 255 does, without overflow.
    p.adjustChannel(2, INT_MAX);
    EXPECT_EQ(pixelsOf(p), (Bytes{20, 255, 0, 255, 255, 28}));
    p.adjustChannel(1, INT_MIN);
    EXPECT_EQ(pixelsOf(p), (Bytes{0, 255, 0, 0, 255, 28}));
}

TEST(AdjustChannel, ChannelZeroIsTransparencyAndExistsOnlyAt32Bits)
{
    Picture rgb = makePicture(1, 1, 24, {1, 2, 3});
    rgb.adjustChannel(0, 50);
    EXPECT_EQ(pixelsOf(rgb), (Bytes{1, 2, 3}));

    Picture trgb = makePicture(2, 1, 32, {0, 1, 2, 3, 220, 4, 5, 6});
    trgb.adjustChannel(0, 50);
    EXPECT_EQ(pixelsOf(trgb), (Bytes{50, 1, 2, 3, 255, 4, 5, 6}));
    trgb.adjustChannel(3, 253);
    EXPECT_EQ(pixelsOf(trgb), (Bytes{50, 1, 2, 255, 255, 4, 5, 255}));
}

TEST(AdjustChannel, ChangesPaletteEntriesNotIndices)
{
    Picture gray = makePicture(2, 1, 8, {3, 200}, palette256({{3, {0, 10, 20, 30}}, {200, {9, 250, 0, 1}}}));
    gray.adjustChannel(1, 10);
    EXPECT_EQ(pixelsOf(gray), (Bytes{3, 200}));
    const Bytes palette = paletteOf(gray);
    EXPECT_EQ(Bytes(palette.begin() + 12, palette.begin() + 16), (Bytes{0, 20, 20, 30}));
    EXPECT_EQ(Bytes(palette.begin() + 800, palette.begin() + 804), (Bytes{9, 255, 0, 1}));
    EXPECT_EQ(palette[4 * 7 + 1], 10);  // unused entries change too

    Picture bits = makePicture(8, 1, 1, {0xF0}, {0, 0, 0, 0, 0, 255, 255, 255});
    bits.adjustChannel(2, -5);
    EXPECT_EQ(paletteOf(bits), (Bytes{0, 0, 0, 0, 0, 255, 250, 255}));

    Picture bare = makePicture(2, 1, 8, {3, 200});
    bare.adjustChannel(1, 10);
    EXPECT_FALSE(bare.palette);
    EXPECT_EQ(pixelsOf(bare), (Bytes{3, 200}));
}

TEST(AdjustChannel, ZeroAmountUnknownChannelOrEmptyPictureChangeNothing)
{
    Picture p = makePicture(1, 1, 32, {7, 1, 2, 3});
    p.adjustChannel(1, 0);
    p.adjustChannel(4, 10);
    p.adjustChannel(-1, 10);
    EXPECT_EQ(pixelsOf(p), (Bytes{7, 1, 2, 3}));

    Picture empty;
    empty.adjustChannel(1, 10);
    EXPECT_FALSE(empty.holdsImage());
}

// ---------------------------------------------------------------- scaleOpacity

TEST(ScaleOpacity, HalvingTruncatesTheKeptOpacity)
{
    // T = 255 - trunc((255 - T) * 0.5); the colour bytes stay.
    Picture p = makePicture(6, 1, 32, {0, 1, 2, 3, 1, 0, 0, 0, 2, 0, 0, 0, 100, 0, 0, 0, 254, 0, 0, 0, 255, 9, 9, 9});
    p.scaleOpacity(0.5);
    EXPECT_EQ(pixelsOf(p), (Bytes{128, 1, 2, 3, 128, 0, 0, 0, 129, 0, 0, 0, 178, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}));
}

TEST(ScaleOpacity, OpacityAboveFullIsCapped)
{
    Picture p = makePicture(3, 1, 32, {200, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0});
    p.scaleOpacity(2.0);
    EXPECT_EQ(pixelsOf(p), (Bytes{145, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ScaleOpacity, NegativeFactorLeavesPixelsFullyTransparent)
{
    Picture p = makePicture(2, 1, 32, {0, 1, 2, 3, 100, 4, 5, 6});
    p.scaleOpacity(-0.5);
    EXPECT_EQ(pixelsOf(p), (Bytes{255, 1, 2, 3, 255, 4, 5, 6}));
}

TEST(ScaleOpacity, FactorOneAnd24BitsChangeNothing)
{
    Picture trgb = makePicture(1, 1, 32, {40, 1, 2, 3});
    trgb.scaleOpacity(1.0);
    EXPECT_EQ(pixelsOf(trgb), (Bytes{40, 1, 2, 3}));

    Picture rgb = makePicture(1, 1, 24, {0, 1, 2});
    rgb.scaleOpacity(0.5);
    EXPECT_EQ(rgb.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(rgb), (Bytes{0, 1, 2}));
}

TEST(ScaleOpacity, ScalesPaletteTransparency)
{
    Picture p = makePicture(8, 1, 1, {0x0F}, {0, 255, 255, 255, 55, 0, 0, 0});
    p.scaleOpacity(0.5);
    EXPECT_EQ(paletteOf(p), (Bytes{128, 255, 255, 255, 155, 0, 0, 0}));
    EXPECT_EQ(pixelsOf(p), (Bytes{0x0F}));
}

// ---------------------------------------------------------------- shift

// 3 x 2, pixel (x, y) = (0, 10y + x, 100 + x, 200 + y).
Picture labelled32()
{
    Bytes pixels;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            pixels.insert(pixels.end(), {0, static_cast<uint8_t>(10 * y + x), static_cast<uint8_t>(100 + x),
                                         static_cast<uint8_t>(200 + y)});
    return makePicture(3, 2, 32, pixels);
}

Bytes label(int x, int y)
{
    return {0, static_cast<uint8_t>(10 * y + x), static_cast<uint8_t>(100 + x), static_cast<uint8_t>(200 + y)};
}

// Vacated pixels are defined only by T = 255.
void expectVacated(const Picture& p, int32_t x, int32_t y)
{
    EXPECT_EQ(pixel32(p, x, y)[0], 255) << "at " << x << "," << y;
}

TEST(Shift, MovesPixelsInEachDirectionAndVacatesTheRest)
{
    Picture left = labelled32();
    left.shift(0, 1);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(pixel32(left, 0, y), label(1, y));
        EXPECT_EQ(pixel32(left, 1, y), label(2, y));
        expectVacated(left, 2, y);
    }

    Picture right = labelled32();
    right.shift(1, 2);
    for (int y = 0; y < 2; ++y) {
        expectVacated(right, 0, y);
        expectVacated(right, 1, y);
        EXPECT_EQ(pixel32(right, 2, y), label(0, y));
    }

    Picture up = labelled32();
    up.shift(2, 1);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(pixel32(up, x, 0), label(x, 1));
        expectVacated(up, x, 1);
    }

    Picture down = labelled32();
    down.shift(3, 1);
    for (int x = 0; x < 3; ++x) {
        expectVacated(down, x, 0);
        EXPECT_EQ(pixel32(down, x, 1), label(x, 0));
    }
}

TEST(Shift, NegativeCountReversesTheDirection)
{
    Picture a = labelled32();
    Picture b = labelled32();
    a.shift(0, -2);
    b.shift(1, 2);
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));

    Picture c = labelled32();
    Picture d = labelled32();
    c.shift(3, -1);
    d.shift(2, 1);
    EXPECT_EQ(pixelsOf(c), pixelsOf(d));
}

TEST(Shift, CountBeyondTheSizeVacatesEverything)
{
    for (int direction = 0; direction < 4; ++direction) {
        const int32_t size = direction < 2 ? 3 : 2;
        for (int32_t count : {size, size + 4, -size, INT32_MAX, INT32_MIN}) {
            Picture p = labelled32();
            p.shift(direction, count);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    expectVacated(p, x, y);
        }
    }
}

TEST(Shift, ConvertsEveryDepthTo32BitsFirst)
{
    Picture rgb = makePicture(2, 1, 24, {1, 2, 3, 4, 5, 6});
    rgb.shift(1, 1);
    ASSERT_EQ(rgb.bitsPerPixel, 32);
    expectVacated(rgb, 0, 0);
    EXPECT_EQ(pixel32(rgb, 1, 0), (Bytes{0, 1, 2, 3}));

    // Palette-less indices read as greys: 0 white, 255 black.
    Picture gray = makePicture(2, 1, 8, {0, 255});
    gray.shift(0, 1);
    ASSERT_EQ(gray.bitsPerPixel, 32);
    EXPECT_FALSE(gray.palette);
    EXPECT_EQ(pixel32(gray, 0, 0), (Bytes{0, 0, 0, 0}));
    expectVacated(gray, 1, 0);

    Picture bits = makePicture(3, 1, 1, {0x40}, {0, 1, 2, 3, 0, 7, 8, 9});
    bits.shift(0, 1);
    ASSERT_EQ(bits.bitsPerPixel, 32);
    EXPECT_EQ(pixel32(bits, 0, 0), (Bytes{0, 7, 8, 9}));
    EXPECT_EQ(pixel32(bits, 1, 0), (Bytes{0, 1, 2, 3}));
    expectVacated(bits, 2, 0);
}

TEST(Shift, ZeroCountChangesNothingNotEvenTheDepth)
{
    Picture rgb = makePicture(2, 1, 24, {1, 2, 3, 4, 5, 6});
    rgb.shift(0, 0);
    EXPECT_EQ(rgb.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(rgb), (Bytes{1, 2, 3, 4, 5, 6}));
}

// ---------------------------------------------------------------- composeOver

TEST(ComposeOver, RefusesEmptyOrMismatchedPictures)
{
    Picture base = makePicture(2, 1, 32, {0, 1, 2, 3, 0, 4, 5, 6});
    Picture tall = makePicture(2, 2, 32, Bytes(16, 128));
    Picture wide = makePicture(1, 1, 32, Bytes(4, 128));
    Picture empty;
    EXPECT_EQ(base.composeOver(tall, true), 1);
    EXPECT_EQ(base.composeOver(wide, false), 1);
    EXPECT_EQ(base.composeOver(empty, true), 1);
    EXPECT_EQ(pixelsOf(base), (Bytes{0, 1, 2, 3, 0, 4, 5, 6}));
    EXPECT_EQ(empty.composeOver(base, true), 1);
    EXPECT_FALSE(empty.holdsImage());
}

TEST(ComposeOver, OverlayWithoutTransparencyReplacesTheBase)
{
    Picture base = makePicture(2, 1, 32, {255, 1, 2, 3, 40, 4, 5, 6});
    Picture rgb = makePicture(2, 1, 24, {9, 8, 7, 6, 5, 4});
    EXPECT_EQ(base.composeOver(rgb, true), 0);
    EXPECT_EQ(base.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(base), (Bytes{9, 8, 7, 6, 5, 4}));

    Picture opaque = makePicture(2, 1, 32, {0, 1, 1, 1, 0, 2, 2, 2});
    EXPECT_EQ(base.composeOver(opaque, false), 0);
    EXPECT_EQ(base.bitsPerPixel, 32);
    EXPECT_EQ(pixelsOf(base), (Bytes{0, 1, 1, 1, 0, 2, 2, 2}));
}

TEST(ComposeOver, FullyTransparentOverlayPixelsLeaveTheBase)
{
    for (bool keep : {false, true}) {
        Picture base = makePicture(2, 1, 32, {0, 1, 2, 3, 77, 4, 5, 6});
        Picture overlay = makePicture(2, 1, 32, {255, 90, 91, 92, 255, 93, 94, 95});
        EXPECT_EQ(base.composeOver(overlay, keep), 0);
        EXPECT_EQ(pixelsOf(base), (Bytes{0, 1, 2, 3, 77, 4, 5, 6}));
    }
}

TEST(ComposeOver, OpaqueOverlayPixelsCopyTheirColour)
{
    // The transparent second pixel keeps the overlay from counting as opaque.
    const Bytes over = {0, 90, 91, 92, 255, 0, 0, 0, 0, 93, 94, 95, 255, 0, 0, 0};
    const Bytes under = {60, 1, 2, 3, 0, 0, 0, 0, 0, 4, 5, 6, 0, 0, 0, 0};

    Picture kept = makePicture(4, 1, 32, under);
    EXPECT_EQ(kept.composeOver(makePicture(4, 1, 32, over), true), 0);
    EXPECT_EQ(pixel32(kept, 0, 0), (Bytes{0, 90, 91, 92}));
    EXPECT_EQ(pixel32(kept, 2, 0), (Bytes{0, 93, 94, 95}));

    Picture plain = makePicture(4, 1, 32, under);
    EXPECT_EQ(plain.composeOver(makePicture(4, 1, 32, over), false), 0);
    EXPECT_EQ(pixel32(plain, 0, 0), (Bytes{60, 90, 91, 92}));  // the base keeps its transparency
    EXPECT_EQ(pixel32(plain, 2, 0), (Bytes{0, 93, 94, 95}));
}

TEST(ComposeOver, TranslucentOverlayOnFullyTransparentBase)
{
    const Bytes over = {100, 90, 91, 92};
    Picture kept = makePicture(1, 1, 32, {255, 1, 2, 3});
    EXPECT_EQ(kept.composeOver(makePicture(1, 1, 32, over), true), 0);
    EXPECT_EQ(pixelsOf(kept), (Bytes{100, 90, 91, 92}));

    Picture plain = makePicture(1, 1, 32, {255, 1, 2, 3});
    EXPECT_EQ(plain.composeOver(makePicture(1, 1, 32, over), false), 0);
    EXPECT_EQ(pixelsOf(plain), (Bytes{255, 1, 2, 3}));
}

TEST(ComposeOver, TranslucentOverlayMixesByItsWeight)
{
    // d = 128 over e = 0: a = 255, w = 127; red (200*127 + 100*128) / 255 =
    // 149.80; blue 255*127 / 255 is exactly 127, and 127.5 truncates to 127.
    Picture half = makePicture(1, 1, 32, {0, 100, 200, 0});
    EXPECT_EQ(half.composeOver(makePicture(1, 1, 32, {128, 200, 100, 255}), true), 0);
    EXPECT_EQ(pixelsOf(half), (Bytes{0, 150, 150, 127}));

    // d = 50 over e = 100: a = 155*50/255 + 205 = 235.392, w = 205*255/a =
    // 222.076; red (10w + 250(255 - w)) / 255 = 40.987; T = 255 - a = 19.6.
    const Bytes over = {50, 10, 200, 255};
    const Bytes under = {100, 250, 0, 255};
    Picture kept = makePicture(1, 1, 32, under);
    EXPECT_EQ(kept.composeOver(makePicture(1, 1, 32, over), true), 0);
    EXPECT_EQ(pixelsOf(kept), (Bytes{20, 41, 174, 255}));

    Picture plain = makePicture(1, 1, 32, under);
    EXPECT_EQ(plain.composeOver(makePicture(1, 1, 32, over), false), 0);
    EXPECT_EQ(pixelsOf(plain), (Bytes{100, 41, 174, 255}));
}

TEST(ComposeOver, WeightIsComputedInSinglePrecision)
{
    // d = 1 over e = 85: w = 254.332458 in single precision, and the red
    // quotient (191 * (255 - w)) / 255 comes to 0.500002, which rounds to 1;
    // the same formula in double precision gives 0.49999 and so 0.
    Picture p = makePicture(1, 1, 32, {85, 191, 180, 255});
    EXPECT_EQ(p.composeOver(makePicture(1, 1, 32, {1, 0, 60, 255}), true), 0);
    EXPECT_EQ(pixelsOf(p), (Bytes{0, 1, 60, 255}));
}

TEST(ComposeOver, PaletteBaseAndOverlayAreReadAsTheir32BitColours)
{
    // Palette-less base: index 0 is white, 255 black.
    Picture base = makePicture(2, 1, 8, {0, 255});
    // Overlay entry 0 opaque red, entry 1 fully transparent.
    Picture overlay = makePicture(2, 1, 1, {0x40}, {0, 255, 0, 0, 255, 0, 0, 0});
    EXPECT_EQ(base.composeOver(overlay, true), 0);
    EXPECT_EQ(base.bitsPerPixel, 32);
    EXPECT_EQ(pixelsOf(base), (Bytes{0, 255, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(pixelsOf(overlay), (Bytes{0x40}));
}

// ---------------------------------------------------------------- autoLevels

TEST(AutoLevels, SpreadsTheRangePresentOverFullScale)
{
    // m = 50, M = 150, f = 255.0 / 100; (150 - 50) * f is 254.99999999999997
    // in double precision, so even the maximum lands on 254.
    Picture p = makePicture(2, 1, 24, {50, 100, 150, 75, 125, 60});
    EXPECT_TRUE(p.autoLevels());
    EXPECT_EQ(pixelsOf(p), (Bytes{0, 127, 254, 63, 191, 25}));
}

TEST(AutoLevels, IgnoresFullyTransparentPixelsYetMapsThemToo)
{
    // Only the visible pixels fix m = 100, M = 200; the hidden values 10 and
    // 250 map to -229 and 382, stored as their low 8 bits. T is untouched.
    Picture p = makePicture(2, 1, 32, {0, 100, 200, 150, 255, 10, 250, 100});
    EXPECT_TRUE(p.autoLevels());
    EXPECT_EQ(pixelsOf(p), (Bytes{0, 0, 254, 127, 255, 27, 126, 0}));
}

TEST(AutoLevels, FullRangeOrSingleValueOrNothingVisibleChangeNothing)
{
    Picture full = makePicture(2, 1, 24, {0, 10, 20, 30, 40, 255});
    EXPECT_FALSE(full.autoLevels());
    EXPECT_EQ(pixelsOf(full), (Bytes{0, 10, 20, 30, 40, 255}));

    Picture flat = makePicture(2, 1, 32, {0, 9, 9, 9, 255, 1, 200, 3});
    EXPECT_FALSE(flat.autoLevels());
    EXPECT_EQ(pixelsOf(flat), (Bytes{0, 9, 9, 9, 255, 1, 200, 3}));

    Picture hidden = makePicture(1, 1, 32, {255, 1, 2, 3});
    EXPECT_FALSE(hidden.autoLevels());
    EXPECT_EQ(pixelsOf(hidden), (Bytes{255, 1, 2, 3}));

    Picture bare = makePicture(2, 1, 8, {3, 200});
    EXPECT_FALSE(bare.autoLevels());
    Picture empty;
    EXPECT_FALSE(empty.autoLevels());
}

TEST(AutoLevels, PalettePicturesChangeEveryEntryByTheColoursInUse)
{
    // Entries 3 and 5 are used: m = 20, M = 60, f = 6.375. Unused entry 9
    // lies outside and wraps: 0 -> -127.5 -> 129, 200 -> 1147 -> 123.
    Picture p = makePicture(2, 1, 8, {3, 5},
                            palette256({{3, {0, 20, 40, 60}}, {5, {0, 60, 60, 60}}, {9, {7, 0, 200, 10}}}));
    EXPECT_TRUE(p.autoLevels());
    const Bytes palette = paletteOf(p);
    EXPECT_EQ(Bytes(palette.begin() + 12, palette.begin() + 16), (Bytes{0, 0, 127, 255}));
    EXPECT_EQ(Bytes(palette.begin() + 20, palette.begin() + 24), (Bytes{0, 255, 255, 255}));
    EXPECT_EQ(Bytes(palette.begin() + 36, palette.begin() + 40), (Bytes{7, 129, 123, 193}));
    EXPECT_EQ(pixelsOf(p), (Bytes{3, 5}));
}

}  // namespace
