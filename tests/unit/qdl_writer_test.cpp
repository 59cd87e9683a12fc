#include "decode/qdl/qdl_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decode/qdl/qdl_reader.h"
#include "picture/picture.h"
#include "picture_fixtures.h"

namespace {

const int depthOfType[6] = {1, 1, 8, 8, 24, 32};
const int lastCompression[6] = {1, 1, 4, 1, 2, 3};

Picture blankPicture(int pixelType, int32_t width, int32_t height)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = depthOfType[pixelType];
    picture.pixels = allocateBytes(size_t(picture.pixelBytes()));
    std::memset(picture.pixels.get(), 0, size_t(picture.pixelBytes()));
    if (pixelType == 0 || pixelType == 2) {
        const size_t bytes = picture.paletteBytes();
        picture.palette = allocateBytes(bytes);
        for (size_t i = 0; i < bytes; ++i)
            picture.palette[i] = uint8_t(i * 37 + 11);
        // Trailing zero entries, which a counted palette leaves out.
        if (pixelType == 2)
            std::memset(picture.palette.get() + 800, 0, 224);
    }
    return picture;
}

// Sets pixel (x, y) to value: a bit, an index, or the low bytes of a colour.
void setPixel(Picture& picture, int32_t x, int32_t y, uint32_t value)
{
    uint8_t* row = picture.pixels.get() + uint64_t(y) * picture.rowBytes();
    switch (picture.bitsPerPixel) {
    case 1:
        if (value & 1)
            row[x >> 3] |= uint8_t(0x80 >> (x & 7));
        else
            row[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
        break;
    case 8:
        row[x] = uint8_t(value);
        break;
    default:
        for (int byte = 0; byte < picture.bitsPerPixel / 8; ++byte)
            row[x * (picture.bitsPerPixel / 8) + byte] = uint8_t(value >> (8 * byte));
    }
}

// recurring: one colour every 255th pixel, all others distinct, so that its
// colour group jumps over exactly 254 unfilled pixels, the longest jump.
enum class Pattern { gradient, stripes, blocks, noise, fewColours, recurring };

// Values are then limited so the compression can store them: restricted
// values only ever appear in runs of at least minimumRun pixels.
Picture patternedPicture(int pixelType, int compression, int32_t width, int32_t height, Pattern pattern, uint32_t seed)
{
    Picture picture = blankPicture(pixelType, width, height);
    std::mt19937 random(seed);
    const uint32_t palette[5] = {0x00000000, 0xFFFFFFFF, 0x00FF8040, 0xFF01FFFF, 0x12345678};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint32_t value = 0;
            switch (pattern) {
            case Pattern::gradient: value = uint32_t(x * 3 + y * 5) * 0x01010101u + uint32_t(x); break;
            case Pattern::stripes: value = ((x / 11 + y / 3) % 4) * 0x40404040u; break;
            case Pattern::blocks: value = palette[((x / 37) * 7 + (y / 5) * 3) % 5]; break;
            case Pattern::noise: value = uint32_t(random()); break;
            case Pattern::fewColours: value = palette[random() % 5]; break;
            case Pattern::recurring: {
                const uint32_t index = uint32_t(y) * uint32_t(width) + uint32_t(x);
                value = index % 255 == 0 ? 0x00ABCDEFu : index + 1;
                break;
            }
            }
            setPixel(picture, x, y, value);
        }
    }
    // Keep restricted values out of short runs by overwriting them, then lay
    // a few long runs of them back in, never overlapping (80 pixels apart at
    // least).
    const uint64_t count = uint64_t(width) * uint64_t(height);
    uint8_t* pixels = picture.pixels.get();
    if (pixelType == 2 && compression >= 2) {
        const uint8_t limit = compression == 2 ? 255 : compression == 3 ? 128 : 254;
        const uint64_t minimumRun = compression == 3 ? 3 : 4;
        for (uint64_t i = 0; i < count; ++i)
            pixels[i] = uint8_t(pixels[i] % limit);
        for (uint64_t start = 0; start + minimumRun <= count; start += 80 + random() % 300) {
            const uint64_t length = minimumRun + random() % 70;
            std::memset(pixels + start, uint8_t(limit + random() % (256 - limit)),
                        size_t(std::min<uint64_t>(length, count - start)));
            if (count - start < length)
                break;
        }
    }
    if (pixelType == 5 && compression == 2) {
        // Pixels starting 255, non-zero come in pairs.
        for (uint64_t i = 0; i + 1 < count; i += 2)
            std::memcpy(pixels + 4 * (i + 1), pixels + 4 * i, 4);
        if (count % 2 == 1 && pixels[4 * (count - 1)] == 255)
            pixels[4 * (count - 1) + 1] = 0;
    }
    return picture;
}

int parse(Picture& picture, const Bytes& file)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[file.size() + 1]);
    std::copy(file.begin(), file.end(), copy.get());
    return parseQdlImage(picture, copy.get(), file.size());
}

void expectRoundTrip(const Picture& picture, int pixelType, int compression, const std::string& what)
{
    Bytes file;
    ASSERT_EQ(writeQdlImage(picture, pixelType, compression, file), QdlWriteResult::written) << what;
    Picture back;
    ASSERT_EQ(parse(back, file), qdlDecoded) << what;
    EXPECT_EQ(back.width, picture.width) << what;
    EXPECT_EQ(back.height, picture.height) << what;
    EXPECT_EQ(back.bitsPerPixel, picture.bitsPerPixel) << what;
    EXPECT_EQ(paletteOf(back), paletteOf(picture)) << what;
    EXPECT_EQ(pixelsOf(back), pixelsOf(picture)) << what;
}

std::string describe(int type, int compression, int32_t width, int32_t height, int pattern)
{
    return "type " + std::to_string(type) + " compression " + std::to_string(compression) + " " +
           std::to_string(width) + "x" + std::to_string(height) + " pattern " + std::to_string(pattern);
}

// ---------------------------------------------------------------- round trips

TEST(QdlWriter, EveryTypeAndCompressionRoundTrips)
{
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {7, 3}, {9, 2}, {13, 17}, {64, 5}, {301, 7}, {1000, 40}};
    const Pattern patterns[] = {Pattern::gradient, Pattern::stripes, Pattern::blocks, Pattern::noise,
                                Pattern::fewColours, Pattern::recurring};
    uint32_t seed = 1;
    for (int type = 0; type < 6; ++type)
        for (int compression = 0; compression <= lastCompression[type]; ++compression)
            for (auto [width, height] : sizes)
                for (Pattern pattern : patterns) {
                    const Picture picture = patternedPicture(type, compression, width, height, pattern, seed++);
                    expectRoundTrip(picture, type, compression,
                                    describe(type, compression, width, height, int(pattern)));
                }
}

TEST(QdlWriter, EmptySizesRoundTrip)
{
    for (int type = 0; type < 6; ++type)
        for (int compression = 0; compression <= lastCompression[type]; ++compression)
            for (auto [width, height] : {std::pair<int32_t, int32_t>{0, 0}, {5, 0}, {0, 9}, {0, INT32_MAX}})
                expectRoundTrip(blankPicture(type, width, height), type, compression,
                                describe(type, compression, width, height, -1));
}

// Runs of every length around the unit limits, for values that must stay in
// runs and values that need not.
TEST(QdlWriter, RunLengthsAroundTheLimits)
{
    struct Case {
        int type, compression;
        uint32_t value;
    } cases[] = {
        {2, 1, 255}, {2, 2, 7}, {2, 2, 255}, {2, 3, 7}, {2, 3, 128}, {2, 3, 255}, {2, 4, 7}, {2, 4, 254},
        {3, 1, 200}, {4, 1, 0x010203}, {5, 1, 0x01020304}, {5, 2, 0x01020304}, {5, 2, 0x000101FF},
        {0, 1, 1}, {1, 1, 0},
    };
    const uint32_t lengths[] = {1, 2, 3, 4, 5, 127, 128, 129, 130, 131, 132, 255, 256, 257, 258, 259, 260, 261,
                                262, 263, 264, 518, 519, 65790, 65791, 65792, 65793, 65795, 65796, 65797,
                                65798, 65799, 131590, 131591};
    for (const Case& c : cases) {
        for (uint32_t length : lengths) {
            // The run sits between two different single pixels.
            Picture picture = blankPicture(c.type, int32_t(length + 2), 1);
            for (uint32_t x = 0; x < length + 2; ++x)
                setPixel(picture, int32_t(x), 0, x == 0 || x == length + 1 ? 0x00030201u + x % 2 : c.value);
            const bool restricted = (c.type == 2 && ((c.compression == 2 && c.value == 255) ||
                                                     (c.compression == 3 && c.value >= 128) ||
                                                     (c.compression == 4 && c.value >= 254))) ||
                                    (c.type == 5 && c.compression == 2 && (c.value & 0xFFFF) > 0xFF &&
                                     (c.value & 0xFF) == 0xFF);
            const uint32_t shortest = c.compression == 3 ? 3 : c.type == 5 ? 2 : 4;
            const std::string what = describe(c.type, c.compression, int32_t(length), 1, int(c.value));
            if (restricted && length < shortest) {
                Bytes file;
                EXPECT_EQ(writeQdlImage(picture, c.type, c.compression, file), QdlWriteResult::unrepresentable)
                    << what;
                EXPECT_TRUE(file.empty());
            } else {
                expectRoundTrip(picture, c.type, c.compression, what);
            }
        }
    }
}

// ---------------------------------------------------------------- choices

size_t streamSize(const Picture& picture, int type, int compression)
{
    Bytes file;
    EXPECT_EQ(writeQdlImage(picture, type, compression, file), QdlWriteResult::written);
    size_t header = 12;
    if (type == 0)
        header += 8;
    if (type == 2 && compression == 0)
        header += 1024;
    if (type == 2 && compression != 0)
        header += 2 + 4 * (file[12] | (file[13] << 8));
    return file.size() - header;
}

Picture indexRun(uint8_t value, uint32_t length)
{
    Picture picture = blankPicture(2, int32_t(length), 1);
    std::memset(picture.pixels.get(), value, length);
    return picture;
}

// Each maximal run is stored in the fewest bytes its compression allows.
TEST(QdlWriter, RunsTakeTheFewestBytes)
{
    EXPECT_EQ(streamSize(indexRun(7, 3), 2, 2), 3u);        // 3 literals
    EXPECT_EQ(streamSize(indexRun(7, 4), 2, 2), 3u);        // a run
    EXPECT_EQ(streamSize(indexRun(7, 260), 2, 2), 4u);      // run of 259 and a literal
    EXPECT_EQ(streamSize(indexRun(255, 260), 2, 2), 6u);    // runs of 256 and 4
    EXPECT_EQ(streamSize(indexRun(7, 2), 2, 3), 2u);        // 2 literals
    EXPECT_EQ(streamSize(indexRun(7, 3), 2, 3), 2u);        // a run
    EXPECT_EQ(streamSize(indexRun(200, 131), 2, 3), 4u);    // runs of 128 and 3
    EXPECT_EQ(streamSize(indexRun(7, 261), 2, 3), 5u);      // runs of 130, 130, a literal
    EXPECT_EQ(streamSize(indexRun(7, 65795), 2, 4), 4u);    // the longest run
    EXPECT_EQ(streamSize(indexRun(255, 65796), 2, 4), 7u);  // runs of 65792 and 4
    EXPECT_EQ(streamSize(indexRun(7, 65796), 2, 4), 5u);    // the longest run and a literal
    EXPECT_EQ(streamSize(indexRun(9, 257), 2, 1), 4u);      // runs of 256 and 1

    Picture wide = blankPicture(5, 65792, 1);
    for (int32_t x = 0; x < wide.width; ++x)
        setPixel(wide, x, 0, 0x000201FFu);
    EXPECT_EQ(streamSize(wide, 5, 2), 14u);                 // runs of 65790 and 2
    Picture uniform = blankPicture(4, 256, 2);
    EXPECT_EQ(streamSize(uniform, 4, 1), 8u);               // two runs of 256
    EXPECT_EQ(streamSize(blankPicture(1, 130, 1), 1, 1), 2u);
}

// Colour groups pay off on pictures of repeated colours: scattered colours
// cost about a byte a pixel, flat areas almost nothing.
TEST(QdlWriter, ColourGroupsCompressRepeatedColours)
{
    const Picture scattered = patternedPicture(4, 2, 300, 200, Pattern::fewColours, 5);
    EXPECT_LT(streamSize(scattered, 4, 2), 300u * 200u * 3u * 2u / 5u);
    EXPECT_LT(streamSize(scattered, 4, 2), streamSize(scattered, 4, 1) / 2);

    const Picture blocks = patternedPicture(5, 3, 600, 400, Pattern::blocks, 5);
    EXPECT_LT(streamSize(blocks, 5, 3), 600u * 400u * 4u / 20u);

    // Noise has nothing to group: literals cost a colour and a byte per 255.
    const Picture noise = patternedPicture(4, 2, 100, 100, Pattern::noise, 5);
    EXPECT_LE(streamSize(noise, 4, 2), 100u * 100u * 3u + 100u * 100u / 255u + 1u);
}

TEST(QdlWriter, CountedPaletteStopsAtTheLastColour)
{
    Picture picture = blankPicture(2, 2, 1);
    std::memset(picture.palette.get(), 0, 1024);
    Bytes file;
    ASSERT_EQ(writeQdlImage(picture, 2, 1, file), QdlWriteResult::written);
    EXPECT_EQ(file[12] | (file[13] << 8), 1);  // an all-zero palette still stores one entry
    picture.palette[4 * 9 + 2] = 1;
    ASSERT_EQ(writeQdlImage(picture, 2, 3, file), QdlWriteResult::written);
    EXPECT_EQ(file[12] | (file[13] << 8), 10);
    picture.palette[1023] = 1;
    ASSERT_EQ(writeQdlImage(picture, 2, 4, file), QdlWriteResult::written);
    EXPECT_EQ(file[12] | (file[13] << 8), 256);
}

TEST(QdlWriter, HeaderFields)
{
    const Picture picture = blankPicture(4, 0x01020304, 0);
    Bytes file;
    ASSERT_EQ(writeQdlImage(picture, 4, 2, file), QdlWriteResult::written);
    EXPECT_EQ(file, (Bytes{'Q', 'D', 4, 3, 2, 1, 0, 0, 0, 0, 4, 2}));
}

// ---------------------------------------------------------------- refusals

TEST(QdlWriter, RefusesWhatItCannotWrite)
{
    Bytes file = {1, 2, 3};
    EXPECT_EQ(writeQdlImage(Picture{}, 4, 0, file), QdlWriteResult::noImage);
    EXPECT_TRUE(file.empty());

    const Picture colour = blankPicture(4, 2, 2);
    EXPECT_EQ(writeQdlImage(colour, -1, 0, file), QdlWriteResult::unknownPixelType);
    EXPECT_EQ(writeQdlImage(colour, 6, 0, file), QdlWriteResult::unknownPixelType);
    EXPECT_EQ(writeQdlImage(colour, 4, 3, file), QdlWriteResult::compressionNotAccepted);
    EXPECT_EQ(writeQdlImage(colour, 4, -1, file), QdlWriteResult::compressionNotAccepted);
    EXPECT_EQ(writeQdlImage(colour, 5, 0, file), QdlWriteResult::depthMismatch);
    EXPECT_EQ(writeQdlImage(blankPicture(3, 2, 2), 2, 0, file), QdlWriteResult::depthMismatch);
    EXPECT_EQ(writeQdlImage(blankPicture(2, 2, 2), 3, 1, file), QdlWriteResult::depthMismatch);
    EXPECT_EQ(writeQdlImage(blankPicture(0, 2, 2), 1, 1, file), QdlWriteResult::depthMismatch);
    EXPECT_EQ(writeQdlImage(blankPicture(3, 2, 2), 0, 0, file), QdlWriteResult::depthMismatch);

    // 2^31 bytes: checked before the pixels are looked at.
    Picture huge;
    huge.width = 65536;
    huge.height = 32768;
    huge.bitsPerPixel = 8;
    huge.pixels = allocateBytes(1);
    EXPECT_EQ(writeQdlImage(huge, 3, 1, file), QdlWriteResult::tooLarge);
    EXPECT_TRUE(file.empty());
}

TEST(QdlWriter, RestrictedValuesOutsideRunsAreUnrepresentable)
{
    struct Case {
        int type, compression;
        std::vector<uint32_t> pixels;
    } cases[] = {
        {2, 2, {1, 255, 255, 255, 1}},
        {2, 3, {128, 128, 1}},
        {2, 3, {1, 2, 255}},
        {2, 4, {254, 254, 254, 1, 1}},
        {5, 2, {0x0000FFFF, 0x000100FF}},
    };
    for (const Case& c : cases) {
        Picture picture = blankPicture(c.type, int32_t(c.pixels.size()), 1);
        for (size_t x = 0; x < c.pixels.size(); ++x)
            setPixel(picture, int32_t(x), 0, c.pixels[x]);
        Bytes file;
        EXPECT_EQ(writeQdlImage(picture, c.type, c.compression, file), QdlWriteResult::unrepresentable)
            << c.type << "/" << c.compression;
        EXPECT_TRUE(file.empty());
    }
}

TEST(QdlWriter, NaturalPixelTypes)
{
    EXPECT_EQ(naturalQdlPixelType(Picture{}), -1);
    for (int type = 0; type < 6; ++type)
        EXPECT_EQ(naturalQdlPixelType(blankPicture(type, 1, 1)), type);
}

// ---------------------------------------------------------------- truncation

TEST(QdlWriter, EveryPrefixOfAWrittenFileIsCorrupt)
{
    for (int type = 0; type < 6; ++type) {
        for (int compression = 0; compression <= lastCompression[type]; ++compression) {
            const Picture picture = patternedPicture(type, compression, 11, 4, Pattern::blocks, 3);
            Bytes file;
            ASSERT_EQ(writeQdlImage(picture, type, compression, file), QdlWriteResult::written);
            for (size_t length = 2; length < file.size(); ++length) {
                Picture back;
                EXPECT_EQ(parse(back, Bytes(file.begin(), file.begin() + long(length))), qdlCorrupt)
                    << describe(type, compression, 11, 4, int(length));
                EXPECT_FALSE(back.holdsImage());
            }
        }
    }
}

// ---------------------------------------------------------------- palette order

TEST(QdlPaletteOrder, MovesShortRunColoursToFreeIndices)
{
    for (int compression : {2, 3, 4}) {
        Picture picture = patternedPicture(2, 0, 40, 30, Pattern::noise, 9);
        Picture original;
        original.assign(picture);
        Bytes file;
        ASSERT_EQ(writeQdlImage(picture, 2, compression, file), QdlWriteResult::unrepresentable);

        // Noise uses all 256 indices: too many short-run colours for
        // compression 3, which stores only 128 freely.
        if (compression == 3) {
            EXPECT_FALSE(reorderPaletteForQdl(picture, compression));
            EXPECT_EQ(pixelsOf(picture), pixelsOf(original));
            continue;
        }
        // Leave two indices unused so that 254 and 255 have somewhere to go.
        for (uint64_t i = 0; i < picture.pixelBytes(); ++i)
            if (picture.pixels[i] == 3 || picture.pixels[i] == 4)
                picture.pixels[i] = 5;
        original.assign(picture);
        ASSERT_TRUE(reorderPaletteForQdl(picture, compression));
        for (int32_t y = 0; y < picture.height; ++y)
            for (int32_t x = 0; x < picture.width; ++x)
                ASSERT_EQ(picture.pixelAt(x, y), original.pixelAt(x, y));
        expectRoundTrip(picture, 2, compression, "reordered " + std::to_string(compression));
    }

    // Runs of exactly 2 are too short for the flag runs at index 128 and up.
    Picture pairs = blankPicture(2, 12, 1);
    const uint8_t indices[12] = {200, 200, 7, 200, 200, 7, 7, 7, 200, 200, 9, 9};
    std::memcpy(pairs.pixels.get(), indices, sizeof indices);
    Picture original;
    original.assign(pairs);
    ASSERT_TRUE(reorderPaletteForQdl(pairs, 3));
    for (int32_t x = 0; x < pairs.width; ++x)
        EXPECT_EQ(pairs.pixelAt(x, 0), original.pixelAt(x, 0)) << x;
    expectRoundTrip(pairs, 2, 3, "pairs at index 200");
}

TEST(QdlPaletteOrder, KeepsFittingPicturesAsTheyAre)
{
    Picture picture = patternedPicture(2, 3, 50, 20, Pattern::stripes, 1);
    Picture original;
    original.assign(picture);
    EXPECT_TRUE(reorderPaletteForQdl(picture, 3));
    EXPECT_EQ(pixelsOf(picture), pixelsOf(original));
    Picture grey = blankPicture(3, 2, 2);
    EXPECT_FALSE(reorderPaletteForQdl(grey, 2));
}

}  // namespace
