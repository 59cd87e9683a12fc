#include "decode/tga_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "decode/decoded_size.h"
#include "picture/picture.h"
#include "picture_fixtures.h"
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

TEST_F(TgaReaderTest, PixelArraysOver2GBAreRefusedBeforeAllocating)
{
    // 65535 x 65535 x 4 is 17 GB; 65535 x 8193 x 4 is the first row count
    // past 2^31 - 1 bytes at that width.
    for (uint16_t height : {65535, 8193}) {
        const Picture picture = parse(tgaFile(runLength, 65535, height, 32, {255, 1, 2, 3, 4}));
        EXPECT_FALSE(picture.holdsImage());
        EXPECT_EQ(imageWidth, 65535);
        EXPECT_EQ(imageHeight, height);
    }
}

// A cut file keeps a prefix of its pixels and is opaque black after it:
// plain files every whole pixel they hold, run-length files every packet.
TEST_F(TgaReaderTest, TruncationAtEveryLengthKeepsWhatWasDecoded)
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
        const size_t bytesPerPixel = c.file[16] / 8;
        for (size_t length = 18; length <= c.file.size(); ++length) {
            SCOPED_TRACE("length " + std::to_string(length));
            const Picture picture = parse(Bytes(c.file.begin(), c.file.begin() + long(length)));
            const Bytes pixels = pixelsOf(picture);
            ASSERT_EQ(pixels.size(), c.full.size());
            size_t kept = 0;
            while (kept < pixels.size() && pixels[kept] == c.full[kept])
                ++kept;
            kept -= kept % bytesPerPixel;
            for (size_t i = kept; i < pixels.size(); ++i)
                ASSERT_EQ(pixels[i], 0) << "byte " << i;
            if (c.file[2] == plain)
                EXPECT_EQ(kept, (length - 18) / bytesPerPixel * bytesPerPixel);
            if (length == c.file.size())
                EXPECT_EQ(pixels, c.full);
        }
    }
}

TEST(TgaFile, ReadsTheWholeFileOrGivesNoImage)
{
    const char* scratch = std::getenv("VELLORA_TEST_TMP");
    const std::filesystem::path directory =
        std::filesystem::path(scratch ? scratch : "/tmp") / "tga_reader_test";
    std::filesystem::create_directories(directory);
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
