#include "decode/qdl/qdl_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture_fixtures.h"
#include "test_scratch_directory.h"

namespace {

Bytes int32Bytes(int32_t value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    return {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
}

Bytes qdlFile(int32_t width, int32_t height, uint8_t type, uint8_t compression, const Bytes& body)
{
    Bytes file = {'Q', 'D'};                  // magic
    Bytes w = int32Bytes(width);              // width, signed little-endian
    Bytes h = int32Bytes(height);             // height, signed little-endian
    file.insert(file.end(), w.begin(), w.end());
    file.insert(file.end(), h.begin(), h.end());
    file.push_back(type);                     // pixel type 0..5
    file.push_back(compression);              // 0 plain, others by type
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// Parses from an exactly sized heap copy, so that AddressSanitizer sees any
// read past the end.
int parse(Picture& picture, const Bytes& file)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size() + (file.empty() ? 1 : 0)]);
    std::copy(file.begin(), file.end(), copy.get());
    return parseQdlImage(picture, copy.get(), file.size());
}

void expectEmpty(const Picture& picture)
{
    EXPECT_EQ(picture.width, 0);
    EXPECT_EQ(picture.height, 0);
    EXPECT_EQ(picture.bitsPerPixel, 0);
    EXPECT_EQ(picture.palette, nullptr);
    EXPECT_EQ(picture.pixels, nullptr);
}

// A 3 x 1 24-bit picture that a failed parse must either keep or clear.
Picture somePicture()
{
    return makePicture(3, 1, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9});
}

void expectSomePicture(const Picture& picture)
{
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(picture), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// ---------------------------------------------------------------- header

TEST(QdlHeader, OtherMagicLeavesThePictureAlone)
{
    for (const Bytes& start : {Bytes{'Q', 'd'}, Bytes{'q', 'D'}, Bytes{'D', 'Q'}, Bytes{'B', 'M'}, Bytes{'Q'}, Bytes{}}) {
        Bytes file = start;
        if (file.size() == 2)
            file.insert(file.end(), {1, 0, 0, 0, 1, 0, 0, 0, 4, 0, 1, 2, 3});
        Picture picture = somePicture();
        EXPECT_EQ(parse(picture, file), qdlNotQdl) << file.size();
        expectSomePicture(picture);
    }
}

TEST(QdlHeader, NoDataLeavesThePictureAlone)
{
    Picture picture = somePicture();
    EXPECT_EQ(parseQdlImage(picture, nullptr, 0), qdlCannotOpen);
    expectSomePicture(picture);
}

TEST(QdlHeader, EmptySizesDecodeForEveryType)
{
    const size_t paletteBytes[6] = {8, 0, 1024, 0, 0, 0};
    const int depth[6] = {1, 1, 8, 8, 24, 32};
    for (uint8_t type = 0; type < 6; ++type) {
        for (auto size : {std::pair<int32_t, int32_t>{0, 5}, {7, 0}, {0, 0}}) {
            Picture picture = somePicture();
            const Bytes body(paletteBytes[type], 0x11);
            ASSERT_EQ(parse(picture, qdlFile(size.first, size.second, type, 0, body)), qdlDecoded);
            EXPECT_EQ(picture.width, size.first);
            EXPECT_EQ(picture.height, size.second);
            EXPECT_EQ(picture.bitsPerPixel, depth[type]);
            EXPECT_TRUE(picture.holdsImage());
            EXPECT_EQ(picture.pixelBytes(), 0u);
            EXPECT_EQ(picture.palette != nullptr, paletteBytes[type] != 0);
        }
    }
}

TEST(QdlHeader, NegativeSizeClears)
{
    for (auto size : {std::pair<int32_t, int32_t>{-1, 1}, {1, -1}, {INT32_MIN, 0}}) {
        Picture picture = somePicture();
        EXPECT_EQ(parse(picture, qdlFile(size.first, size.second, 3, 0, {0})), qdlNegativeSize);
        expectEmpty(picture);
    }
}

TEST(QdlHeader, UnknownPixelTypeClears)
{
    for (uint8_t type : {6, 7, 255}) {
        Picture picture = somePicture();
        EXPECT_EQ(parse(picture, qdlFile(1, 1, type, 0, {0, 0, 0, 0})), qdlUnknownPixelType);
        expectEmpty(picture);
    }
}

TEST(QdlHeader, CompressionOutsideTheTypeIsRefused)
{
    const std::pair<uint8_t, uint8_t> refused[] = {{0, 2}, {1, 2}, {2, 5}, {3, 2}, {4, 3}, {5, 4}, {5, 255}};
    for (auto [type, compression] : refused) {
        Picture picture = somePicture();
        EXPECT_EQ(parse(picture, qdlFile(1, 1, type, compression, Bytes(2000, 0))), qdlCompressionNotAccepted)
            << int(type) << "/" << int(compression);
        expectEmpty(picture);
    }
}

TEST(QdlHeader, ShortHeaderIsCorrupt)
{
    const Bytes file = qdlFile(1, 1, 3, 0, {5});
    for (size_t length = 2; length < qdlHeaderSize; ++length) {
        Picture picture = somePicture();
        EXPECT_EQ(parse(picture, Bytes(file.begin(), file.begin() + length)), qdlCorrupt) << length;
        expectEmpty(picture);
    }
}

// Arrays above 2^31 - 1 bytes are refused before anything is allocated;
// exactly 2^31 - 1 is allowed, and then a short body is corrupt.
TEST(QdlHeader, PixelArrayLimit)
{
    struct Case {
        int32_t width, height;
        uint8_t type, compression;
        int result;
    } cases[] = {
        {INT32_MAX, INT32_MAX, 5, 0, qdlOutOfMemory},
        {INT32_MAX, INT32_MAX, 5, 3, qdlOutOfMemory},
        {65536, 32768, 3, 1, qdlOutOfMemory},         // 2^31 bytes
        {INT32_MAX, 1, 3, 0, qdlCorrupt},             // 2^31 - 1 bytes, body missing
        {INT32_MAX, 1, 2, 4, qdlCorrupt},             // compressed: stream far too short
        {INT32_MAX, 8, 1, 1, qdlOutOfMemory},         // 1 bit: rows of 2^28 bytes, 2^31 in all
        {INT32_MAX, 7, 1, 1, qdlCorrupt},             // 7 * 2^28 bytes, stream too short
        {715827882, 1, 4, 0, qdlCorrupt},             // 3 * N = 2^31 - 2
        {715827883, 1, 4, 0, qdlOutOfMemory},         // 3 * N = 2^31 + 1
    };
    for (const Case& c : cases) {
        Picture picture = somePicture();
        Bytes body(1100, 1);
        body[0] = 1;  // a palette count of 1 where one is read
        body[1] = 0;
        EXPECT_EQ(parse(picture, qdlFile(c.width, c.height, c.type, c.compression, body)), c.result)
            << c.width << "x" << c.height << " type " << int(c.type);
        expectEmpty(picture);
    }
}

// ---------------------------------------------------------------- 1 bit

TEST(QdlOneBit, PlainRowsKeepTheirPaddingBits)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(9, 2, 1, 0, {0xA5, 0xFF, 0x01, 0x80})), qdlDecoded);
    EXPECT_EQ(picture.bitsPerPixel, 1);
    EXPECT_EQ(picture.palette, nullptr);
    EXPECT_EQ(pixelsOf(picture), (Bytes{0xA5, 0xFF, 0x01, 0x80}));
}

TEST(QdlOneBit, TypeZeroReadsItsPalette)
{
    const Bytes palette = {0, 10, 20, 30, 40, 50, 60, 70};
    Bytes body = palette;
    body.push_back(0x40);
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(2, 1, 0, 0, body)), qdlDecoded);
    EXPECT_EQ(paletteOf(picture), palette);
    EXPECT_EQ(pixelsOf(picture), (Bytes{0x40}));
    EXPECT_EQ(picture.pixelAt(1, 0), 0x46'3C'32'28u);  // entry 1: T 40, R 50, G 60, B 70
}

TEST(QdlOneBit, RunsCountRealPixelsAcrossRows)
{
    // Width 9: ten ones fill the first row and the first pixel of the
    // second; eight zeros end the picture.
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(9, 2, 1, 1, {(9 << 1) | 1, (7 << 1) | 0})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{0xFF, 0x80, 0x80, 0x00}));
}

TEST(QdlOneBit, RunsInsideAndAcrossBytes)
{
    // Width 20 (3 bytes a row, 4 padding bits): 3 zeros, 14 ones, 5 zeros,
    // 18 ones.
    const Bytes body = {0, 0, 0, 0, 0, 0, 0, 0,  // palette
                        (2 << 1), (13 << 1) | 1, (4 << 1), (17 << 1) | 1};
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(20, 2, 0, 1, body)), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{0x1F, 0xFF, 0x80, 0x3F, 0xFF, 0xF0}));
}

TEST(QdlOneBit, ZerosMayPassTheEndOnesMayNot)
{
    Picture picture;
    EXPECT_EQ(parse(picture, qdlFile(3, 1, 1, 1, {(0 << 1) | 1, (127 << 1)})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{0x80}));

    picture = somePicture();
    EXPECT_EQ(parse(picture, qdlFile(3, 1, 1, 1, {(0 << 1), (2 << 1) | 1})), qdlCorrupt);
    expectEmpty(picture);
}

// ---------------------------------------------------------------- 8 bits

TEST(QdlEightBit, PlainTypeTwoReadsAWholePalette)
{
    Bytes body(1024);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = uint8_t(i * 7);
    body.insert(body.end(), {3, 0, 255});
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(3, 1, 2, 0, body)), qdlDecoded);
    EXPECT_EQ(picture.bitsPerPixel, 8);
    EXPECT_EQ(paletteOf(picture), Bytes(body.begin(), body.begin() + 1024));
    EXPECT_EQ(pixelsOf(picture), (Bytes{3, 0, 255}));
}

TEST(QdlEightBit, CountedPaletteZeroesTheRest)
{
    Bytes body = {2, 0,                   // palette count 2
                  1, 2, 3, 4, 5, 6, 7, 8, // entries 0 and 1
                  0, 9};                  // count run: 1 pixel of 9
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(1, 1, 2, 1, body)), qdlDecoded);
    Bytes palette(1024, 0);
    for (int i = 0; i < 8; ++i)
        palette[i] = uint8_t(i + 1);
    EXPECT_EQ(paletteOf(picture), palette);
    EXPECT_EQ(pixelsOf(picture), (Bytes{9}));
}

TEST(QdlEightBit, PaletteCountOutOfRangeIsCorrupt)
{
    for (uint16_t count : {0, 257, 65535}) {
        Bytes body = {uint8_t(count), uint8_t(count >> 8)};
        body.resize(2 + 1028 + 10, 0);
        Picture picture = somePicture();
        EXPECT_EQ(parse(picture, qdlFile(1, 1, 2, 2, body)), qdlCorrupt) << count;
        expectEmpty(picture);
    }
}

TEST(QdlEightBit, CountRuns)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(2, 2, 3, 1, {3, 7})), qdlDecoded);
    EXPECT_EQ(picture.palette, nullptr);
    EXPECT_EQ(pixelsOf(picture), (Bytes{7, 7, 7, 7}));

    picture = somePicture();
    EXPECT_EQ(parse(picture, qdlFile(2, 2, 3, 1, {4, 7})), qdlCorrupt);
    expectEmpty(picture);
}

Bytes countedPalette()
{
    return {1, 0, 0, 0, 0, 0};
}

Bytes withPalette(const Bytes& stream)
{
    Bytes body = countedPalette();
    body.insert(body.end(), stream.begin(), stream.end());
    return body;
}

TEST(QdlEightBit, EscapeRuns)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(13, 1, 2, 2, withPalette({254, 0, 255, 3, 255, 255, 0, 1}))), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{254, 0, 255, 255, 255, 255, 255, 255, 255, 1, 1, 1, 1}));

    ASSERT_EQ(parse(picture, qdlFile(259, 1, 2, 2, withPalette({255, 255, 6}))), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), Bytes(259, 6));

    EXPECT_EQ(parse(picture, qdlFile(6, 1, 2, 2, withPalette({1, 255, 2, 6}))), qdlCorrupt);
}

TEST(QdlEightBit, FlagRuns)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(10, 1, 2, 3, withPalette({127, 0, 128, 200, 130, 9}))), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{127, 0, 200, 200, 200, 9, 9, 9, 9, 9}));
    ASSERT_EQ(parse(picture, qdlFile(130, 1, 2, 3, withPalette({255, 1}))), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), Bytes(130, 1));

    EXPECT_EQ(parse(picture, qdlFile(4, 1, 2, 3, withPalette({1, 129, 2}))), qdlCorrupt);
}

TEST(QdlEightBit, LongEscapeRuns)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(8, 1, 2, 4, withPalette({253, 255, 0, 254, 254, 0, 0, 3}))), qdlCorrupt);

    // 1 literal, a short run of 4, then 254, n = 1 as 16 bits: 261 pixels.
    ASSERT_EQ(parse(picture, qdlFile(266, 1, 2, 4, withPalette({253, 255, 0, 254, 254, 1, 0, 255}))), qdlDecoded);
    Bytes expected = {253, 254, 254, 254, 254};
    expected.resize(266, 255);
    EXPECT_EQ(pixelsOf(picture), expected);

    // The longest run: 65535 + 260.
    ASSERT_EQ(parse(picture, qdlFile(65795, 1, 2, 4, withPalette({254, 255, 255, 17}))), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), Bytes(65795, 17));
}

// ---------------------------------------------------------------- 24 / 32 bits

TEST(QdlTrueColour, PlainBytesAreCopied)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(2, 1, 4, 0, {1, 2, 3, 4, 5, 6})), qdlDecoded);
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(picture), (Bytes{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(parse(picture, qdlFile(1, 2, 5, 0, {1, 2, 3, 4, 5, 6, 7, 8})), qdlDecoded);
    EXPECT_EQ(picture.bitsPerPixel, 32);
    EXPECT_EQ(pixelsOf(picture), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(QdlTrueColour, CountRuns)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(3, 1, 4, 1, {1, 9, 8, 7, 0, 1, 2, 3})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{9, 8, 7, 9, 8, 7, 1, 2, 3}));
    ASSERT_EQ(parse(picture, qdlFile(2, 1, 5, 1, {1, 9, 8, 7, 6})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{9, 8, 7, 6, 9, 8, 7, 6}));

    EXPECT_EQ(parse(picture, qdlFile(2, 1, 4, 1, {2, 9, 8, 7})), qdlCorrupt);
    EXPECT_EQ(parse(picture, qdlFile(2, 1, 5, 1, {0, 9, 8, 7, 6, 2, 1, 1, 1, 1})), qdlCorrupt);
}

TEST(QdlTrueColour, MarkedRuns)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(4, 1, 5, 2, {255, 0, 12, 34, 255, 3, 0, 10, 20, 30})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{255, 0, 12, 34, 0, 10, 20, 30, 0, 10, 20, 30, 0, 10, 20, 30}));

    // 255, 1, lo, hi: 256 + 2 + 256 = 514 pixels of the next 4 bytes.
    ASSERT_EQ(parse(picture, qdlFile(515, 1, 5, 2, {1, 2, 3, 4, 255, 1, 2, 1, 255, 7, 8, 9})), qdlDecoded);
    Bytes expected = {1, 2, 3, 4};
    for (int i = 0; i < 514; ++i)
        expected.insert(expected.end(), {255, 7, 8, 9});
    EXPECT_EQ(pixelsOf(picture), expected);

    EXPECT_EQ(parse(picture, qdlFile(2, 1, 5, 2, {255, 3, 0, 10, 20, 30})), qdlCorrupt);
    EXPECT_EQ(parse(picture, qdlFile(257, 1, 5, 2, {255, 1, 2, 0, 1, 1, 1, 1})), qdlCorrupt);
}

Bytes colour(uint8_t value, int bytes)
{
    return Bytes(size_t(bytes), value);
}

// 0, colour A, jump 2, end: A at pixels 0 and 2. Then a literal group of two
// at pixel 1: B at 1, C at 3.
TEST(QdlColourGroups, JumpsCountUnfilledPixels)
{
    for (int bytes : {3, 4}) {
        Bytes stream = {0};
        for (Bytes part : {colour(0xA, bytes), Bytes{2, 0, 2}, colour(0xB, bytes), colour(0xC, bytes)})
            stream.insert(stream.end(), part.begin(), part.end());
        Picture picture;
        ASSERT_EQ(parse(picture, qdlFile(2, 2, bytes == 3 ? 4 : 5, bytes == 3 ? 2 : 3, stream)), qdlDecoded);
        Bytes expected;
        for (uint8_t value : {0xA, 0xB, 0xA, 0xC}) {
            Bytes part = colour(value, bytes);
            expected.insert(expected.end(), part.begin(), part.end());
        }
        EXPECT_EQ(pixelsOf(picture), expected);
    }
}

// Runs of 2 to 129 take one byte, longer ones two; a run stops at the last
// pixel without complaint; a jump past it is corrupt.
TEST(QdlColourGroups, RunsAndTheirEnd)
{
    // 300 pixels: A at 0, run of 129 (1..129), jump 2 (skips 130, fills 131),
    // run of 130 (132..261); then literals: B at 130, C at 262 .. 299.
    Bytes stream = {0, 0xA, 0xA, 0xA, 255, 127, 2, 255, 128, 0, 0};
    stream.push_back(39);
    for (int i = 0; i < 39; ++i)
        stream.insert(stream.end(), {uint8_t(i), 0xC, 0xC});
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(300, 1, 4, 2, stream)), qdlDecoded);
    Bytes expected;
    for (int i = 0; i < 300; ++i) {
        if (i == 130)
            expected.insert(expected.end(), {0, 0xC, 0xC});
        else if (i >= 262)
            expected.insert(expected.end(), {uint8_t(i - 261), 0xC, 0xC});
        else
            expected.insert(expected.end(), {0xA, 0xA, 0xA});
    }
    EXPECT_EQ(pixelsOf(picture), expected);

    // A run of 32897 on 10 pixels ends at the last one.
    ASSERT_EQ(parse(picture, qdlFile(10, 1, 4, 2, {0, 5, 5, 5, 255, 255, 255, 0})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), Bytes(30, 5));

    EXPECT_EQ(parse(picture, qdlFile(10, 1, 4, 2, {0, 5, 5, 5, 10, 0})), qdlCorrupt);
    EXPECT_EQ(parse(picture, qdlFile(10, 1, 4, 2, {0, 5, 5, 5, 255, 7, 1, 0})), qdlCorrupt);
}

TEST(QdlColourGroups, LiteralGroupEndsAtTheLastPixel)
{
    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(2, 1, 5, 3, {200, 1, 2, 3, 4, 5, 6, 7, 8})), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

// Holes before and after a long filled stretch: every later group jumps
// across the stretch. The result must be exact whatever the skipping does.
TEST(QdlColourGroups, JumpsAcrossALongFilledStretch)
{
    const int32_t width = 1 << 12, height = 1 << 10;
    const uint32_t count = uint32_t(width) * uint32_t(height);
    const uint32_t holes = 200;
    // Group A: pixel 0, jumps of 2 fill 2, 4, ..., 2 * holes, then runs fill
    // all but the last `holes` pixels.
    Bytes stream = {0, 0xA, 0xA, 0xA};
    stream.insert(stream.end(), holes, 2);
    uint32_t stretch = count - holes - (2 * holes + 1);
    while (stretch > 0) {
        const uint32_t run = stretch < 32897 ? stretch : 32897;
        if (run == 1) {
            stream.push_back(1);
        } else if (run < 130) {
            stream.insert(stream.end(), {255, uint8_t(run - 2)});
        } else {
            stream.insert(stream.end(), {255, uint8_t((run + 32638) >> 8), uint8_t(run + 32638)});
        }
        stretch -= run;
    }
    stream.push_back(0);
    // Each hole 1, 3, ... starts a group of colour B that jumps `holes` times
    // to the first hole after the stretch.
    for (uint32_t i = 0; i < holes; ++i)
        stream.insert(stream.end(), {0, 0xB, 0xB, uint8_t(i), uint8_t(holes - i), 0});

    Picture picture;
    ASSERT_EQ(parse(picture, qdlFile(width, height, 4, 2, stream)), qdlDecoded);
    for (uint32_t i = 0; i < holes; ++i) {
        const uint8_t* before = picture.pixels.get() + 3 * (2 * i + 1);
        const uint8_t* after = picture.pixels.get() + 3 * (count - holes + i);
        EXPECT_EQ(Bytes(before, before + 3), (Bytes{0xB, 0xB, uint8_t(i)}));
        EXPECT_EQ(Bytes(after, after + 3), (Bytes{0xB, 0xB, uint8_t(i)}));
    }
    const uint8_t* middle = picture.pixels.get() + 3 * (count / 2);
    EXPECT_EQ(Bytes(middle, middle + 3), (Bytes{0xA, 0xA, 0xA}));
}

// ---------------------------------------------------------------- truncation

// Each of these files decodes whole; every shorter prefix must fail cleanly.
TEST(QdlTruncation, EveryPrefixFails)
{
    const Bytes palette8 = {0, 0, 0, 0, 0, 255, 255, 255};
    Bytes typeZero = palette8;
    typeZero.insert(typeZero.end(), {(4 << 1) | 1, (3 << 1)});
    const Bytes files[] = {
        qdlFile(3, 3, 0, 1, typeZero),
        qdlFile(9, 2, 1, 0, {1, 2, 3, 4}),
        qdlFile(5, 1, 2, 1, withPalette({1, 3, 2, 4})),
        qdlFile(13, 1, 2, 2, withPalette({254, 0, 255, 3, 255, 255, 0, 1})),
        qdlFile(10, 1, 2, 3, withPalette({127, 0, 128, 200, 130, 9})),
        qdlFile(266, 1, 2, 4, withPalette({253, 255, 0, 254, 254, 1, 0, 255})),
        qdlFile(3, 1, 4, 1, {1, 9, 8, 7, 0, 1, 2, 3}),
        qdlFile(4, 1, 5, 2, {255, 0, 12, 34, 255, 3, 0, 10, 20, 30}),
        qdlFile(2, 2, 4, 2, {0, 1, 1, 1, 2, 0, 2, 2, 2, 2, 3, 3, 3}),
    };
    for (const Bytes& file : files) {
        Picture picture;
        ASSERT_EQ(parse(picture, file), qdlDecoded);
        for (size_t length = 2; length < file.size(); ++length) {
            picture = somePicture();
            EXPECT_EQ(parse(picture, Bytes(file.begin(), file.begin() + length)), qdlCorrupt)
                << "type " << int(file[10]) << " compression " << int(file[11]) << " length " << length;
            expectEmpty(picture);
        }
    }
}

// ---------------------------------------------------------------- file

class QdlFileTest : public ::testing::Test {
protected:
    void SetUp() override { directory = testScratchDirectory(); }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::filesystem::path directory;
};

TEST_F(QdlFileTest, LoadsByUtf16Path)
{
    // "bild-é-😀.qdl": a two-byte character and a surrogate pair.
    const std::u16string name = u"bild-\u00e9-\U0001F600.qdl";
    const std::filesystem::path path = directory / std::filesystem::path(name);
    const Bytes file = qdlFile(2, 1, 4, 0, {1, 2, 3, 4, 5, 6});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));

    const std::u16string full = path.u16string();
    Picture picture;
    ASSERT_EQ(loadQdlFile(full.c_str(), picture), qdlDecoded);
    EXPECT_EQ(pixelsOf(picture), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST_F(QdlFileTest, MissingFileOrDirectoryLeavesThePictureAlone)
{
    for (const std::filesystem::path& path : {directory / "missing.qdl", directory}) {
        Picture picture = somePicture();
        EXPECT_EQ(loadQdlFile(path.u16string().c_str(), picture), qdlCannotOpen);
        expectSomePicture(picture);
    }
}

TEST_F(QdlFileTest, EmptyFileIsNotQdl)
{
    const std::filesystem::path path = directory / "empty.qdl";
    std::ofstream(path, std::ios::binary).close();
    Picture picture = somePicture();
    EXPECT_EQ(loadQdlFile(path.u16string().c_str(), picture), qdlNotQdl);
    expectSomePicture(picture);
}

}  // namespace
