// Stereo names, the choice of layout, and composeAnaglyph: its results on
// hand-computed pictures, on synthetic stereo pairs, and byte for byte
// against the composition written operation by operation.

#include "picture/anaglyph.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture/stereo_names.h"
#include "picture_fixtures.h"

namespace {

Picture plainPicture(int32_t width, int32_t height, uint8_t value)
{
    return makePicture(width, height, 24, Bytes(static_cast<size_t>(width) * height * 3, value));
}

// The composition exactly as its steps read, one operation after another,
// from the picture as the screen shows it.
void composeReference(Picture& picture, const char16_t* path)
{
    flattenOntoBlack(picture);
    const StereoChoice choice = chooseStereoLayout(path, picture.width);
    const int32_t s = choice.shift;
    const int32_t half = picture.width / 2;
    Picture right;
    right.assign(picture);
    if (choice.layout == StereoLayout::parallelPair) {
        picture.crop(0, half, 0, 0);
        right.crop(half, 0, 0, 0);
    } else if (choice.layout == StereoLayout::crossedPair) {
        picture.crop(half, 0, 0, 0);
        right.crop(0, half, 0, 0);
    }
    picture.adjustChannel(2, 255);
    picture.adjustChannel(3, 255);
    picture.shift(0, s);
    right.adjustChannel(1, 255);
    right.shift(1, s);
    if (right.bitsPerPixel == 24)
        right.convert24To32();
    right.scaleOpacity(0.5);
    picture.composeOver(right, true);
    picture.crop(s, s, 0, 0);
    picture.autoLevels();
}

// The mix of two opaque values as the formula states it, in exact terms.
int mixFormula(int q, int p)
{
    return static_cast<int>((q * 127 + p * 128) / 255.0 + 0.5);
}

// ---------------------------------------------------------------- names

TEST(StereoNames, ParallelNameNeedsDotStereoDotBeforeTheExtension)
{
    EXPECT_TRUE(isStereoName(u"hills.stereo.jpg"));
    EXPECT_TRUE(isStereoName(u"C:\\pics\\Hills.STEREO.Jpg"));
    EXPECT_TRUE(isStereoName(u"a.stereo."));
    EXPECT_FALSE(isStereoName(u"stereo.png"));            // only 6 characters before the dot
    EXPECT_FALSE(isStereoName(u"a.stereo.png.bak"));      // the last dot counts
    EXPECT_FALSE(isStereoName(u"C:\\pics\\stereo.png"));  // a backslash, not a dot, before stereo
    EXPECT_FALSE(isStereoName(u"a.stereo-x.png"));
    EXPECT_FALSE(isStereoName(u"a_stereo.png"));
    EXPECT_FALSE(isStereoName(u"no extension"));
    EXPECT_FALSE(isStereoName(u""));
    EXPECT_FALSE(isStereoName(nullptr));
}

TEST(StereoNames, CrossedNameNeedsDotStereoDashXDotBeforeTheExtension)
{
    EXPECT_TRUE(isCrossStereoName(u"hills.stereo-x.jpg"));
    EXPECT_TRUE(isCrossStereoName(u"a.Stereo-X.png"));
    EXPECT_FALSE(isCrossStereoName(u"stereo-x.png"));
    EXPECT_FALSE(isCrossStereoName(u"dir\\stereo-x.png"));
    EXPECT_FALSE(isCrossStereoName(u"a.stereo-x.png.bak"));
    EXPECT_FALSE(isCrossStereoName(u"a.stereo.png"));
    EXPECT_FALSE(isCrossStereoName(nullptr));
}

TEST(StereoNames, CaseFoldingIsAsciiOnly)
{
    // U+0130 (capital I with dot) must not fold to an ASCII letter.
    EXPECT_FALSE(isStereoName(u"a.STERE\u0130.png"));
    EXPECT_FALSE(isStereoName(u"a.st\u0395reo.png"));
}

// ---------------------------------------------------------------- layout

TEST(StereoLayoutChoice, PairsNeedAnEvenWidth)
{
    StereoChoice c = chooseStereoLayout(u"a.stereo.png", 3000);
    EXPECT_EQ(c.layout, StereoLayout::parallelPair);
    EXPECT_EQ(c.shift, 0);

    c = chooseStereoLayout(u"a.Stereo-X.png", 3000);
    EXPECT_EQ(c.layout, StereoLayout::crossedPair);
    EXPECT_EQ(c.shift, 0);

    c = chooseStereoLayout(u"a.stereo.png", 3001);
    EXPECT_EQ(c.layout, StereoLayout::singleView);
    EXPECT_EQ(c.shift, 60);

    c = chooseStereoLayout(u"a.stereo-x.png", 3001);
    EXPECT_EQ(c.layout, StereoLayout::singleView);
    EXPECT_EQ(c.shift, 60);
}

TEST(StereoLayoutChoice, SingleViewShiftIsAFiftiethOfTheWidthRounded)
{
    const std::pair<int32_t, int32_t> cases[] = {{1, 0}, {20, 0}, {24, 0}, {25, 1}, {74, 1},
                                                 {75, 2}, {1000, 20}, {1025, 21}, {6000, 120}};
    for (auto [width, shift] : cases) {
        const StereoChoice c = chooseStereoLayout(u"C:\\pics\\plain.png", width);
        EXPECT_EQ(c.layout, StereoLayout::singleView) << width;
        EXPECT_EQ(c.shift, shift) << width;
    }
}

TEST(ComposeAnaglyph, ResultSizeFollowsTheLayout)
{
    struct Case {
        const char16_t* name;
        int32_t width;
        int32_t result;
    };
    const Case cases[] = {{u"a.stereo.png", 3000, 1500}, {u"a.Stereo-X.png", 3000, 1500},
                          {u"a.stereo.png", 3001, 2881}, {u"plain.png", 20, 20},
                          {u"plain.png", 25, 23},         {u"plain.png", 1, 1}};
    for (const Case& c : cases) {
        Picture p = plainPicture(c.width, 2, 77);
        composeAnaglyph(p, c.name);
        EXPECT_EQ(p.width, c.result) << c.width;
        EXPECT_EQ(p.height, 2);
        EXPECT_EQ(p.bitsPerPixel, 32);
    }
}

TEST(ComposeAnaglyph, PictureWithoutImageIsLeftAlone)
{
    Picture empty;
    composeAnaglyph(empty, u"a.stereo.png");
    EXPECT_FALSE(empty.holdsImage());
    EXPECT_EQ(empty.width, 0);
}

// ---------------------------------------------------------------- arithmetic

TEST(ComposeAnaglyph, TwoOpaquePixelsMixByTheFixedWeight)
{
    // Every left value p under every right value q made half transparent.
    for (int p = 0; p < 256; ++p) {
        Picture left = makePicture(256, 1, 32, Bytes(256 * 4, static_cast<uint8_t>(p)));
        Bytes rightBytes;
        for (int q = 0; q < 256; ++q)
            rightBytes.insert(rightBytes.end(), 4, static_cast<uint8_t>(q));
        Picture right = makePicture(256, 1, 32, rightBytes);
        for (size_t q = 0; q < 256; ++q)
            left.pixels[q * 4] = right.pixels[q * 4] = 0;
        right.scaleOpacity(0.5);
        ASSERT_EQ(left.composeOver(right, true), 0);
        for (int q = 0; q < 256; ++q) {
            const uint8_t* pixel = left.pixels.get() + q * 4;
            const uint8_t expected = static_cast<uint8_t>(mixFormula(q, p));
            ASSERT_EQ(pixel[0], 0) << p << "," << q;
            ASSERT_EQ(pixel[1], expected) << p << "," << q;
            ASSERT_EQ(pixel[2], expected) << p << "," << q;
            ASSERT_EQ(pixel[3], expected) << p << "," << q;
        }
    }
}

TEST(ComposeAnaglyph, PlainWhiteStaysWhite)
{
    for (int32_t width : {20, 100}) {
        Picture p = plainPicture(width, 3, 255);
        composeAnaglyph(p, u"white.png");
        const size_t pixels = static_cast<size_t>(p.width) * 3;
        Bytes expected;
        for (size_t i = 0; i < pixels; ++i)
            expected.insert(expected.end(), {0, 255, 255, 255});
        EXPECT_EQ(pixelsOf(p), expected) << width;
    }
}

TEST(ComposeAnaglyph, PlainBlackBecomesCyan)
{
    // The mix gives red 127 and green and blue 128, spread to 0 and 255.
    for (int32_t width : {20, 60}) {
        Picture p = plainPicture(width, 3, 0);
        composeAnaglyph(p, u"black.png");
        EXPECT_EQ(p.width, width == 20 ? 20 : 58);
        const size_t pixels = static_cast<size_t>(p.width) * 3;
        Bytes expected;
        for (size_t i = 0; i < pixels; ++i)
            expected.insert(expected.end(), {0, 0, 255, 255});
        EXPECT_EQ(pixelsOf(p), expected) << width;
    }
}

// ---------------------------------------------------------------- whole pictures

// A stereo pair 512 x 256 whose halves differ: the left-eye view has red x,
// the right-eye view green y and blue 255 - x; the other channels hold
// noise that must not reach the result. viewOnLeft says which half holds
// the left-eye view.
Picture syntheticPair(bool leftEyeOnLeft, int32_t bitsPerPixel)
{
    std::mt19937 noise(7);
    const size_t stride = static_cast<size_t>(bitsPerPixel / 8);
    const size_t red = stride == 4 ? 1 : 0;
    Bytes bytes(512 * 256 * stride);
    for (size_t y = 0; y < 256; ++y) {
        for (size_t column = 0; column < 512; ++column) {
            uint8_t* pixel = bytes.data() + (y * 512 + column) * stride;
            const size_t x = column % 256;
            const bool leftEye = (column < 256) == leftEyeOnLeft;
            if (stride == 4)
                pixel[0] = 0;
            pixel[red] = leftEye ? static_cast<uint8_t>(x) : static_cast<uint8_t>(noise());
            pixel[red + 1] = leftEye ? static_cast<uint8_t>(noise()) : static_cast<uint8_t>(y);
            pixel[red + 2] = leftEye ? static_cast<uint8_t>(noise()) : static_cast<uint8_t>(255 - x);
        }
    }
    return makePicture(512, 256, bitsPerPixel, bytes);
}

TEST(ComposeAnaglyph, EachChannelComesFromItsEyesView)
{
    // Red mixes lie in 127..255 and green/blue in 128..255, all present, so
    // the levels map v to trunc((v - 127) * 255 / 128).
    auto levels = [](int v) { return static_cast<int>((v - 127) * (255.0 / 128)); };
    for (bool parallel : {true, false}) {
        for (int32_t depth : {24, 32}) {
            Picture p = syntheticPair(parallel, depth);
            composeAnaglyph(p, parallel ? u"C:\\x\\pair.stereo.png" : u"C:\\x\\pair.stereo-x.png");
            ASSERT_EQ(p.width, 256);
            ASSERT_EQ(p.height, 256);
            ASSERT_EQ(p.bitsPerPixel, 32);
            for (int y = 0; y < 256; ++y) {
                for (int x = 0; x < 256; ++x) {
                    const uint8_t* pixel = p.pixels.get() + (y * 256 + x) * 4;
                    ASSERT_EQ(pixel[0], 0);
                    ASSERT_EQ(pixel[1], levels(mixFormula(255, x))) << x << "," << y;
                    ASSERT_EQ(pixel[2], levels(mixFormula(y, 255))) << x << "," << y;
                    ASSERT_EQ(pixel[3], levels(mixFormula(255 - x, 255))) << x << "," << y;
                }
            }
        }
    }
}

TEST(ComposeAnaglyph, SingleViewLeftEyeSeesTwoShiftsFurtherRight)
{
    // 300 wide: s = 6, result 288 wide; red at x comes from column x + 12,
    // green and blue from column x. Column c holds red c % 256, green
    // (3c) % 256, blue (c + 40) % 256 on every row.
    const int32_t width = 300;
    Bytes bytes;
    for (int y = 0; y < 2; ++y)
        for (int c = 0; c < width; ++c)
            bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(3 * c),
                                       static_cast<uint8_t>(c + 40)});
    Picture p = makePicture(width, 2, 24, bytes);
    composeAnaglyph(p, u"plain.stereo.png.bak");
    ASSERT_EQ(p.width, 288);

    // The mixes of all values read, then their spread as autoLevels does it.
    std::vector<int> red, green, blue;
    for (int x = 0; x < 288; ++x) {
        red.push_back(mixFormula(255, (x + 12) % 256));
        green.push_back(mixFormula((3 * x) % 256, 255));
        blue.push_back(mixFormula((x + 40) % 256, 255));
    }
    int low = 255, high = 0;
    for (const auto* channel : {&red, &green, &blue}) {
        for (int v : *channel) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    const double factor = 255.0 / (high - low);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 288; ++x) {
            const uint8_t* pixel = p.pixels.get() + (y * 288 + x) * 4;
            ASSERT_EQ(pixel[1], static_cast<int>((red[x] - low) * factor)) << x;
            ASSERT_EQ(pixel[2], static_cast<int>((green[x] - low) * factor)) << x;
            ASSERT_EQ(pixel[3], static_cast<int>((blue[x] - low) * factor)) << x;
        }
    }
}

// ---------------------------------------------------------------- against the steps

// Random pictures whose channels stay within a random band, so that the
// levels differ from picture to picture (full-range noise always spans
// 127..255 after mixing).
Picture randomPicture(std::mt19937& random, int32_t width, int32_t height, int32_t bitsPerPixel)
{
    const int a = static_cast<int>(random() % 256);
    const int b = static_cast<int>(random() % 256);
    const int low = std::min(a, b);
    const int span = std::max(a, b) - low + 1;
    const size_t stride = static_cast<size_t>(bitsPerPixel / 8);
    Bytes bytes(static_cast<size_t>(width) * height * stride);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = (stride == 4 && i % 4 == 0) ? 0 : static_cast<uint8_t>(low + static_cast<int>(random() % span));
    return makePicture(width, height, bitsPerPixel, bytes);
}

void expectSameAsReference(const Picture& source, const char16_t* name, const std::string& what)
{
    Picture fast;
    fast.assign(source);
    Picture steps;
    steps.assign(source);
    composeAnaglyph(fast, name);
    composeReference(steps, name);
    ASSERT_EQ(fast.width, steps.width) << what;
    ASSERT_EQ(fast.height, steps.height) << what;
    ASSERT_EQ(fast.bitsPerPixel, steps.bitsPerPixel) << what;
    ASSERT_EQ(fast.palette == nullptr, steps.palette == nullptr) << what;
    ASSERT_EQ(pixelsOf(fast), pixelsOf(steps)) << what;
}

const char16_t* const testNames[] = {u"C:\\p\\view.png", u"C:\\p\\view.stereo.png", u"C:\\p\\view.STEREO-X.tga"};

TEST(ComposeAnaglyph, MatchesTheStepByStepCompositionOnRandomPictures)
{
    std::mt19937 random(2024);
    const int32_t widths[] = {1, 2, 3, 7, 16, 17, 24, 25, 26, 49, 50, 51, 74, 75, 98, 101, 150, 333};
    for (int32_t depth : {24, 32}) {
        for (int32_t width : widths) {
            for (int32_t height : {1, 5, 40}) {
                for (const char16_t* name : testNames) {
                    for (int round = 0; round < 3; ++round) {
                        const Picture source = randomPicture(random, width, height, depth);
                        expectSameAsReference(source, name,
                                              "depth " + std::to_string(depth) + " width " + std::to_string(width) +
                                                  " height " + std::to_string(height));
                    }
                }
            }
        }
    }
}

TEST(ComposeAnaglyph, MatchesTheStepByStepCompositionOnPlainPictures)
{
    for (int value : {0, 1, 127, 128, 254, 255}) {
        for (int32_t width : {4, 24, 100, 101}) {
            for (const char16_t* name : testNames) {
                const Picture source = plainPicture(width, 3, static_cast<uint8_t>(value));
                expectSameAsReference(source, name, "value " + std::to_string(value) + " width " + std::to_string(width));
            }
        }
    }
}

TEST(ComposeAnaglyph, PicturesWithTransparencyOrPalettesFollowTheSteps)
{
    std::mt19937 random(99);
    for (int32_t width : {10, 40, 61}) {
        for (const char16_t* name : testNames) {
            Picture translucent = randomPicture(random, width, 4, 32);
            translucent.pixels[4 * 5] = 200;
            translucent.pixels[4 * (static_cast<size_t>(width) * 4 - 1)] = 255;
            expectSameAsReference(translucent, name, "translucent width " + std::to_string(width));

            Picture indexed = randomPicture(random, width, 4, 8);
            expectSameAsReference(indexed, name, "palette-less 8 bits width " + std::to_string(width));
            Picture withPalette;
            withPalette.assign(indexed);
            withPalette.palette = allocateBytes(1024);
            for (size_t i = 0; i < 1024; ++i)
                withPalette.palette[i] = (i % 4 == 0) ? 0 : static_cast<uint8_t>(random());
            expectSameAsReference(withPalette, name, "8 bits width " + std::to_string(width));
        }
    }
}

// Transparent pixels show black in the normal view and must in the anaglyph
// too: the own readers deliver T with plain colours, a bitmap read back
// delivers colours already on black. Pixels are T, R, G, B.
TEST(ComposeAnaglyph, TransparencyEntersTheCompositionAsTheScreenShowsIt)
{
    const struct {
        const char* what;
        bool readBack;
        Bytes in, entered;
    } cases[] = {
        {"partly transparent: onto black, opaque", false, {128, 250, 100, 0}, {0, 125, 50, 0}},
        {"fully transparent green stays transparent", false, {255, 0, 255, 0}, {255, 0, 255, 0}},
        // Alpha 1: 127 / 255 rounds down, 128 / 255 up (the nearest halves).
        {"nearly transparent: onto black, rounded", false, {254, 127, 128, 255}, {0, 0, 1, 1}},
        {"read back: already on black", true, {128, 125, 50, 0, 255, 0, 0, 0}, {0, 125, 50, 0, 255, 0, 0, 0}},
        {"read back without any alpha: opaque", true, {255, 9, 9, 9, 255, 0, 0, 0}, {0, 9, 9, 9, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Picture picture = makePicture(int32_t(c.in.size() / 4), 1, 32, c.in);
        c.readBack ? markReadBackTransparency(picture) : flattenOntoBlack(picture);
        EXPECT_EQ(pixelsOf(picture), c.entered) << c.what;
    }
    // A black dot on a transparent canvas stays a black screen, not a cyan one.
    Bytes canvas(400, 0);
    for (size_t i = 4; i < canvas.size(); i += 4)
        canvas[i] = 255;
    Picture dot = makePicture(100, 1, 32, canvas);
    composeAnaglyph(dot, u"C:\\p\\view.png");
    for (int32_t x = 1; x < dot.width; ++x)
        EXPECT_EQ(dot.pixels[4 * size_t(x)], 255) << x;
}

}  // namespace
