#include "decode/headers/exif_orientation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "exif_fixtures.h"

namespace {

struct Row {
    std::string what;
    Bytes file;
    int orientation;
};

Bytes cut(Bytes file, size_t size)
{
    file.resize(size);
    return file;
}

Bytes withByte(Bytes file, size_t at, uint8_t value)
{
    file[at] = value;
    return file;
}

// The APP1 segment's length field sits right after SOI and the marker.
Bytes withSegmentLength(Bytes jpeg, uint16_t length)
{
    jpeg[4] = uint8_t(length >> 8), jpeg[5] = uint8_t(length);
    return jpeg;
}

// Directories of three entries, the orientation last; the rest of the block
// is the directory's own bytes.
Bytes threeEntries(bool little, uint16_t value)
{
    return tiffFile(little, {{256, 3, 1, 64}, {257, 3, 1, 48}, {orientationTag, tiffShort, 1, value}}, 0);
}

TEST(ExifOrientationTest, EveryFormatAndEveryFault)
{
    const Bytes jpeg = jpegFile(startOfFrame(0xC0, 30, 20));
    const Bytes png = join({pngFile(30, 20), pngChunk("IDAT", {0}), pngChunk("IEND", {})});
    const Bytes webp = join({{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'},
                             riffChunk("VP8 ", {0, 0, 0, 0x9D, 0x01, 0x2A, 30, 0, 20, 0, 0, 0})});
    const Bytes six = exifBlock(true, 6);
    const Bytes jpegSix = jpegWithExif(jpeg, six);
    // Header 8, count 2, entry 12, next-directory offset 4: the entry ends at
    // byte 22 of the block, which starts at byte 12 of the JPEG (SOI, APP1
    // marker and length, "Exif\0\0").
    constexpr size_t entryEnd = 22, blockStart = 12;

    std::vector<Row> rows;
    for (bool little : {true, false})
        for (int value = 1; value <= 8; ++value) {
            const std::string order = little ? " II" : " MM";
            rows.push_back({"TIFF" + order + " " + std::to_string(value), exifBlock(little, value), value});
            rows.push_back({"JPEG" + order + " " + std::to_string(value),
                            jpegWithExif(jpeg, exifBlock(little, value)), value});
        }
    const Row more[] = {
        {"tag after others, II", threeEntries(true, 8), 8},
        {"tag after others, MM", threeEntries(false, 5), 5},
        {"PNG eXIf before IDAT", pngWithExif(png, six), 6},
        {"WebP EXIF", webpWithExif(webp, exifBlock(false, 7)), 7},
        {"WebP EXIF with an Exif prefix", webpWithExif(webp, join({{'E', 'x', 'i', 'f', 0, 0}, six})), 6},
        {"JPEG, an XMP APP1 first", join({{0xFF, 0xD8}, jpegSegment(0xE1, {'h', 't', 't', 'p', 0}), {jpegSix.begin() + 2, jpegSix.end()}}), 6},
        {"JPEG, fill bytes before the APP1", join({{0xFF, 0xD8, 0xFF, 0xFF}, {jpegSix.begin() + 2, jpegSix.end()}}), 6},
        // Where it is not looked for.
        {"JPEG, only the first Exif APP1 counts", jpegWithExif(jpegSix, exifBlock(true, 1)), 1},
        {"JPEG, Exif after the scan", join({cut(jpeg, jpeg.size() - 2), jpegSegment(0xE1, join({{'E', 'x', 'i', 'f', 0, 0}, six}))}), 1},
        {"PNG eXIf after IDAT", join({cut(png, png.size() - 12), pngChunk("eXIf", six), pngChunk("IEND", {})}), 1},
        {"simple WebP with an EXIF chunk", join({webp, riffChunk("EXIF", six)}), 1},
        {"BMP", bmpFile(2, 2, 24, biRgb, 16), 1},
        {"empty", {}, 1},
        // Values and entries that do not count.
        {"value 0", exifBlock(true, 0), 1},
        {"value 9", exifBlock(true, 9), 1},
        {"value 65535", exifBlock(false, 0xFFFF), 1},
        {"LONG type", exifBlock(true, 6, tiffLong), 1},
        {"count 0", exifBlock(true, 6, tiffShort, 0), 1},
        {"count 2", exifBlock(true, 6, tiffShort, 2), 1},
        {"not 42", withByte(six, 2, 43), 1},
        {"no byte order", withByte(jpegSix, blockStart, 'X'), 1},
        // Truncations at each field, and the entry's end exactly at the end.
        {"cut in the header", cut(six, 7), 1},
        {"cut in the entry count", cut(six, 9), 1},
        {"cut in the entry", cut(six, entryEnd - 1), 1},
        {"entry ends at the end of the file", cut(six, entryEnd), 6},
        {"entry ends at the end of the segment", withSegmentLength(jpegSix, 2 + 6 + entryEnd), 6},
        {"segment one byte short of the entry", withSegmentLength(jpegSix, 2 + 6 + entryEnd - 1), 1},
        {"segment shorter than its Exif mark", withSegmentLength(jpegSix, 7), 1},
        // Offsets that point outside or back into the structure.
        {"directory one past the end", withByte(six, 4, 26), 1},
        {"directory at 2^32 - 1", withByte(withByte(withByte(withByte(six, 4, 0xFF), 5, 0xFF), 6, 0xFF), 7, 0xFF), 1},
        {"directory at the header, read as 18761 entries", withByte(six, 4, 0), 1},
        {"next directory is itself", withByte(six, entryEnd, 8), 6},
        {"PNG chunk length 2^31", withByte(pngWithExif(png, six), 33, 0x80), 1},
        {"WebP chunk size past the end", withByte(webpWithExif(webp, six), 19, 0x7F), 1},
    };
    rows.insert(rows.end(), std::begin(more), std::end(more));

    for (const Row& row : rows) {
        // An exactly sized heap copy, so that AddressSanitizer sees a read
        // past the end; and the same bytes through a file's window.
        std::unique_ptr<uint8_t[]> copy(new uint8_t[row.file.size() + 1]);
        std::copy(row.file.begin(), row.file.end(), copy.get());
        HeaderSource memory = memorySource(copy.get(), row.file.size());
        EXPECT_EQ(int(readExifOrientation(memory)), row.orientation) << row.what;
        if (row.file.empty())
            continue;
        FILE* file = fmemopen(copy.get(), row.file.size(), "rb");
        ASSERT_NE(file, nullptr);
        HeaderSource windowed = fileSource(file, row.file.size());
        EXPECT_EQ(int(readExifOrientation(windowed)), row.orientation) << row.what << " (file)";
        fclose(file);
    }
}

}  // namespace
