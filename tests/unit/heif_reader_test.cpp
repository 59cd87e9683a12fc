// HEIC files written by heif-enc and AVIF files written by avifenc, from
// ImageMagick pictures, decoded by our reader and by the tools' own decoders
// (heif-convert, avifdec), compared pixel for pixel within the tolerance of
// two colour conversions. Damaged and hostile files must give no picture,
// and the size only once the header holds.

#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "state/decode_results.h"
#include "state/quit_request.h"
#include "decode/headers/heif_layout.h"
#include "decode/headers/heif_layout_check.h"
#include "decode/libraries/heif_reader.h"
#include "heap_peak_probe.h"
#include "heif_box_edit.h"
#include "imagemagick_reference.h"
#include "picture/picture.h"

namespace {

using imagemagick::Bytes;
using imagemagick::quoted;

// Odd sizes make the codec pad and the file crop; smooth ramps keep the
// lossy codec's error small.
const char* const rampPicture = "-size 37x23 gradient:'rgb(250,40,10)-rgb(20,90,240)' -rotate 90 +repage";

// The largest picture that passes the program's pixel limit: 16384 x 16384.
constexpr uint32_t limitSide = 16384;

enum class Change {
    none, truncateAfterHeader, hugeSize, rotate90, gridOfTwo, sizeAtLimit, sizePastLimit, junk
};

struct Case {
    const char* name;
    const char* source;     // convert options and output format of the source picture
    const char* encoder;    // the encoder's options
    Change change;
    int bitsPerPixel;       // 0 when no picture is expected
    int32_t width, height;  // published size; 0 when the header is refused
};

// A Debian tool's command line for options, an input and an output path.
using Command = std::string (*)(const std::string& options, const std::string& in, const std::string& out);

struct Codec {
    const char* extension;
    const char* tools;  // the programs the test needs
    Command encoder, decoder;
    int tolerance;      // per channel, ours against the decoder's
};

const Codec heic = {
    "heic", "heif-enc heif-convert",
    [](const std::string& options, const std::string& in, const std::string& out) {
        return "heif-enc -q 90 " + options + " -o " + out + " " + in;
    },
    [](const std::string&, const std::string& in, const std::string& out) { return "heif-convert " + in + " " + out; },
    3};

// avifdec converts with libyuv, libheif with its own code: with chroma
// upsampled by nearest neighbour, as libheif does, channels differ by at
// most 2 (by up to 6 with avifdec's default bilinear filter). Alpha is
// lossless.
const Codec avif = {
    "avif", "avifenc avifdec",
    [](const std::string& options, const std::string& in, const std::string& out) {
        return "avifenc -s 8 " + options + " " + in + " " + out;
    },
    [](const std::string&, const std::string& in, const std::string& out) { return "avifdec -d 8 -u nearest " + in + " " + out; },
    2};

class HeifFiles : public ::testing::Test {
protected:
    explicit HeifFiles(const Codec& codec) : codec(codec) {}

    void SetUp() override
    {
        const std::string probe = std::string("for tool in ") + codec.tools +
                                  "; do command -v $tool >/dev/null 2>&1 || exit 1; done";
        if (!imagemagick::available() || std::system(probe.c_str()) != 0)
            GTEST_SKIP() << "ImageMagick or one of " << codec.tools << " is not installed";
        directory = testScratchDirectory();
    }

    Bytes encode(const Case& c)
    {
        const auto source = directory / (std::string(c.name) + ".png");
        const auto file = directory / (std::string(c.name) + "." + codec.extension);
        EXPECT_TRUE(imagemagick::convert(std::string(rampPicture) + " " + c.source + quoted(source)));
        const std::string command = codec.encoder(c.encoder, quoted(source), quoted(file)) + " >/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return imagemagick::readFile(file);
    }

    // The tool's decoding of the same bytes, as 8-bit R,G,B,A rows.
    Bytes reference(const Case& c, const Bytes& file)
    {
        const auto changed = directory / (std::string(c.name) + ".changed." + codec.extension);
        const auto png = directory / (std::string(c.name) + ".reference.png");
        imagemagick::writeFile(changed, file);
        const std::string command = codec.decoder("", quoted(changed), quoted(png)) + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return {};
        return imagemagick::decodeToRgba(png, directory);
    }

    // One row of a table: the file made, changed, decoded, and compared.
    void check(const Case& c, HeifAlpha alpha)
    {
        SCOPED_TRACE(c.name);
        Bytes file = encode(c);
        ASSERT_FALSE(file.empty());
        switch (c.change) {
        case Change::none: break;
        case Change::truncateAfterHeader: file.resize(heifedit::mediaDataStart(file) + 40); break;
        case Change::hugeSize: ASSERT_TRUE(heifedit::setPrimarySize(file, 20000, 20000)); break;
        case Change::rotate90: ASSERT_TRUE(heifedit::addRotation(file, 1)); break;
        case Change::gridOfTwo: ASSERT_TRUE(heifedit::repeatGridTile(file)); break;
        case Change::sizeAtLimit: ASSERT_TRUE(heifedit::setPrimarySize(file, limitSide, limitSide)); break;
        case Change::sizePastLimit: ASSERT_TRUE(heifedit::setPrimarySize(file, limitSide, limitSide + 1)); break;
        case Change::junk:
            for (size_t i = 0; i < file.size(); ++i)
                file[i] = uint8_t(i * 37 + 11);
            break;
        }

        imageWidth = imageHeight = 0;
        Picture picture;
        parseHeifImage(file.data(), file.size(), picture, maxPicturePixels, alpha);
        EXPECT_EQ(imageWidth, c.width);
        EXPECT_EQ(imageHeight, c.height);
        EXPECT_EQ(picture.bitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(picture.holdsImage(), c.bitsPerPixel != 0);
        if (!picture.holdsImage())
            return;
        const auto compared = c.bitsPerPixel == 32 ? imagemagick::Alpha::compare : imagemagick::Alpha::ignore;
        EXPECT_TRUE(imagemagick::matchesRgba(picture, reference(c, file), compared, codec.tolerance));
    }

    const Codec& codec;
    std::filesystem::path directory;
};

class HeifReader : public HeifFiles {
protected:
    HeifReader() : HeifFiles(heic) {}
};

class AvifReader : public HeifFiles {
protected:
    AvifReader() : HeifFiles(avif) {}
};

TEST_F(HeifReader, FilesOfHeifEnc)
{
    const Case cases[] = {
        {"plain8", "PNG24:", "", Change::none, 24, 23, 37},
        {"deep10", "-depth 16 PNG48:", "-b 10", Change::none, 24, 23, 37},
        // HEIC's alpha plane is dropped.
        {"alpha", "-alpha set -channel A -evaluate set 50% +channel PNG32:", "", Change::none, 24, 23, 37},
        // libheif 1.19 rotates odd-sized 4:2:0 pictures with a tinted edge
        // column that 1.15 does not have: an even size here.
        {"rotated", "-crop 22x36+0+0 +repage PNG24:", "", Change::rotate90, 24, 36, 22},
        {"grid", "PNG24:", "", Change::gridOfTwo, 24, 46, 37},
        {"truncated", "PNG24:", "", Change::truncateAfterHeader, 0, 23, 37},
        {"huge", "PNG24:", "", Change::hugeSize, 0, 0, 0},
    };
    for (const Case& c : cases)
        check(c, HeifAlpha::dropped);
}

// Files whose stated sizes the streams or bytes contradict, derived from
// heif-enc's by the box editor. heif-enc stores the picture as a grid
// (item 2) over one 64 x 64 tile (item 1); with alpha, item 3 is the alpha
// plane's tile.
// Chroma planes of 64 rows and more are allocated without spare rows.
const char* const wideRamp = "-resize 128x127! PNG24:";
const char* const alphaRamp = "-alpha set -channel A -evaluate set 50% +channel PNG32:";
// 512 x 511 makes heif-enc write one 512 x 512 tile, as phones do.
const char* const noiseTile = "-resize 512x511! -attenuate 0.2 +noise Gaussian PNG24:";

uint32_t tileDataBytes(const Bytes& file)
{
    return heifedit::get32(file, heifedit::locationOf(file, 1) + 16);
}

// A columns x rows grid whose tiles share the one tile's data, padded so
// that the file holds that data once per tile, less `shortBy` bytes.
bool sharedTilesFilling(Bytes& file, uint32_t shortBy, uint32_t columns = 4, uint32_t rows = 2)
{
    if (!heifedit::repeatGridTile(file, columns, rows))
        return false;
    const uint64_t shared = uint64_t(columns) * rows * tileDataBytes(file);
    if (shared < file.size() + 8 + shortBy)
        return false;
    heifedit::addFreeBox(file, uint32_t(shared - shortBy - file.size()));
    return true;
}

// The tile's declared size made 64 pixels high and `blocks` 64-pixel
// blocks wide.
bool tileOfBlocks(Bytes& file, uint64_t blocks)
{
    const size_t ispe = heifedit::itemProperty(file, 1, "ispe");
    if (ispe == heifedit::none)
        return false;
    heifedit::put32(file, ispe + 12, uint32_t(64 * blocks));
    return true;
}

struct LayoutCase {
    const char* name;
    const char* source;
    bool (*edit)(Bytes&);
    uint64_t pixelLimit;
    HeifLayoutVerdict verdict;
    int32_t width, height;  // published size
    bool decodes;
    // Where the picture lies in heif-convert's decoding of the unedited
    // file; -1: compared with its decoding of the edited file instead.
    int32_t left = -1, top = -1;
};

// The width x height pixels at (left, top) of R,G,B,A rows fullWidth wide.
Bytes cropRgba(const Bytes& rgba, int32_t fullWidth, int32_t left, int32_t top, int32_t width, int32_t height)
{
    Bytes out;
    for (int32_t y = top; y < top + height; ++y) {
        const auto row = rgba.begin() + 4 * (std::ptrdiff_t(y) * fullWidth + left);
        out.insert(out.end(), row, row + 4 * width);
    }
    return out;
}

TEST_F(HeifReader, LayoutChecks)
{
    using V = HeifLayoutVerdict;
    namespace e = heifedit;
    const uint64_t limit = maxPicturePixels;
    const LayoutCase cases[] = {
        // x265 codes 100 x 100 as 104 x 104 less a conformance window of
        // two chroma columns (rows) each side: the window's unit is two.
        {"spsCroppedByWindow", "-resize 100x100! PNG24:", [](Bytes&) { return true; }, limit, V::acceptable, 100, 100,
         true, 0, 0},
        // The stream's own size, rewritten as it was: the rewrite itself is sound.
        {"spsAsItem", "PNG24:", [](Bytes& b) { return e::setSpsSize(b, 64, 64); }, limit, V::acceptable, 23, 37, true,
         0, 0},
        {"spsOneWider", "PNG24:", [](Bytes& b) { return e::setSpsSize(b, 65, 64); }, limit, V::sizeMismatch, 23, 37, false},
        {"spsHuge", "PNG24:", [](Bytes& b) { return e::setSpsSize(b, 16376, 16376); }, limit, V::sizeMismatch, 23, 37, false},
        {"spsHugeInData", "PNG24:", [](Bytes& b) { return e::sendSpsInData(b, 1, 16376, 16376); }, limit,
         V::sizeMismatch, 23, 37, false},
        // 128 x 64 coded pixels: exactly at the limit only the size differs.
        {"spsAtLimit", "PNG24:", [](Bytes& b) { return e::setSpsSize(b, 128, 64); }, 128 * 64, V::sizeMismatch, 23, 37,
         false},
        {"spsPastLimit", "PNG24:", [](Bytes& b) { return e::setSpsSize(b, 128, 64); }, 128 * 64 - 1, V::tooLarge, 23,
         37, false},
        {"tilesAtBytes", "PNG24:", [](Bytes& b) { return sharedTilesFilling(b, 0); }, limit, V::acceptable, 92, 74,
         true},
        {"tilesOneByteShort", "PNG24:", [](Bytes& b) { return sharedTilesFilling(b, 1); }, limit, V::tooFewBytes, 92,
         74, false},
        // Past the bytes rule the stream's size is looked at, and differs.
        {"blocksAtRule", "PNG24:", [](Bytes& b) { return tileOfBlocks(b, hevcBlocksPerByte * tileDataBytes(b)); }, limit,
         V::sizeMismatch, 23, 37, false},
        {"blocksOneOver", "PNG24:", [](Bytes& b) { return tileOfBlocks(b, hevcBlocksPerByte * tileDataBytes(b) + 1); },
         limit, V::tooFewBytes, 23, 37, false},
        {"grid961SharingOneTile", noiseTile, [](Bytes& b) { return e::repeatGridTile(b, 31, 31); }, limit,
         V::tooFewBytes, 15872, 15841, false},
        {"cropInside", "PNG24:", [](Bytes& b) { return e::addCrop(b, 19, 1, 33, 1, 0, 1, 0, 1); }, limit,
         V::acceptable, 19, 33, true, 2, 2},
        // Even sides: the right and bottom edges fall on the last chroma sample.
        {"cropWholePicture", wideRamp, [](Bytes& b) { return e::addCrop(b, 128, 1, 127, 1, 0, 1, 0, 1); }, limit,
         V::acceptable, 128, 127, true, 0, 0},
        {"cropOneWider", "PNG24:", [](Bytes& b) { return e::addCrop(b, 24, 1, 37, 1, 0, 1, 0, 1); }, limit,
         V::cropOutside, 24, 37, false},
        // 22 of 23 columns moved left by half a column: from 0 to 21 exactly.
        {"cropHalfLeft", "PNG24:", [](Bytes& b) { return e::addCrop(b, 22, 1, 37, 1, -1, 2, 0, 1); }, limit,
         V::acceptable, 22, 37, true, 0, 0},
        {"cropOneLeft", "PNG24:", [](Bytes& b) { return e::addCrop(b, 22, 1, 37, 1, -1, 1, 0, 1); }, limit,
         V::cropOutside, 22, 37, false},
        {"cropFarLeft", "PNG24:", [](Bytes& b) { return e::addCrop(b, 23, 1, 37, 1, INT32_MIN, 1, 0, 1); }, limit,
         V::cropOutside, 23, 37, false},
        {"cropFarUp", "PNG24:", [](Bytes& b) { return e::addCrop(b, 23, 1, 37, 1, 0, 1, INT32_MIN + 1, 1); }, limit,
         V::cropOutside, 23, 37, false},
        // The alpha tile's data cut to two bytes: the picture without it.
        {"alphaBroken", alphaRamp, [](Bytes& b) { return e::cutItemData(b, 3, 2); }, limit, V::acceptable, 23, 37,
         true, 0, 0},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Case source = {c.name, c.source, "", Change::none, true, 0, 0};
        const Bytes original = encode(source);
        Bytes file = original;
        ASSERT_TRUE(c.edit(file));

        HeifLayout layout;
        ASSERT_TRUE(readHeifLayout(file.data(), file.size(), layout));
        EXPECT_EQ(checkHeifLayout(file.data(), file.size(), layout, c.pixelLimit), c.verdict);

        imageWidth = imageHeight = 0;
        Picture picture;
        parseHeifImage(file.data(), file.size(), picture, c.pixelLimit);
        EXPECT_EQ(imageWidth, c.width);
        EXPECT_EQ(imageHeight, c.height);
        ASSERT_EQ(picture.holdsImage(), c.decodes);
        if (!c.decodes)
            continue;
        // libheif 1.15's heif-convert places crops differently, and refuses a
        // broken alpha plane: those rows name the rectangle they expect.
        Bytes reference = this->reference(source, c.left < 0 ? file : original);
        if (c.left >= 0) {
            const int32_t fullWidth = int32_t(heifedit::get32(original, heifedit::primarySize(original) + 12));
            ASSERT_GE(reference.size(), 4 * size_t(fullWidth) * size_t(c.top + c.height));
            reference = cropRgba(reference, fullWidth, c.left, c.top, c.width, c.height);
        }
        EXPECT_TRUE(imagemagick::matchesRgba(picture, reference, imagemagick::Alpha::ignore, 3));
    }
}

// Once the viewer quits, a grid stops after the tile being decoded and gives
// no picture; the same file decodes while it runs.
TEST_F(HeifReader, QuitEndsGridDecoding)
{
    const Case c = {"quit", "PNG24:", "", Change::gridOfTwo, true, 46, 37};
    Bytes file = encode(c);
    ASSERT_TRUE(heifedit::repeatGridTile(file));
    for (const bool quitting : {true, false}) {
        quitRequested = quitting;
        Picture picture;
        parseHeifImage(file.data(), file.size(), picture);
        EXPECT_EQ(picture.holdsImage(), !quitting) << quitting;
    }
}

bool samePixels(const Picture& a, const Picture& b)
{
    return a.holdsImage() && b.holdsImage() && a.width == b.width && a.height == b.height &&
           a.bitsPerPixel == b.bitsPerPixel && std::memcmp(a.pixels.get(), b.pixels.get(), a.pixelBytes()) == 0;
}

// Tiles decoded on several threads land where one thread puts them, byte
// for byte, with fewer threads than tiles (the last round short), as many,
// and more; and one thread's grid is heif-convert's. Each tile is coded on
// its own from the ramp turned to another hue, so a tile pasted in
// another's place shows.
TEST_F(HeifReader, ParallelTilesMatchOneThread)
{
    std::vector<Bytes> tiles;
    for (int hue = 0; hue < 6; ++hue) {
        const std::string source = "-resize 64x63! -modulate 100,100," + std::to_string(30 * hue) + " PNG24:";
        tiles.push_back(encode({"tile", source.c_str(), "", Change::none, 24, 64, 63}));
    }
    const struct {
        const char* name;
        Bytes file;
    } files[] = {{"single", tiles[0]}, {"grid3x2", heifedit::tileGrid(tiles, 3, 2)}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        Picture serial;
        parseHeifImage(f.file.data(), f.file.size(), serial, maxPicturePixels, HeifAlpha::dropped, 1);
        ASSERT_TRUE(serial.holdsImage());
        const Case c = {f.name, "", "", Change::none, 24, serial.width, serial.height};
        EXPECT_TRUE(imagemagick::matchesRgba(serial, reference(c, f.file), imagemagick::Alpha::ignore, 3));
        for (const int threads : {4, 6, 8}) {
            Picture parallel;
            parseHeifImage(f.file.data(), f.file.size(), parallel, maxPicturePixels, HeifAlpha::dropped, threads);
            EXPECT_TRUE(samePixels(parallel, serial)) << threads << " threads";
        }
    }
}

// A grid of 64 tiles on eight threads holds at most eight tiles at once:
// its peak of heap bytes stays within one thread's peak plus eight times a
// one-tile picture's whole decode, where tiles kept until the grid is done
// would hold 64 tiles' pictures and decoders. (The conversion of the whole
// grid to R,G,B at the end is the peak of both.)
TEST_F(HeifReader, TilesInFlightStayWithinTheThreads)
{
    const Bytes tile = encode({"oneTile", "-resize 128x127! -attenuate 0.2 +noise Gaussian PNG24:", "",
                               Change::none, 24, 128, 127});
    Bytes grid = tile;
    ASSERT_TRUE(sharedTilesFilling(grid, 0, 8, 8));
    const auto peakOf = [](const Bytes& file, int threads) {
        return heappeak::peakDuring([&] {
            Picture picture;
            parseHeifImage(file.data(), file.size(), picture, maxPicturePixels, HeifAlpha::dropped, threads);
            EXPECT_TRUE(picture.holdsImage());
        });
    };
    const int64_t oneTile = peakOf(tile, 1);
    const int64_t oneThread = peakOf(grid, 1);
    EXPECT_LE(peakOf(grid, 8), oneThread + 8 * oneTile) << "one tile " << oneTile << ", one thread " << oneThread;
}

// Every prefix of a small file: the reader never reads past the bytes it
// holds (AddressSanitizer watches in the sanitizer build).
TEST_F(HeifReader, EveryTruncation)
{
    const Case c = {"prefixes", "PNG24:", "", Change::none, 24, 23, 37};
    const Bytes file = encode(c);
    for (size_t size = 0; size < file.size(); size += 7) {
        Bytes prefix(file.begin(), file.begin() + std::ptrdiff_t(size));
        Picture picture;
        parseHeifImage(prefix.data(), prefix.size(), picture);
        EXPECT_FALSE(picture.holdsImage()) << size;
    }
}

// The tables of both formats name faults of the shared glue once: here
// what only AV1 files show. The alpha rows keep 32 bits with T = 255 - A
// (a reader that drops or inverts alpha fails them); 10 and 12 bits are
// reduced to 8 (a reader that takes the high bytes fails them). The size
// rows sit exactly at the pixel limit and one row past it: the header
// passes at the limit (published, then the stream disagrees) and is refused
// past it.
TEST_F(AvifReader, FilesOfAvifenc)
{
    const char* const halfAlpha = "-alpha set -channel A -evaluate set 50% +channel PNG32:";
    const Case cases[] = {
        {"plain8", "PNG24:", "-d 8 -y 420", Change::none, 24, 23, 37},
        {"deep10", "-depth 16 PNG48:", "-d 10 -y 444", Change::none, 24, 23, 37},
        {"deep12", "-depth 16 PNG48:", "-d 12 -y 422", Change::none, 24, 23, 37},
        {"alpha8", halfAlpha, "-d 8", Change::none, 32, 23, 37},
        // A ramp of alpha from opaque to transparent, 10-bit.
        {"alphaRamp10", "\\( +clone -fx 'i/w' \\) -alpha off -compose copy-opacity -composite PNG32:", "-d 10",
         Change::none, 32, 23, 37},
        {"truncated", "PNG24:", "", Change::truncateAfterHeader, 0, 23, 37},
        {"junk", "PNG24:", "", Change::junk, 0, 0, 0},
        {"atLimit", "PNG24:", "", Change::sizeAtLimit, 0, int32_t(limitSide), int32_t(limitSide)},
        {"pastLimit", "PNG24:", "", Change::sizePastLimit, 0, 0, 0},
    };
    for (const Case& c : cases)
        check(c, HeifAlpha::kept);
}

// The build lowers libheif's library-wide pixel limit, which libheif hands
// dav1d as its frame size limit, to the program's own; a patch that no
// longer applies to a new libheif shows here and nowhere else.
TEST(HeifLibrary, FrameSizeLimitIsTheProgramsPixelLimit)
{
    EXPECT_EQ(heif_get_global_security_limits()->max_image_size_pixels, maxPicturePixels);
}

}  // namespace
