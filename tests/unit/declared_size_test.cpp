#include "decode/headers/declared_size.h"

#include <gtest/gtest.h>

#include <iterator>
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

// The file with zeros behind its end up to size bytes.
Bytes padded(Bytes file, size_t size)
{
    file.resize(size, 0);
    return file;
}

void expectRows(const Row* rows, size_t count)
{
    // Read from an exactly sized heap copy, so that AddressSanitizer sees any
    // read past the end.
    for (const Row* row = rows; row != rows + count; ++row) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[row->file.size()]);
        std::copy(row->file.begin(), row->file.end(), copy.get());
        HeaderSource source = memorySource(copy.get(), row->file.size());
        const DeclaredSize size = readDeclaredSize(source);
        EXPECT_EQ(size.verdict, row->verdict) << row->what;
        EXPECT_EQ(size.width, row->width) << row->what;
        EXPECT_EQ(size.height, row->height) << row->what;
        EXPECT_EQ(isUndecodable(size), row->refused) << row->what;
    }
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
         padded(jpegFile(join({exif, jpegSegment(0xC4, {0, 1, 2, 3}), startOfFrame(0xC0, 1600, 1200)})), 3750),
         declared, 1600, 1200, false},
        {"65500 x 65500", padded(jpegFile(startOfFrame(0xC2, 65500, 65500)), 67043344), declared, 65500, 65500, true},
        {"65500 x 65500 in a few bytes", jpegFile(startOfFrame(0xC2, 65500, 65500)), notReal, 65500, 65500, true},
        // Arithmetic coding can spend less than a bit on a block.
        {"arithmetic, 1600 x 1200 in a few bytes", jpegFile(startOfFrame(0xC9, 1600, 1200)), declared, 1600, 1200,
         false},
        {"sampling factor 0", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 1, 1, 0x10, 0})), notReal, 30, 20, true},
        {"sampling factor 5", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 1, 1, 0x51, 0})), notReal, 30, 20, true},
        {"components cut", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 3, 1, 0x11, 0})), notReal, 30, 20, true},
        {"no components", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 0})), notReal, 30, 20, true},
        {"stray bytes and fill", jpegFile(join({{0x00, 0x17, 0xFF, 0x00, 0xFF, 0xFF}, frame})), declared, 30, 20, false},
        {"restart markers stand alone", jpegFile(join({{0xFF, 0xD0}, frame})), declared, 30, 20, false},
        {"segment beyond the end", cut(jpegFile(exif), 12), notReal, 0, 0, true},
        {"file ends with a segment", cut(jpegFile(exif), 2 + exif.size()), unknown, 0, 0, false},
        {"frame segment of its least length, one component", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 1, 1, 0x11, 0})),
         declared, 30, 20, false},
        {"frame segment a component short", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 1, 1, 0x11})), notReal, 30,
         20, true},
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
        {"no length", tiffFile(true, {{256, 3, 1, 64}}, 0), notReal, 64, 0, true},
        {"directory beyond the end", directoryBeyond, notReal, 0, 0, true},
        {"entries cut", cut(withProfile(true, 100), 30), notReal, 0, 0, true},
    };
    expectRows(rows, std::size(rows));
}

// ImageWidth and ImageLength in each integer type libtiff reads for them,
// in both byte orders (a BYTE or SHORT read as a wider type would take the
// zeros beside it in big-endian files); a side libtiff would refuse
// (negative, zero, over 32 bits, another type, no value, missing) refuses
// the file. LONG8 and SLONG8 values lie behind the directory, at 38.
TEST(DeclaredSizeTest, TiffSidesOfEveryIntegerType)
{
    auto tiff = [](bool little, TiffEntry width, TiffEntry length, uint64_t wide = 0) {
        Bytes file = tiffFile(little, {width, length}, 8);
        for (int i = 0; i < 8; ++i)
            file[38 + i] = uint8_t(wide >> (8 * (little ? i : 7 - i)));
        return file;
    };
    const TiffEntry short100{257, 3, 1, 100};
    const Row rows[] = {
        {"BYTE", tiff(true, {256, 1, 1, 200}, short100), declared, 200, 100, false},
        {"BYTE, big-endian", tiff(false, {256, 1, 1, 200}, short100), declared, 200, 100, false},
        {"SBYTE", tiff(true, {256, 6, 1, 127}, short100), declared, 127, 100, false},
        {"SBYTE -1", tiff(true, {256, 6, 1, 0xFF}, short100), notReal, 0, 100, true},
        {"SHORT, big-endian", tiff(false, {256, 3, 1, 65535}, short100), declared, 65535, 100, false},
        {"SSHORT", tiff(true, {256, 8, 1, 32767}, short100), declared, 32767, 100, false},
        {"SSHORT -2, big-endian", tiff(false, {256, 8, 1, 0xFFFE}, short100), notReal, 0, 100, true},
        {"LONG at the limit", tiff(true, {256, 4, 1, 16384}, {257, 4, 1, 16384}), declared, 16384, 16384, false},
        {"LONG one row past", tiff(false, {256, 4, 1, 16384}, {257, 4, 1, 16385}), declared, 16384, 16385, true},
        {"SLONG 30000 x 30000", tiff(true, {256, 9, 1, 30000}, {257, 9, 1, 30000}), declared, 30000, 30000, true},
        {"SLONG -1", tiff(true, {256, 9, 1, 0xFFFFFFFF}, short100), notReal, 0, 100, true},
        {"LONG8", tiff(true, {256, 16, 1, 38}, short100, 70000), declared, 70000, 100, false},
        {"LONG8, big-endian", tiff(false, {256, 16, 1, 38}, short100, 70000), declared, 70000, 100, false},
        {"LONG8 of 2^32", tiff(true, {256, 16, 1, 38}, short100, uint64_t(1) << 32), notReal, 0, 100, true},
        {"SLONG8", tiff(false, {256, 17, 1, 38}, short100, 500), declared, 500, 100, false},
        {"SLONG8 -1", tiff(true, {256, 17, 1, 38}, short100, ~uint64_t(0)), notReal, 0, 100, true},
        {"zero", tiff(true, {256, 4, 1, 0}, short100), notReal, 0, 100, true},
        {"RATIONAL", tiff(true, {256, 5, 1, 38}, short100), notReal, 0, 100, true},
        {"unknown type", tiff(true, {256, 99, 1, 64}, short100), notReal, 0, 100, true},
        {"no value", tiff(true, {256, 4, 0, 64}, short100), notReal, 0, 100, true},
        {"no width", tiff(true, {258, 3, 1, 8}, short100), notReal, 0, 100, true},
    };
    expectRows(rows, std::size(rows));
}

// An icon or cursor declares the size of its largest frame, read from the
// frame (a PNG's header, or a DIB's, whose height counts the mask rows too
// and is halved rounding down); a frame that lies outside the file or cannot
// hold its colour rows refuses it.
TEST(DeclaredSizeTest, IconFrames)
{
    const Bytes png = pngFile(48, 40);
    const Bytes dib = dibFrame(2, 4, 32, biRgb, 16 + 8);  // colour rows, then the mask's
    Bytes outside = icoFile({png});
    outside[14] = uint8_t(outside.size() - 22 + 1);  // the frame one byte longer than the file
    const Row rows[] = {
        {"PNG frame", icoFile({png}), declared, 48, 40, false},
        {"PNG frame at the limit", icoFile({pngFile(16384, 16384)}), declared, 16384, 16384, false},
        {"PNG frame one row past", icoFile({pngFile(16384, 16385)}), declared, 16384, 16385, true},
        {"DIB frame", icoFile({dib}), declared, 2, 2, false},
        {"DIB frame at the limit", icoFile({dibFrame(16384, 32768, 8, biRle8, 2)}), declared, 16384, 16384, false},
        {"DIB frame, odd height halved down", icoFile({dibFrame(16384, 32769, 8, biRle8, 2)}), declared, 16384,
         16384, false},
        {"DIB frame one row past", icoFile({dibFrame(16384, 32770, 8, biRle8, 2)}), declared, 16384, 16385, true},
        {"DIB rows beyond the frame", icoFile({dibFrame(2, 4, 32, biRgb, 15)}), notReal, 2, 2, true},
        {"the largest frame, listed first", icoFile({pngFile(30000, 30000), png}), declared, 30000, 30000, true},
        {"the largest frame, listed last", icoFile({dib, png, dibFrame(300, 600, 8, biRle8, 2)}), declared, 300, 300,
         false},
        {"cursor", icoFile({png}, 2), declared, 48, 40, false},
        {"frame beyond the end", outside, notReal, 0, 0, true},
        {"directory cut", cut(icoFile({png, png}), 30), notReal, 0, 0, true},
        {"no frames", icoFile({}), notReal, 0, 0, true},
        {"PNG frame without its header", icoFile({pngFile(48, 40, "gAMA")}), notReal, 0, 0, true},
        {"DIB frame with a core header", icoFile({Bytes{12, 0, 0, 0, 2, 0, 4, 0, 1, 0, 24, 0}}), notReal, 0, 0,
         true},
    };
    expectRows(rows, std::size(rows));
}

// Metafiles, which GDI+ on Windows draws into a bitmap of the size their
// header gives: an EMF's bounds (inclusive pixels) or its frame (0.01 mm at
// the reference device's pixels per millimetre, else 96 dpi), whichever is
// larger; a placeable WMF's box at 96 dpi, rounded up to whole pixels.
TEST(DeclaredSizeTest, MetafileBoxes)
{
    int32_t screen[2] = {1920, 1080}, screenMillimetres[2] = {508, 286}, none[2] = {0, 0};
    const Rect32 noFrame{0, 0, 0, 0};
    Bytes unsigned_ = emfFile({0, 0, 639, 479}, noFrame, screen, screenMillimetres);
    unsigned_[40] = 'X';
    const Row rows[] = {
        {"EMF, bounds beside their frame", emfFile({0, 0, 639, 479}, {0, 0, 16933, 12700}, screen, screenMillimetres),
         declared, 640, 480, false},
        {"EMF bounds at the limit", emfFile({0, 0, 16383, 16383}, noFrame, screen, screenMillimetres), declared, 16384,
         16384, false},
        {"EMF bounds one row past", emfFile({-1, 0, 16382, 16384}, noFrame, screen, screenMillimetres), declared,
         16384, 16385, true},
        {"EMF frame of a kilometre at 96 dpi", emfFile({0, 0, 9, 9}, {0, 0, 100000000, 100000}, none, none), declared,
         3779527, 3779, true},
        {"EMF frame at the device's resolution", emfFile({0, 0, 9, 9}, {0, 0, 50800, 28600}, screen, screenMillimetres),
         declared, 1920, 1080, false},
        {"EMF of nothing", emfFile({10, 10, 0, 0}, noFrame, screen, screenMillimetres), unknown, 0, 0, false},
        {"EMF type without the signature", unsigned_, unknown, 0, 0, false},
        {"EMF cut in its header", cut(emfFile({0, 0, 9, 9}, noFrame, screen, screenMillimetres), 87), unknown, 0, 0,
         false},
        {"WMF of 2 x 1 inches", wmfFile(0, 0, 2880, 1440, 1440), declared, 192, 96, false},
        {"WMF at the limit", wmfFile(-16384, 0, 0, 16384, 96), declared, 16384, 16384, false},
        {"WMF one row past", wmfFile(0, 16385, 16384, 0, 96), declared, 16384, 16385, true},
        {"WMF half a pixel rounds up", wmfFile(0, 0, 1, 192, 192), declared, 1, 96, false},
        {"WMF of one unit per inch", wmfFile(0, 0, 30000, 30000, 1), declared, 2880000, 2880000, true},
        {"WMF without units per inch", wmfFile(0, 0, 30, 30, 0), notReal, 0, 0, true},
    };
    expectRows(rows, std::size(rows));
}

}  // namespace
