#include "decode/dib/dib_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dib_fixtures.h"
#include "picture/picture.h"
#include "picture_fixtures.h"

namespace {

bool isEmpty(const Picture& picture)
{
    return !picture.pixels && !picture.palette && picture.width == 0 && picture.height == 0 &&
           picture.bitsPerPixel == 0;
}

struct Converted {
    int result;
    Picture picture;
};

// Converts from an exactly sized heap copy so that AddressSanitizer sees any
// read past the end. The picture starts out holding an older image.
Converted convert(const Bytes& block, size_t claimedSize = SIZE_MAX)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[block.size() + (block.empty() ? 1 : 0)]);
    std::copy(block.begin(), block.end(), copy.get());
    Converted c;
    c.picture.width = c.picture.height = 1;
    c.picture.bitsPerPixel = 8;
    c.picture.pixels = allocateBytes(1);
    c.picture.palette = allocateBytes(1024);
    c.result = pictureFromDib(copy.get(), claimedSize == SIZE_MAX ? block.size() : claimedSize,
                              c.picture);
    return c;
}

TEST(DibReader, ThirtyTwoBitRowsComeTopFirstWithTransparencyFromAlpha)
{
    const Bytes bottomRow = {1, 2, 3, 255, 5, 6, 7, 128};  // B, G, R, A
    const Bytes topRow = {9, 10, 11, 0, 13, 14, 15, 254};
    const Bytes top = {255, 11, 10, 9, 1, 15, 14, 13};  // T, R, G, B
    const Bytes bottom = {0, 3, 2, 1, 127, 7, 6, 5};

    const Converted bottomUp = convert(join({infoHeader(2, 2, 32), bottomRow, topRow}));
    EXPECT_EQ(bottomUp.result, dibConverted);
    EXPECT_EQ(bottomUp.picture.bitsPerPixel, 32);
    EXPECT_EQ(bottomUp.picture.palette, nullptr);
    EXPECT_EQ(pixelsOf(bottomUp.picture), join({top, bottom}));

    const Converted topDown = convert(join({infoHeader(2, -2, 32), topRow, bottomRow}));
    EXPECT_EQ(topDown.result, dibConverted);
    EXPECT_EQ(topDown.picture.height, 2);
    EXPECT_EQ(pixelsOf(topDown.picture), join({top, bottom}));
}

TEST(DibReader, TwentyFourBitRowsLosePaddingAndTurnToRgb)
{
    const Bytes stored = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,   // bottom row
                          11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE};  // top row
    const Bytes expected = {13, 12, 11, 16, 15, 14, 19, 18, 17, 3, 2, 1, 6, 5, 4, 9, 8, 7};
    const Converted full = convert(join({infoHeader(3, 2, 24), stored}));
    EXPECT_EQ(full.result, dibConverted);
    EXPECT_EQ(full.picture.width, 3);
    EXPECT_EQ(pixelsOf(full.picture), expected);

    // The last stored row may come without its padding.
    const Converted unpadded = convert(join({infoHeader(3, 2, 24), Bytes(stored.begin(), stored.end() - 3)}));
    EXPECT_EQ(unpadded.result, dibConverted);
    EXPECT_EQ(pixelsOf(unpadded.picture), expected);
}

TEST(DibReader, ColourTableFillsThePaletteFromTheCountedEntries)
{
    const Bytes table = {1, 2, 3, 0x77, 4, 5, 6, 0x77};  // B, G, R, reserved
    const Converted c = convert(join({infoHeader(3, 1, 8, biRgb, 2), table, {1, 0, 1, 0}}));
    ASSERT_EQ(c.result, dibConverted);
    EXPECT_EQ(c.picture.bitsPerPixel, 8);
    EXPECT_EQ(pixelsOf(c.picture), (Bytes{1, 0, 1}));
    Bytes palette(1024, 0);
    std::memcpy(palette.data(), "\0\3\2\1\0\6\5\4", 8);
    EXPECT_EQ(paletteOf(c.picture), palette);
}

TEST(DibReader, TableCountsOutOfRangeMeanTheFullTable)
{
    struct Case {
        uint16_t bitCount;
        int32_t colorsUsed;
        uint32_t entries;
    };
    const Case cases[] = {{4, 0, 16},   {4, -1, 16},        {4, 17, 16}, {4, 3, 3},
                          {8, 0, 256},  {8, -5, 256},       {8, 257, 256},
                          {8, 0x12345678, 256}, {8, 255, 255}};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.bitCount) + " bits, biClrUsed " + std::to_string(k.colorsUsed));
        Bytes table;
        for (uint32_t i = 0; i < k.entries; ++i)
            table.insert(table.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
        // One pixel of the last counted index, then padding.
        const uint8_t last = uint8_t(k.entries - 1);
        const Bytes row = {uint8_t(k.bitCount == 4 ? last << 4 : last), 0, 0, 0};
        const Converted c = convert(join({infoHeader(1, 1, k.bitCount, biRgb, k.colorsUsed), table, row}));
        ASSERT_EQ(c.result, dibConverted);
        EXPECT_EQ(pixelsOf(c.picture), Bytes{last});
        ASSERT_NE(c.picture.palette, nullptr);
        EXPECT_EQ(c.picture.pixelAt(0, 0), last * 0x01010100u);
        if (k.entries < 256)
            EXPECT_EQ(c.picture.palette[4 * k.entries + 1], 0) << "entry past the table";
    }
}

TEST(DibReader, FourBitPixelsWidenHighNibbleFirst)
{
    const Bytes table(16 * 4, 0);
    const Converted c = convert(join({infoHeader(5, 1, 4), table, {0x12, 0x34, 0x5F, 0xFF}}));
    ASSERT_EQ(c.result, dibConverted);
    EXPECT_EQ(c.picture.bitsPerPixel, 8);
    EXPECT_EQ(pixelsOf(c.picture), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(c.picture.paletteBytes(), 1024u);
}

TEST(DibReader, OneBitRowsAreCopiedWithATwoEntryPalette)
{
    // biClrUsed 1 still means two table entries.
    const Bytes table = {10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes rows = {0xAA, 0xC0, 0, 0,   // bottom row, 10 pixels
                        0x55, 0x40, 0, 0};  // top row
    const Converted c = convert(join({infoHeader(10, 2, 1, biRgb, 1), table, rows}));
    ASSERT_EQ(c.result, dibConverted);
    EXPECT_EQ(c.picture.bitsPerPixel, 1);
    EXPECT_EQ(pixelsOf(c.picture), (Bytes{0x55, 0x40, 0xAA, 0xC0}));
    EXPECT_EQ(paletteOf(c.picture), (Bytes{0, 30, 20, 10, 0, 60, 50, 40}));
}

TEST(DibReader, Rle8BottomUpStreamFillsGapsWithZero)
{
    const Bytes table(256 * 4, 0);
    const Converted c = convert(join({infoHeader(4, 2, 8, biRle8), table, {2, 7, 0, 0, 1, 9, 0, 1}}));
    ASSERT_EQ(c.result, dibConverted);
    EXPECT_EQ(pixelsOf(c.picture), (Bytes{9, 0, 0, 0, 7, 7, 0, 0}));
}

TEST(DibReader, Rle8EscapesAndAbsoluteRuns)
{
    const Bytes table = {0, 0, 0, 0};
    auto decode = [&](int32_t width, int32_t height, const Bytes& stream) {
        Converted c = convert(join({infoHeader(width, height, 8, biRle8, 1), table, stream}));
        EXPECT_EQ(c.result, dibConverted);
        return pixelsOf(c.picture);
    };
    // Absolute run of 3 with its padding byte, end of line, delta (1, 1), run.
    EXPECT_EQ(decode(4, -3, {0, 3, 4, 5, 6, 0xEE, 0, 0, 0, 2, 1, 1, 2, 9, 0, 1}),
              (Bytes{4, 5, 6, 0, 0, 0, 0, 0, 0, 9, 9, 0}));
    // An end of line at the start of a row does not skip that row.
    EXPECT_EQ(decode(2, -2, {0, 0, 2, 5, 0, 0, 0, 0, 2, 6, 0, 1}), (Bytes{5, 5, 6, 6}));
    // Pixels past the row end are dropped, and the end of line after them
    // still moves to the next row (ImageMagick pads rows to 4 pixels this way).
    EXPECT_EQ(decode(3, -2, {4, 5, 0, 0, 3, 6, 0, 1}), (Bytes{5, 5, 5, 6, 6, 6}));
    EXPECT_EQ(decode(3, -2, {2, 5, 0, 3, 1, 2, 3, 0, 0, 0, 2, 7, 0}), (Bytes{5, 5, 1, 7, 7, 0}));
    // Nothing after the end of bitmap counts.
    EXPECT_EQ(decode(2, -2, {1, 7, 0, 1, 1, 8}), (Bytes{7, 0, 0, 0}));
    // An absolute run of 4 needs no padding; the stream may end without a code.
    EXPECT_EQ(decode(4, -2, {0, 4, 1, 2, 3, 4, 0, 0, 2, 5}), (Bytes{1, 2, 3, 4, 5, 5, 0, 0}));
}

TEST(DibReader, Rle4RunsAlternateNibblesAndAbsoluteRunsPadToEvenBytes)
{
    const Bytes table(16 * 4, 0);
    auto decode = [&](int32_t width, int32_t height, const Bytes& stream) {
        Converted c = convert(join({infoHeader(width, height, 4, biRle4), table, stream}));
        EXPECT_EQ(c.result, dibConverted);
        EXPECT_EQ(c.picture.bitsPerPixel, 8);
        return pixelsOf(c.picture);
    };
    // Run of 5 from 0x12; absolute run of 5 in 3 bytes plus one padding byte.
    EXPECT_EQ(decode(5, -2, {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x7F, 0xEE, 0, 1}),
              (Bytes{1, 2, 1, 2, 1, 3, 4, 5, 6, 7}));
    // Absolute run of 3 in 2 bytes: no padding before the next code.
    EXPECT_EQ(decode(4, 1, {0, 3, 0xAB, 0xC0, 1, 0xDD}), (Bytes{0xA, 0xB, 0xC, 0xD}));
    // Bottom-up: the first decoded row is the picture's last.
    EXPECT_EQ(decode(2, 2, {2, 0x45, 0, 0, 1, 0x60}), (Bytes{6, 0, 4, 5}));
}

TEST(DibReader, RunsDeltasAndAbsoluteRunsStayInsideTheirRow)
{
    struct Case {
        const char* what;
        uint32_t compression;
        Bytes stream;
        Bytes expected;  // picture rows, top first, of a 2 x 2 bottom-up DIB
    };
    Bytes longAbsolute = {0, 255};
    longAbsolute.resize(2 + 256, 3);
    const Case cases[] = {
        {"run of 255", biRle8, {255, 7}, {0, 0, 7, 7}},
        {"delta past the end, then a run", biRle8, {0, 2, 255, 255, 2, 9}, {0, 0, 0, 0}},
        {"delta past the row end, then a run", biRle8, {0, 2, 5, 0, 2, 9, 0, 0, 1, 8}, {8, 0, 0, 0}},
        {"absolute run of 255", biRle8, longAbsolute, {0, 0, 3, 3}},
        {"absolute run cut by the block end", biRle8, {0, 200, 1, 2}, {0, 0, 1, 2}},
        {"delta cut by the block end", biRle8, {1, 4, 0, 2, 1}, {0, 0, 4, 0}},
        {"end of line on the last row", biRle8, {0, 0, 2, 1, 0, 0, 2, 2, 0, 0, 2, 3}, {2, 2, 1, 1}},
        {"RLE4 run of 255", biRle4, {255, 0x12}, {0, 0, 1, 2}},
        {"RLE4 absolute run of 255", biRle4, longAbsolute, {0, 0, 0, 3}},
        {"RLE4 absolute run cut by the block end", biRle4, {0, 200, 0x12, 0x34, 0x56}, {0, 0, 1, 2}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const Bytes table(16 * 4, 0);
        const uint16_t bitCount = k.compression == biRle8 ? 8 : 4;
        const Converted c = convert(join({infoHeader(2, 2, bitCount, k.compression, 16), table, k.stream}));
        EXPECT_EQ(c.result, dibConverted);
        EXPECT_EQ(pixelsOf(c.picture), k.expected);
    }
}

TEST(DibReader, SixteenBitFieldsWidenToEightBitsPerChannel)
{
    Bytes rgb565 = join({infoHeader(3, 1, 16, biBitfields), masks(0xF800, 0x07E0, 0x001F)});
    le16(rgb565, 0xF800);
    le16(rgb565, 0x07E0);
    le16(rgb565, 0x8010);  // red and blue 16 of 31
    le16(rgb565, 0xEEEE);  // padding
    const Converted c565 = convert(rgb565);
    ASSERT_EQ(c565.result, dibConverted);
    EXPECT_EQ(c565.picture.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(c565.picture), (Bytes{255, 0, 0, 0, 255, 0, 132, 0, 132}));

    Bytes rgb555 = join({infoHeader(2, 1, 16, biBitfields), masks(0x7C00, 0x03E0, 0x001F)});
    le16(rgb555, 0x7FFF);
    le16(rgb555, 0x0421);  // 1 in each channel
    EXPECT_EQ(pixelsOf(convert(rgb555).picture), (Bytes{255, 255, 255, 8, 8, 8}));

    // Only the low 16 bits of a mask word count; a channel wider than 8 bits
    // keeps its top 8 bits and an empty mask reads 0.
    Bytes wide = join({infoHeader(2, 1, 16, biBitfields), masks(0xFFFFFFC0, 0, 0x3F)});
    le16(wide, 0xFFFF);
    le16(wide, 0x8001);
    EXPECT_EQ(pixelsOf(convert(wide).picture), (Bytes{255, 0, 255, 128, 0, 4}));
}

TEST(DibReader, MasksSitInsideLongerHeaders)
{
    for (uint32_t headerSize : {52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(headerSize);
        Bytes dib = infoHeader(1, 1, 16, biBitfields, 0, headerSize);
        const Bytes m = masks(0xF800, 0x07E0, 0x001F);
        std::copy(m.begin(), m.end(), dib.begin() + 40);
        le16(dib, 0xF800);
        const Converted c = convert(dib);
        ASSERT_EQ(c.result, dibConverted);
        EXPECT_EQ(pixelsOf(c.picture), (Bytes{255, 0, 0}));
    }
}

TEST(DibReader, DirectColourSkipsMasksAndOptionalTable)
{
    // A 24-bit DIB may carry a table of biClrUsed entries before its bits.
    const Converted table24 = convert(join({infoHeader(1, 1, 24, biRgb, 2), Bytes(8, 0xEE), {1, 2, 3}}));
    ASSERT_EQ(table24.result, dibConverted);
    EXPECT_EQ(pixelsOf(table24.picture), (Bytes{3, 2, 1}));

    // 32-bit BI_BITFIELDS: the masks are stepped over but not applied.
    const Converted fields32 =
        convert(join({infoHeader(1, 1, 32, biBitfields), masks(0xFF, 0xFF00, 0xFF0000), {1, 2, 3, 4}}));
    ASSERT_EQ(fields32.result, dibConverted);
    EXPECT_EQ(pixelsOf(fields32.picture), (Bytes{251, 3, 2, 1}));
}

TEST(DibReader, UnsupportedCombinationsGiveNoPixels)
{
    struct Case {
        uint16_t bitCount;
        uint32_t compression;
    };
    const Case cases[] = {{16, biRgb}, {16, biRle8}, {2, biRgb}, {4, biRle8}, {4, biBitfields},
                          {8, biRle4}, {8, biBitfields}, {0, 4}, {64, biRgb}, {30000, biRgb}};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.bitCount) + " bits, compression " + std::to_string(k.compression));
        const Converted c = convert(join({infoHeader(2, 2, k.bitCount, k.compression), Bytes(4096, 1)}));
        EXPECT_EQ(c.result, dibNoPixels);
        EXPECT_TRUE(isEmpty(c.picture));
    }
}

TEST(DibReader, BadHeadersAreRefusedCleanly)
{
    const Bytes pixels(64, 0);
    const Converted negative = convert(join({infoHeader(-2, 2, 24), pixels}));
    EXPECT_EQ(negative.result, dibNegativeWidth);
    EXPECT_TRUE(isEmpty(negative.picture));
    EXPECT_EQ(convert(join({infoHeader(INT32_MIN, 1, 32), pixels})).result, dibNegativeWidth);

    const Bytes header = infoHeader(2, 2, 24);
    Bytes core = header;  // OS/2 core header size
    core[0] = 12;
    Bytes oversized = header;
    oversized[0] = 200;
    const Bytes refused[] = {
        header,  // no room for the rows
        Bytes(header.begin(), header.begin() + 39),
        join({core, pixels}),
        join({oversized, pixels}),
        join({infoHeader(0, 2, 24), pixels}),
        join({infoHeader(2, 0, 24), pixels}),
        join({infoHeader(2, INT32_MIN, 24), pixels}),
        join({infoHeader(1, 1, 8, biRgb, 0), Bytes(1023, 0)}),  // table cut short
        join({infoHeader(1, 1, 16, biBitfields), Bytes(11, 0)}),  // masks cut short
        join({infoHeader(1, 1, 24, biRgb, 0x40000000), pixels}),  // table past the block
    };
    for (const Bytes& dib : refused) {
        SCOPED_TRACE("case " + std::to_string(&dib - refused));
        const Converted c = convert(dib);
        EXPECT_EQ(c.result, dibNoPixels);
        EXPECT_TRUE(isEmpty(c.picture));
    }
}

TEST(DibReader, HugeSizesAreRefusedWithoutAllocating)
{
    const Bytes endOfBitmap = {0, 1};
    // Plain rows the block cannot hold.
    EXPECT_EQ(convert(join({infoHeader(100000, 100000, 24), {1, 2, 3}})).result, dibNoPixels);
    EXPECT_EQ(convert(join({infoHeader(INT32_MAX, INT32_MAX, 32), {1, 2, 3}})).result, dibNoPixels);
    EXPECT_EQ(convert(join({infoHeader(INT32_MAX, -INT32_MAX, 1), Bytes(8, 0)})).result, dibNoPixels);
    // A run-length stream carries no size: 4 GB of output from a few bytes.
    EXPECT_EQ(convert(join({infoHeader(65536, 65536, 8, biRle8, 1), Bytes(4, 0), endOfBitmap})).result,
              dibNoPixels);
    EXPECT_EQ(convert(join({infoHeader(INT32_MAX, 2, 4, biRle4, 1), Bytes(4, 0), endOfBitmap})).result,
              dibNoPixels);

    // A 4 GB 32-bit pixel array: the claimed block size lets the rows pass
    // the length check, and the conversion must stop before reading them.
    const uint64_t rowBytes = 65536ull * 4;
    const Converted big = convert(infoHeader(65536, 16384, 32), size_t(40 + rowBytes * 16384));
    EXPECT_EQ(big.result, dibOutOfMemory);
    EXPECT_EQ(big.picture.width, 65536);
    EXPECT_EQ(big.picture.height, 16384);
    EXPECT_EQ(big.picture.bitsPerPixel, 32);
    EXPECT_FALSE(big.picture.holdsImage());
}

// Plain rows need the whole block (less the last row's padding); a
// run-length stream keeps what it decoded before the block ends.
TEST(DibReader, TruncationAtEveryLength)
{
    struct Case {
        const char* what;
        Bytes dib;
        size_t shortest;  // first length that converts
        bool runLength;
    };
    const Bytes table2 = {1, 2, 3, 0, 4, 5, 6, 0};
    const Case cases[] = {
        {"1 bit", join({infoHeader(9, 2, 1), table2, {0xAA, 0x80, 0, 0, 0x55, 0x00, 0, 0}}), 54, false},
        {"4 bits", join({infoHeader(3, 2, 4, biRgb, 2), table2, {0x10, 0x10, 0, 0, 0x01, 0x10, 0, 0}}), 54, false},
        {"8 bits", join({infoHeader(2, -2, 8, biRgb, 2), table2, {1, 0, 0, 0, 0, 1, 0, 0}}), 54, false},
        {"16 bits", join({infoHeader(1, 2, 16, biBitfields), masks(0x7C00, 0x3E0, 0x1F), {1, 2, 0, 0, 3, 4, 0, 0}}), 58, false},
        {"24 bits", join({infoHeader(1, 2, 24), {1, 2, 3, 0, 4, 5, 6, 0}}), 47, false},
        {"32 bits", join({infoHeader(2, 1, 32), {1, 2, 3, 4, 5, 6, 7, 8}}), 48, false},
        {"RLE8", join({infoHeader(3, 2, 8, biRle8, 2), table2, {2, 1, 0, 0, 0, 3, 1, 0, 1, 0xEE, 0, 1}}), 48, true},
        {"RLE4", join({infoHeader(3, 2, 4, biRle4, 2), table2, {3, 0x10, 0, 3, 0x01, 0x10, 0, 1}}), 48, true},
    };
    for (const Case& k : cases) {
        const Converted full = convert(k.dib);
        ASSERT_EQ(full.result, dibConverted) << k.what;
        const Bytes fullPixels = pixelsOf(full.picture);
        for (size_t length = 0; length < k.dib.size(); ++length) {
            SCOPED_TRACE(std::string(k.what) + ", length " + std::to_string(length));
            const Converted c = convert(Bytes(k.dib.begin(), k.dib.begin() + long(length)));
            if (length < k.shortest) {
                EXPECT_EQ(c.result, dibNoPixels);
                EXPECT_TRUE(isEmpty(c.picture));
                continue;
            }
            ASSERT_EQ(c.result, dibConverted);
            const Bytes pixels = pixelsOf(c.picture);
            ASSERT_EQ(pixels.size(), fullPixels.size());
            if (!k.runLength) {
                EXPECT_EQ(pixels, fullPixels);
                continue;
            }
            for (size_t i = 0; i < pixels.size(); ++i)
                EXPECT_TRUE(pixels[i] == fullPixels[i] || pixels[i] == 0) << "pixel " << i;
        }
    }
}

}  // namespace
