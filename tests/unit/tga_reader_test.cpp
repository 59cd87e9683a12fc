#include "decode/tga/tga_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "array_allocation_probe.h"
#include "picture/picture.h"
#include "picture_fixtures.h"
#include "state/decode_results.h"
#include "test_scratch_directory.h"
#include "tga_fixtures.h"

namespace {

constexpr uint8_t plain = 2;
constexpr uint8_t runLength = 10;

class TgaReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Marks what a refused file must leave alone.
        imageWidth = -7;
        imageHeight = -7;
    }

    // Parses from an exactly sized heap copy so that AddressSanitizer sees
    // any read past the end.
    Picture parse(const Bytes& file)
    {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size() + (file.empty() ? 1 : 0)]);
        std::copy(file.begin(), file.end(), copy.get());
        Picture picture;
        parseTgaImage(copy.get(), file.size(), picture);
        return picture;
    }
};

TEST_F(TgaReaderTest, PlainPixelsTurnFromBgrToRgb)
{
    const Picture picture = parse(tgaFile(plain, 2, 1, 24, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(picture), (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(imageWidth, 2);
    EXPECT_EQ(imageHeight, 1);
}

TEST_F(TgaReaderTest, AlphaIsDroppedAndRowsKeepStoredOrderWhateverTheOrigin)
{
    const Bytes rows = {10, 20, 30, 0x80,   // first stored row: B, G, R, A
                        40, 50, 60, 0x00};  // second stored row
    const Bytes expected = {0, 30, 20, 10, 0, 60, 50, 40};
    for (uint8_t descriptor : {0x08, 0x28}) {  // bottom-left and top-left origin, 8 alpha bits
        const Picture picture = parse(tgaFile(plain, 1, 2, 32, rows, descriptor));
        EXPECT_EQ(picture.bitsPerPixel, 32);
        EXPECT_EQ(pixelsOf(picture), expected) << "descriptor " << int(descriptor);
    }
}

TEST_F(TgaReaderTest, RunPacketRepeatsOnePixel)
{
    // Run of 2: one B,G,R,A pixel; the 40 is its alpha.
    const Picture picture = parse(tgaFile(runLength, 2, 1, 32, {129, 10, 20, 30, 40}));
    EXPECT_EQ(pixelsOf(picture), (Bytes{0, 30, 20, 10, 0, 30, 20, 10}));
}

TEST_F(TgaReaderTest, RawAndRunPacketsMixAndCrossRows)
{
    const Bytes packets = {
        1, 1, 2, 3, 4, 5, 6,  // raw, 2 pixels
        130, 7, 8, 9,         // run of 3, crossing into the second row
        0, 10, 11, 12,        // raw, 1 pixel
    };
    const Picture picture = parse(tgaFile(runLength, 3, 2, 24, packets));
    EXPECT_EQ(pixelsOf(picture),
              (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 9, 8, 7, 9, 8, 7, 12, 11, 10}));
}

TEST_F(TgaReaderTest, PacketsReachingTheEndAreCutThere)
{
    // A run of 128 on the last three pixels; the raw packet after it would
    // be a fifth pixel and is ignored.
    const Picture run = parse(tgaFile(runLength, 2, 2, 24, {0, 1, 1, 1, 255, 2, 2, 2, 0, 9, 9, 9}));
    EXPECT_EQ(pixelsOf(run), (Bytes{1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2}));

    // A raw packet of 4 on a 3-pixel picture stops after the third.
    const Picture raw =
        parse(tgaFile(runLength, 3, 1, 24, {3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
    EXPECT_EQ(pixelsOf(raw), (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}));
}

TEST_F(TgaReaderTest, RefusedHeadersGiveNoImageAndLeaveTheSizeAlone)
{
    Bytes withIdentification = tgaFile(plain, 1, 1, 24, {0, 1, 2, 3});
    withIdentification[0] = 1;
    Bytes withColourMap = tgaFile(plain, 1, 1, 24, {1, 2, 3});
    withColourMap[1] = 1;
    std::vector<Bytes> refused = {withIdentification, withColourMap};
    for (uint8_t type : {0, 1, 3, 9, 11, 130})
        refused.push_back(tgaFile(type, 1, 1, 24, {1, 2, 3}));
    const Bytes valid = tgaFile(plain, 1, 1, 24, {1, 2, 3});
    for (size_t length = 0; length < 18; ++length)
        refused.emplace_back(valid.begin(), valid.begin() + long(length));

    for (const Bytes& file : refused) {
        Picture picture;
        picture.width = 5;  // a previous image must not survive
        picture.pixels = allocateBytes(1);
        parseTgaImage(file.data(), file.size(), picture);
        EXPECT_FALSE(picture.holdsImage());
        EXPECT_EQ(picture.width, 0);
        EXPECT_EQ(imageWidth, -7);
        EXPECT_EQ(imageHeight, -7);
    }
}

TEST_F(TgaReaderTest, UnsupportedDepthOrEmptySizeKeepsTheHeaderSize)
{
    for (uint8_t depth : {8, 15, 16, 0, 255}) {
        const Picture picture = parse(tgaFile(plain, 5, 3, depth, Bytes(5 * 3 * 4)));
        EXPECT_FALSE(picture.holdsImage());
        EXPECT_EQ(picture.bitsPerPixel, 0);
        EXPECT_EQ(imageWidth, 5);
        EXPECT_EQ(imageHeight, 3);
    }
    const Picture empty = parse(tgaFile(runLength, 0, 4, 24, {}));
    EXPECT_FALSE(empty.holdsImage());
    EXPECT_EQ(imageWidth, 0);
    EXPECT_EQ(imageHeight, 4);
}

Bytes repeated(const Bytes& unit, size_t times)
{
    Bytes all;
    for (size_t i = 0; i < times; ++i)
        all.insert(all.end(), unit.begin(), unit.end());
    return all;
}

// Small files whose headers declare large pictures. None may claim more
// than its bytes describe: plain data its own size, run-length data at the
// best ratio, a run packet of 128 pixels: 96 times its size at 24 bits,
// 102.4 times at 32 bits.
TEST_F(TgaReaderTest, HeadersClaimNoMoreThanTheirBytesDescribe)
{
    const Bytes run32 = {255, 1, 2, 3, 4};  // 128 pixels
    const Bytes run24 = {255, 1, 2, 3};
    const Bytes raw24 = {0, 1, 2, 3};       // 1 pixel
    struct Case {
        const char* what;
        Bytes file;
        bool image;
    };
    const std::vector<Case> cases = {
        {"plain 65535 x 8191 x 32, header only (2 GiB)", tgaFile(plain, 65535, 8191, 32, {}), false},
        {"plain 16384 x 16384 x 24, three pixels", tgaFile(plain, 16384, 16384, 24, Bytes(9, 7)), false},
        {"plain 64 x 64 x 24, one byte short", tgaFile(plain, 64, 64, 24, Bytes(64 * 64 * 3 - 1, 7)), false},
        {"run-length 65535 x 8191 x 32, header only", tgaFile(runLength, 65535, 8191, 32, {}), false},
        {"run-length 65535 x 65535 x 32, one run (17 GB)", tgaFile(runLength, 65535, 65535, 32, run32), false},
        {"run-length 65535 x 8193 x 32, past 2^31 bytes", tgaFile(runLength, 65535, 8193, 32, run32), false},
        {"run-length 128 x 129 x 24, one packet short", tgaFile(runLength, 128, 129, 24, repeated(run24, 128)),
         false},
        {"run-length 1024 x 1024 x 24, enough bytes but raw packets",
         tgaFile(runLength, 1024, 1024, 24, repeated(raw24, 8192)), false},
        {"run-length 128 x 128 x 32 at the best ratio", tgaFile(runLength, 128, 128, 32, repeated(run32, 128)),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        arrayAllocationProbe::largestRequest = 0;
        const Picture picture = parse(c.file);
        EXPECT_EQ(picture.holdsImage(), c.image);
        const size_t tenfoldRatio = c.file[2] == plain ? 10 : 1024;
        EXPECT_LE(arrayAllocationProbe::largestRequest, c.file.size() * tenfoldRatio / 10);
        EXPECT_EQ(imageWidth, c.file[12] | c.file[13] << 8);
        EXPECT_EQ(imageHeight, c.file[14] | c.file[15] << 8);
    }
}

// A file cut short of its pixels gives no image at any length, though the
// header's size is published; whole, it decodes.
TEST_F(TgaReaderTest, TruncationAtAnyLengthGivesNoImage)
{
    struct Case {
        Bytes file;
        Bytes full;
    };
    const std::vector<Case> cases = {
        {tgaFile(plain, 3, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}),
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}},
        {tgaFile(plain, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}), {0, 3, 2, 1, 0, 7, 6, 5}},
        {tgaFile(runLength, 3, 2, 24, {1, 1, 2, 3, 4, 5, 6, 130, 7, 8, 9, 0, 10, 11, 12}),
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 9, 8, 7, 9, 8, 7, 12, 11, 10}},
        {tgaFile(runLength, 2, 2, 32, {130, 1, 2, 3, 4, 0, 5, 6, 7, 8}),
         {0, 3, 2, 1, 0, 3, 2, 1, 0, 3, 2, 1, 0, 7, 6, 5}},
    };
    for (const Case& c : cases) {
        for (size_t length = 18; length < c.file.size(); ++length) {
            SCOPED_TRACE("length " + std::to_string(length));
            imageWidth = -7;
            const Picture picture = parse(Bytes(c.file.begin(), c.file.begin() + long(length)));
            EXPECT_FALSE(picture.holdsImage());
            EXPECT_EQ(picture.width, 0);
            EXPECT_EQ(imageWidth, c.file[12]);
        }
        EXPECT_EQ(pixelsOf(parse(c.file)), c.full);
    }
}

TEST(TgaFile, ReadsTheWholeFileOrGivesNoImage)
{
    const std::filesystem::path directory = testScratchDirectory();
    const std::filesystem::path path = directory / "two.tga";
    const Bytes file = tgaFile(plain, 2, 1, 24, {1, 2, 3, 4, 5, 6});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                std::streamsize(file.size()));

    imageWidth = imageHeight = 0;
    Picture picture;
    readTgaImage(path.u16string().c_str(), picture);
    EXPECT_EQ(pixelsOf(picture), (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(imageWidth, 2);

    imageWidth = imageHeight = 0;
    readTgaImage((directory / "missing.tga").u16string().c_str(), picture);
    EXPECT_FALSE(picture.holdsImage());
    EXPECT_EQ(imageWidth, 0);
    EXPECT_EQ(imageHeight, 0);
}

}  // namespace
