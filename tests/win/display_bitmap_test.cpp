// DIB sections made from Pictures: their size, depth and orientation, the
// pixel bits and the colour table, read back through the platform and
// compared with the packed DIB they were made from.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "picture/display_bitmap_win32.h"
#include "picture/picture.h"
#include "picture_fixtures.h"

namespace {

Bytes countingBytes(size_t n, uint8_t step)
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * step + 3);
    return bytes;
}

// Owns a bitmap handle for the length of a test.
struct Bitmap {
    HBITMAP handle;
    explicit Bitmap(HBITMAP h) : handle(h) {}
    ~Bitmap()
    {
        if (handle)
            DeleteObject(handle);
    }
};

// Reads the section back and compares it with the packed DIB of the same
// picture: header fields, pixel rows and, for 1 and 8 bits, the colour table.
void expectSectionMatchesPackedDib(const Picture& picture, uint32_t background, bool premultiply)
{
    const ByteArray dib = picture.toPackedDib(background, premultiply);
    ASSERT_NE(dib, nullptr);
    Bitmap bitmap(toDisplayBitmap(picture, background, premultiply));
    ASSERT_NE(bitmap.handle, nullptr);
    GdiFlush();

    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap.handle, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, picture.width);
    EXPECT_EQ(section.dsBm.bmHeight, picture.height);
    EXPECT_EQ(section.dsBm.bmBitsPixel, picture.bitsPerPixel);
    EXPECT_EQ(section.dsBmih.biHeight, picture.height);  // bottom-up
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    ASSERT_NE(section.dsBm.bmBits, nullptr);

    const size_t tableBytes = picture.paletteBytes();
    const size_t rowsBytes = static_cast<size_t>(picture.packedDibSize()) - 40 - tableBytes;
    EXPECT_EQ(static_cast<size_t>(section.dsBm.bmWidthBytes) * picture.height, rowsBytes);
    const uint8_t* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    EXPECT_EQ(Bytes(bits, bits + rowsBytes), Bytes(dib.get() + 40 + tableBytes, dib.get() + 40 + tableBytes + rowsBytes));

    if (tableBytes == 0)
        return;
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap.handle);
    RGBQUAD table[256] = {};
    const UINT entries = GetDIBColorTable(memory, 0, 256, table);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ASSERT_EQ(entries * 4, tableBytes);
    EXPECT_EQ(Bytes(reinterpret_cast<uint8_t*>(table), reinterpret_cast<uint8_t*>(table) + tableBytes),
              Bytes(dib.get() + 40, dib.get() + 40 + tableBytes));
}

}  // namespace

TEST(DisplayBitmap, OneBitWithGeneratedAndOwnTable)
{
    // 10 x 3: rows of 2 bytes, 4 in the section.
    expectSectionMatchesPackedDib(makePicture(10, 3, 1, {0x80, 0x40, 0x01, 0xFF, 0xAA, 0x55}), 0, true);
    expectSectionMatchesPackedDib(makePicture(10, 3, 1, {0x80, 0x40, 0x01, 0xFF, 0xAA, 0x55},
                                              {0, 10, 20, 30, 128, 200, 100, 50}),
                                  0x00FFFFFF, true);
}

TEST(DisplayBitmap, EightBitWithGeneratedAndOwnTable)
{
    // 3 x 2: rows of 3 bytes, 4 in the section.
    expectSectionMatchesPackedDib(makePicture(3, 2, 8, {0, 1, 2, 253, 254, 255}), 0, true);
    expectSectionMatchesPackedDib(makePicture(7, 5, 8, countingBytes(35, 7), countingBytes(1024, 13)),
                                  0x00204080, false);
}

TEST(DisplayBitmap, TwentyFourBits)
{
    // 5 x 2: rows of 15 bytes, 16 in the section.
    expectSectionMatchesPackedDib(makePicture(5, 2, 24, countingBytes(30, 1)), 0, true);
    expectSectionMatchesPackedDib(makePicture(64, 48, 24, countingBytes(64 * 48 * 3, 5)), 0, true);
}

TEST(DisplayBitmap, ThirtyTwoBitsPremultipliedAndFlattened)
{
    const Bytes pixels{0,   200, 100, 50,  //
                       255, 200, 100, 50,  //
                       128, 200, 100, 50,  //
                       7,   1,   2,   3,   //
                       250, 9,   99,  199, //
                       64,  255, 255, 255};
    expectSectionMatchesPackedDib(makePicture(3, 2, 32, pixels), 0, true);
    expectSectionMatchesPackedDib(makePicture(3, 2, 32, pixels), 0x00FFFFFF, false);

    // The premultiplied bytes as they sit in the section, bottom row first.
    Bitmap bitmap(toDisplayBitmap(makePicture(1, 2, 32, {0, 200, 100, 50, 255, 200, 100, 50}), 0, true));
    ASSERT_NE(bitmap.handle, nullptr);
    DIBSECTION section{};
    ASSERT_NE(GetObjectW(bitmap.handle, sizeof section, &section), 0);
    const uint8_t* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    EXPECT_EQ(Bytes(bits, bits + 8), (Bytes{0, 0, 0, 0, 50, 100, 200, 255}));
}

TEST(DisplayBitmap, NoBitmapWithoutAConvertiblePicture)
{
    EXPECT_EQ(toDisplayBitmap(Picture(), 0, true), nullptr);
    EXPECT_EQ(toDisplayBitmap(makePicture(2, 1, 16, {0, 0, 0, 0}), 0, true), nullptr);
}

TEST(DisplayBitmap, LeavesNoGdiObjectsBehind)
{
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before == 0)
        GTEST_SKIP() << "GDI object counts are not reported on this platform";
    const Picture picture = makePicture(3, 2, 8, {0, 1, 2, 3, 4, 5});
    for (int i = 0; i < 20; ++i)
        DeleteObject(toDisplayBitmap(picture, 0, true));
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}
