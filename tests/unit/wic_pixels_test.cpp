#include "decode/platform/wic_pixels.h"

#include <gtest/gtest.h>

#include <cstring>

#include "picture_fixtures.h"

namespace {

ByteArray blockOf(const Bytes& bytes)
{
    ByteArray block = allocateBytes(bytes.size());
    std::memcpy(block.get(), bytes.data(), bytes.size());
    return block;
}

TEST(WicPixelsTest, BlocksBecomePicturesInThePicturesLayout)
{
    struct Case {
        const char* name;
        int32_t width, height;
        int bytesPerPixel;
        Bytes block;
        int32_t expectedBits;  // 0: no picture
        Bytes expectedPixels;
    } cases[] = {
        {"R,G,B rows stand as they are", 2, 1, 3, {1, 2, 3, 4, 5, 6}, 24, {1, 2, 3, 4, 5, 6}},
        // Five pixels: two pixels to a word, the fifth on its own; in place.
        {"opaque B,G,R,A drops to R,G,B", 5, 1, 4,
         {10, 20, 30, 255, 11, 21, 31, 255, 12, 22, 32, 255, 13, 23, 33, 255, 14, 24, 34, 255}, 24,
         {30, 20, 10, 31, 21, 11, 32, 22, 12, 33, 23, 13, 34, 24, 14}},
        {"one transparent pixel keeps 32 bits, T = 255 - A", 3, 1, 4,
         {10, 20, 30, 255, 1, 2, 3, 0, 7, 8, 9, 0x40}, 32,
         {0, 30, 20, 10, 255, 3, 2, 1, 0xBF, 9, 8, 7}},
        {"no pixel", 0, 5, 4, {}, 0, {}},
        {"no block", 2, 2, 4, {}, 0, {}},
        {"unknown depth", 1, 1, 2, {1, 2}, 0, {}},
    };
    for (Case& c : cases) {
        const Picture picture =
            pictureFromWicPixels(c.block.empty() ? nullptr : blockOf(c.block), c.width, c.height, c.bytesPerPixel);
        EXPECT_EQ(picture.bitsPerPixel, c.expectedBits) << c.name;
        EXPECT_EQ(pixelsOf(picture), c.expectedPixels) << c.name;
        if (c.expectedBits != 0) {
            EXPECT_EQ(picture.width, c.width) << c.name;
            EXPECT_EQ(picture.height, c.height) << c.name;
        }
    }
}

}  // namespace
