#include "decode/libraries/raw_preview_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "decode/libraries/jpeg_scale.h"
#include "dng_writer.h"
#include "jpeg_fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The preview: 40 x 24 in four flat quadrants, so that where each quadrant
// lands tells the turn apart (and a JPEG keeps flat areas near their colour).
constexpr int32_t previewWidth = 40, previewHeight = 24;
enum Quadrant { red, green, blue, white };  // top left, top right, bottom left, bottom right
constexpr uint8_t quadrantRgb[4][3] = {{220, 30, 30}, {30, 200, 40}, {30, 40, 210}, {240, 240, 240}};

Bytes quadrantsJpeg()
{
    Bytes rgb;
    for (int32_t y = 0; y < previewHeight; ++y)
        for (int32_t x = 0; x < previewWidth; ++x) {
            const int q = (y < previewHeight / 2 ? 0 : 2) + (x < previewWidth / 2 ? 0 : 1);
            rgb.insert(rgb.end(), quadrantRgb[q], quadrantRgb[q] + 3);
        }
    return encodeRgbJpeg(previewWidth, previewHeight, rgb);
}

Bytes dngWith(bool preview, uint16_t orientation = 1)
{
    DngContents contents;
    if (preview) {
        contents.previewJpeg = quadrantsJpeg();
        contents.previewWidth = previewWidth;
        contents.previewHeight = previewHeight;
    }
    contents.orientation = orientation;
    return makeDng(contents);
}

// The preview decoded upright at eighths/8, as 4-byte B,G,R,x rows.
struct Decoded {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
    bool ok = false;

    Decoded(const RawPreview& preview, int eighths)
    {
        rawPreviewUprightSize(preview, eighths, width, height);
        pixels.assign(size_t(width) * size_t(height) * 4, 0);
        const JpegRows rows{pixels.data(), ptrdiff_t{4} * width, width, height, eighths};
        ok = decodeRawPreview(preview, rows);
    }
    const uint8_t* at(int32_t x, int32_t y) const { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    bool near(int32_t x, int32_t y, Quadrant q) const
    {
        const uint8_t* p = at(x, y);
        return std::abs(p[2] - quadrantRgb[q][0]) <= 6 && std::abs(p[1] - quadrantRgb[q][1]) <= 6 &&
               std::abs(p[0] - quadrantRgb[q][2]) <= 6;
    }
};

// The largest preview that the limit lets through: the JPEG in its SubIFD
// up to its exact size in pixels, the thumbnail of IFD0 one pixel below
// that, nothing one pixel below the thumbnail. The JPEG comes out as it
// went in, the thumbnail's R,G,B as B,G,R,x.
TEST(RawPreviewReader, TakesTheLargestPreviewWithinThePixelLimit)
{
    const Bytes withPreview = dngWith(true);
    const Bytes thumbnailOnly = dngWith(false);
    constexpr uint64_t jpegPixels = previewWidth * previewHeight, thumbnailPixels = 16 * 12;
    const struct {
        const char* what;
        const Bytes& file;
        uint64_t limit;
        RawPreviewKind kind;
        int32_t width, height;
    } cases[] = {
        {"program's limit", withPreview, maxPicturePixels, RawPreviewKind::jpeg, previewWidth, previewHeight},
        {"limit at the JPEG", withPreview, jpegPixels, RawPreviewKind::jpeg, previewWidth, previewHeight},
        {"limit one below the JPEG", withPreview, jpegPixels - 1, RawPreviewKind::bitmap, 16, 12},
        {"limit at the thumbnail", withPreview, thumbnailPixels, RawPreviewKind::bitmap, 16, 12},
        {"limit one below the thumbnail", withPreview, thumbnailPixels - 1, RawPreviewKind::none, 0, 0},
        {"thumbnail alone", thumbnailOnly, maxPicturePixels, RawPreviewKind::bitmap, 16, 12},
    };
    const Bytes jpeg = quadrantsJpeg();
    for (const auto& c : cases) {
        RawPreview preview;
        const bool taken = extractRawPreview(c.file.data(), c.file.size(), preview, c.limit);
        EXPECT_EQ(taken, c.kind != RawPreviewKind::none) << c.what;
        EXPECT_EQ(preview.kind, c.kind) << c.what;
        EXPECT_EQ(preview.width, c.width) << c.what;
        EXPECT_EQ(preview.height, c.height) << c.what;
        if (c.kind == RawPreviewKind::jpeg) {
            EXPECT_EQ(Bytes(preview.bytes.get(), preview.bytes.get() + preview.size), jpeg) << c.what;
        } else if (c.kind == RawPreviewKind::bitmap) {
            const Decoded decoded(preview, jpegFullScaleEighths);
            ASSERT_TRUE(decoded.ok) << c.what;
            const DngContents defaults;
            const uint8_t bgrx[4] = {defaults.thumbnailRgb[2], defaults.thumbnailRgb[1], defaults.thumbnailRgb[0], 0xFF};
            for (int32_t i = 0; i < 16 * 12; ++i)
                ASSERT_EQ(Bytes(decoded.pixels.begin() + i * 4, decoded.pixels.begin() + i * 4 + 4),
                          Bytes(bgrx, bgrx + 4)) << c.what << " pixel " << i;
        }
    }
}

// Files cut short, junk under a RAW name, a bare TIFF header: nothing read
// outside the bytes given, and no preview from a file cut before its IFD0
// (the writer puts the IFDs last). Cut inside IFD0's own values the file
// still names its whole preview, which is then shown as it is.
TEST(RawPreviewReader, NothingFromFilesCutShortOrNotRaw)
{
    const Bytes whole = dngWith(true);
    const size_t ifd0 = size_t(whole[4]) | size_t(whole[5]) << 8 | size_t(whole[6]) << 16 | size_t(whole[7]) << 24;
    struct Cut {
        Bytes file;
        bool mayShow;  // its IFD0 is whole: the preview or nothing
    };
    std::vector<Cut> cuts = {{Bytes(), false}, {Bytes(4096, 0x5A), false},
                             {Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, false}};
    for (size_t length : {ifd0, ifd0 + 1, whole.size() - 1})
        cuts.push_back({Bytes(whole.begin(), whole.begin() + long(length)), length > ifd0 + 1});
    for (size_t length = 0; length < whole.size(); length += 97)
        cuts.push_back({Bytes(whole.begin(), whole.begin() + long(length)), length > ifd0 + 1});
    const Bytes jpeg = quadrantsJpeg();
    for (const Cut& cut : cuts) {
        // A block of exactly the file's size, so that AddressSanitizer sees a
        // read past its end.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[cut.file.empty() ? 1 : cut.file.size()]);
        std::copy(cut.file.begin(), cut.file.end(), exact.get());
        RawPreview preview;
        const bool taken = extractRawPreview(exact.get(), cut.file.size(), preview);
        if (!cut.mayShow) {
            EXPECT_FALSE(taken) << cut.file.size() << " bytes";
            EXPECT_EQ(preview.kind, RawPreviewKind::none) << cut.file.size() << " bytes";
        } else if (taken && preview.kind == RawPreviewKind::jpeg) {
            EXPECT_EQ(Bytes(preview.bytes.get(), preview.bytes.get() + preview.size), jpeg) << cut.file.size();
        }
    }
}

// Each orientation the file can record turns the preview upright once: the
// upright size (sides swapped for 5 to 8) and which quadrant shows in each
// corner, as the orientation tag defines them; at 8/8 and at 4/8.
TEST(RawPreviewReader, TurnsThePreviewUprightByTheFilesOrientation)
{
    const struct {
        uint16_t orientation;
        Quadrant topLeft, topRight, bottomLeft, bottomRight;
    } cases[] = {
        {1, red, green, blue, white},  {2, green, red, white, blue}, {3, white, blue, green, red},
        {4, blue, white, red, green},  {5, red, blue, green, white}, {6, blue, red, white, green},
        {7, white, green, blue, red},  {8, green, white, red, blue},
    };
    for (const auto& c : cases) {
        const Bytes file = dngWith(true, c.orientation);
        RawPreview preview;
        ASSERT_TRUE(extractRawPreview(file.data(), file.size(), preview)) << c.orientation;
        const bool sideways = c.orientation >= 5;
        for (const int eighths : {8, 4}) {
            const Decoded decoded(preview, eighths);
            const std::string label = std::to_string(c.orientation) + " at " + std::to_string(eighths) + "/8";
            ASSERT_TRUE(decoded.ok) << label;
            const int32_t longSide = previewWidth * eighths / 8, shortSide = previewHeight * eighths / 8;
            EXPECT_EQ(decoded.width, sideways ? shortSide : longSide) << label;
            ASSERT_EQ(decoded.height, sideways ? longSide : shortSide) << label;
            // A few pixels in from each corner, clear of the quadrants' edges.
            const int32_t right = decoded.width - 3, bottom = decoded.height - 3;
            EXPECT_TRUE(decoded.near(2, 2, c.topLeft)) << label;
            EXPECT_TRUE(decoded.near(right, 2, c.topRight)) << label;
            EXPECT_TRUE(decoded.near(2, bottom, c.bottomLeft)) << label;
            EXPECT_TRUE(decoded.near(right, bottom, c.bottomRight)) << label;
        }
    }
}

}  // namespace
