#include "decode/headers/declared_size.h"

#include <gtest/gtest.h>

#include <memory>

#include "header_fixtures.h"

namespace {

constexpr auto unknown = HeaderVerdict::unknown;
constexpr auto declared = HeaderVerdict::declared;
constexpr auto notReal = HeaderVerdict::cannotBeReal;

struct Row {
    const char* what;
    Bytes file;
    HeaderVerdict verdict;
    uint32_t width, height;
    bool refused;
};

Bytes cut(Bytes file, size_t size)
{
    file.resize(size);
    return file;
}

TEST(DeclaredSizeTest, EachFormatsHeader)
{
    // A thumbnail's frame inside an application segment must be stepped over.
    const Bytes exif = jpegSegment(0xE1, join({{'E', 'x', 'i', 'f', 0, 0}, startOfFrame(0xC0, 160, 120)}));
    const Bytes frame = startOfFrame(0xC0, 30, 20);
    // Three entries: the tags' data start at 8 + 2 + 36 + 4.
    auto withProfile = [](bool little, uint32_t profileBytes) {
        return tiffFile(little, {{256, 3, 1, 64}, {257, 4, 1, 48}, {34675, 7, profileBytes, 50}}, 100);
    };
    Bytes directoryBeyond = withProfile(true, 100);
    directoryBeyond[5] = 0x10;
    const Row rows[] = {
        {"24-bit 3 x 2, last row unpadded", bmpFile(3, 2, 24, biRgb, 12 + 9), declared, 3, 2, false},
        {"rows beyond the end", bmpFile(3, 2, 24, biRgb, 12 + 8), notReal, 3, 2, true},
        {"one row, exactly its bytes", bmpFile(3, 1, 24, biRgb, 9), declared, 3, 1, false},
        {"top-down", bmpFile(3, -2, 24, biRgb, 24), declared, 3, 2, false},
        {"core header", bmpFile(5, 4, 8, biRgb, 8 * 3 + 5, 12), declared, 5, 4, false},
        {"16-byte OS/2 header", bmpFile(3, 2, 24, biRgb, 12 + 9, 16), declared, 3, 2, false},
        {"bit fields, version 5 header", bmpFile(2, 2, 32, biBitfields, 16, 124), declared, 2, 2, false},
        {"1,080-byte RLE8 of 30000 x 30000", bmpFile(30000, 30000, 8, biRle8, 1026), declared, 30000, 30000, true},
        {"RLE8 of 16383 x 16383", bmpFile(16383, 16383, 8, biRle8, 2), declared, 16383, 16383, false},
        {"bits beyond the end", cut(bmpFile(4, 4, 8, biRle8, 0), 53), notReal, 4, 4, true},
        {"bits offset at the very end", bmpFile(4, 4, 8, biRle8, 0), declared, 4, 4, false},
        {"negative width", bmpFile(-3, 2, 24, biRgb, 24), notReal, 0, 2, true},
        {"cut in the info header", cut(bmpFile(3, 2, 24, biRgb, 24), 30), unknown, 0, 0, false},
        {"screen and frame", gifFile(40, 30, 40, 30), declared, 40, 30, false},
        {"frame larger than the screen", gifFile(100, 100, 20000, 20000), declared, 20000, 20000, true},
        {"no frame", gifFile(30000, 30000, 0, 0), declared, 30000, 30000, true},
        {"cut in the extension", cut(gifFile(100, 100, 20000, 20000), 25), declared, 100, 100, false},
        {"cut in the screen", cut(gifFile(40, 30, 40, 30), 12), unknown, 0, 0, false},
        {"behind a thumbnail and a table",
         jpegFile(join({exif, jpegSegment(0xC4, {0, 1, 2, 3}), startOfFrame(0xC0, 1600, 1200)})), declared, 1600,
         1200, false},
        {"65500 x 65500", jpegFile(startOfFrame(0xC2, 65500, 65500)), declared, 65500, 65500, true},
        {"stray bytes and fill", jpegFile(join({{0x00, 0x17, 0xFF, 0x00, 0xFF, 0xFF}, frame})), declared, 30, 20, false},
        {"restart markers stand alone", jpegFile(join({{0xFF, 0xD0}, frame})), declared, 30, 20, false},
        {"segment beyond the end", cut(jpegFile(exif), 12), notReal, 0, 0, true},
        {"file ends with a segment", cut(jpegFile(exif), 2 + exif.size()), unknown, 0, 0, false},
        {"frame segment of its least length", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 0})), declared, 30, 20,
         false},
        {"last frame marker, SOF15", jpegFile(startOfFrame(0xCF, 30, 20)), declared, 30, 20, false},
        {"start of image repeated", jpegFile(join({{0xFF, 0xD8}, frame})), declared, 30, 20, false},
        {"length below 2", jpegFile(join({{0xFF, 0xE0, 0, 1}, frame})), notReal, 0, 0, true},
        {"short frame segment", jpegFile(jpegSegment(0xC0, {8, 0, 20})), notReal, 0, 0, true},
        {"scan before any frame", jpegFile({}), unknown, 0, 0, false},
        {"the limit, 16384 x 16384", pngFile(16384, 16384), declared, 16384, 16384, false},
        {"one row more", pngFile(16384, 16385), declared, 16384, 16385, true},
        {"no width", pngFile(0, 10), notReal, 0, 10, true},
        {"side over 2^31 - 1", pngFile(10, 0x80000000u), notReal, 10, 0x80000000u, true},
        {"another chunk first", pngFile(10, 10, "gAMA"), unknown, 0, 0, false},
        {"cut in the header", cut(pngFile(10, 10), 23), unknown, 0, 0, false},
        {"cut right behind the size", cut(pngFile(10, 10), 24), declared, 10, 10, false},
        {"side of 2^31 - 1", pngFile(10, 0x7FFFFFFFu), declared, 10, 0x7FFFFFFFu, true},
        {"no known signature", Bytes(40, 0x5A), unknown, 0, 0, false},
        {"little-endian", withProfile(true, 100), declared, 64, 48, false},
        {"big-endian", withProfile(false, 100), declared, 64, 48, false},
        {"profile of 0xFFFFFFFF bytes", withProfile(true, 0xFFFFFFFF), notReal, 64, 48, true},
        {"profile one byte beyond", withProfile(false, 101), notReal, 64, 48, true},
        {"unknown type skipped", tiffFile(true, {{256, 3, 1, 9}, {257, 3, 1, 9}, {999, 99, 0xFFFFFFFF, 0}}, 0),
         declared, 9, 9, false},
        {"70000 x 70000", tiffFile(false, {{256, 4, 1, 70000}, {257, 4, 1, 70000}}, 0), declared, 70000, 70000, true},
        {"no length", tiffFile(true, {{256, 3, 1, 64}}, 0), unknown, 64, 0, false},
        {"directory beyond the end", directoryBeyond, notReal, 0, 0, true},
        {"entries cut", cut(withProfile(true, 100), 30), notReal, 0, 0, true},
    };
    // Read from an exactly sized heap copy, so that AddressSanitizer sees any
    // read past the end.
    for (const Row& row : rows) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[row.file.size()]);
        std::copy(row.file.begin(), row.file.end(), copy.get());
        HeaderSource source = memorySource(copy.get(), row.file.size());
        const DeclaredSize size = readDeclaredSize(source);
        EXPECT_EQ(size.verdict, row.verdict) << row.what;
        EXPECT_EQ(size.width, row.width) << row.what;
        EXPECT_EQ(size.height, row.height) << row.what;
        EXPECT_EQ(isUndecodable(size), row.refused) << row.what;
    }
}

}  // namespace
