#include "decode/common/pixel_swizzle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using RowConverter = void (*)(const uint8_t*, uint8_t*, size_t);

// T of a 32-bit pixel in the reference: 255 - A, or this value for all.
constexpr int fromAlpha = -1;

// Order of the colour bytes in a source pixel.
enum class Order { bgr, rgb };

Bytes oneByOne(const uint8_t* source, size_t count, size_t bytesPerPixel, int transparency, Order order)
{
    Bytes out;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = source + i * bytesPerPixel;
        if (bytesPerPixel == 4)
            out.push_back(static_cast<uint8_t>(transparency == fromAlpha ? 255 - p[3] : transparency));
        if (order == Order::bgr)
            out.insert(out.end(), {p[2], p[1], p[0]});
        else
            out.insert(out.end(), {p[0], p[1], p[2]});
    }
    return out;
}

// Counts 0 to 33 cover up to four passes of the word loops followed by every
// length of tail. The source row ends where its allocation ends, so that
// AddressSanitizer sees a read past it; the target has a guard byte on
// either side. Both rows start one byte off alignment. Every source byte
// differs from its neighbours, so a byte taken from the wrong place shows.
void expectPixelByPixelResult(RowConverter convert, size_t bytesPerPixel, int transparency,
                              Order order = Order::bgr)
{
    constexpr uint8_t guard = 0xA5;
    for (size_t count = 0; count <= 33; ++count) {
        const size_t rowBytes = count * bytesPerPixel;
        std::unique_ptr<uint8_t[]> allocation(new uint8_t[1 + rowBytes]);
        uint8_t* source = allocation.get() + 1;
        for (size_t i = 0; i < rowBytes; ++i)
            source[i] = static_cast<uint8_t>(i * 7 + 3);
        Bytes target(rowBytes + 2, guard);
        convert(source, target.data() + 1, count);

        const Bytes converted(target.begin() + 1, target.end() - 1);
        EXPECT_EQ(converted, oneByOne(source, count, bytesPerPixel, transparency, order)) << count << " pixels";
        EXPECT_EQ(target.front(), guard) << count << " pixels";
        EXPECT_EQ(target.back(), guard) << count << " pixels";
    }
}

TEST(PixelSwizzle, BgrRowsOfEveryLengthSwapRedAndBlue)
{
    expectPixelByPixelResult(bgrToRgb, 3, 0);
}

TEST(PixelSwizzle, BgraRowsOfEveryLengthTakeTransparencyFromAlpha)
{
    expectPixelByPixelResult(bgraToTrgb, 4, fromAlpha);
}

TEST(PixelSwizzle, BgraRowsOfEveryLengthDropAlpha)
{
    expectPixelByPixelResult(bgraToOpaqueTrgb, 4, 0);
}

// An alpha byte shifted into the neighbouring pixel, or colours swapped as
// for B,G,R,A, shows here and in no other test.
TEST(PixelSwizzle, RgbaRowsOfEveryLengthTakeTransparencyFromAlpha)
{
    expectPixelByPixelResult(rgbaToTrgb, 4, fromAlpha, Order::rgb);
}

}  // namespace
