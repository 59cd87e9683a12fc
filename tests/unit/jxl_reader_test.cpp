// JPEG XL files written by cjxl from ImageMagick pictures, decoded by our
// reader and by djxl (both libjxl 0.7), compared pixel for pixel: equal,
// but for 16-bit samples that ImageMagick reduces (within 1). Damaged, hostile and oversized files must give no picture, and
// the size only once the basic information holds.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imagemagick_reference.h"
#include "decode/libraries/jxl_reader.h"
#include "picture/picture.h"
#include "state/decode_results.h"
#include "state/quit_request.h"

namespace {

using imagemagick::Bytes;
using imagemagick::quoted;

bool jxlToolsAvailable()
{
    return imagemagick::available() &&
           std::system("command -v cjxl >/dev/null 2>&1 && command -v djxl >/dev/null 2>&1") == 0;
}

// Odd sizes leave partial groups and blocks at the right and bottom edges;
// smooth ramps keep the lossy codec's error small.
const char* const rampPicture = "-size 37x23 gradient:'rgb(250,40,10)-rgb(20,90,240)' -rotate 90 +repage";

// An APP1 segment with one Exif tag, Orientation 6 (turn 90 degrees
// clockwise), put right after a JPEG's SOI marker; cjxl moves it into the
// codestream's own orientation field.
const Bytes exifTurnClockwise = {
    0xFF, 0xE1, 0x00, 0x22,              // APP1, 34 bytes with the length
    'E', 'x', 'i', 'f', 0, 0,            // Exif identifier
    'I', 'I', 0x2A, 0x00, 8, 0, 0, 0,    // little-endian TIFF header, IFD0 at 8
    1, 0,                                // one entry
    0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0,  // Orientation, SHORT, 1, value 6
    0, 0, 0, 0,                          // no next IFD
};

struct Case {
    const char* name;
    const char* source;   // convert options and output format of the source picture
    const char* extension;
    const char* encoder;  // cjxl options
    bool turned;          // the source JPEG gets exifTurnClockwise
    int32_t width, height;
    int32_t bitsPerPixel;
    int tolerance;        // per channel against djxl
    imagemagick::Alpha alpha;
};

class JxlReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!jxlToolsAvailable())
            GTEST_SKIP() << "ImageMagick or libjxl-tools is not installed";
        directory = testScratchDirectory();
    }

    Bytes encode(const Case& c)
    {
        const auto source = directory / (std::string(c.name) + "." + c.extension);
        const auto file = directory / (std::string(c.name) + ".jxl");
        EXPECT_TRUE(imagemagick::convert(std::string(rampPicture) + " " + c.source + quoted(source)));
        if (c.turned) {
            Bytes jpeg = imagemagick::readFile(source);
            jpeg.insert(jpeg.begin() + 2, exifTurnClockwise.begin(), exifTurnClockwise.end());
            imagemagick::writeFile(source, jpeg);
        }
        const std::string command =
            "cjxl " + quoted(source) + " " + quoted(file) + " " + c.encoder + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return imagemagick::readFile(file);
    }

    // djxl's decoding of the same file, XYB-coded pictures in sRGB
    // (ImageMagick tags its PNGs with gamma 1/2.2, which djxl would otherwise
    // keep), as 8-bit R,G,B,A rows; of an animation, the first frame
    // (ImageMagick 6 reads an animated PNG as its first frame). 16-bit
    // samples are reduced by ImageMagick: djxl 0.7's --bits_per_sample=8
    // writes 8-bit samples under a 16-bit PNG header.
    Bytes reference(const Case& c)
    {
        const auto file = directory / (std::string(c.name) + ".jxl");
        const auto png = directory / (std::string(c.name) + ".reference.png");
        const std::string command =
            "djxl " + quoted(file) + " " + quoted(png) + " --color_space=RGB_D65_SRG_Per_SRG >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return {};
        return imagemagick::decodeToRgba(png, directory);
    }

    std::filesystem::path directory;
};

// Each kind of file the encoder writes: lossy (XYB, converted back to sRGB),
// lossless 16-bit (reduced to 8), lossless with alpha, grey, an animation's
// first frame, and a picture turned by its orientation field.
TEST_F(JxlReader, FilesOfCjxl)
{
    using imagemagick::Alpha;
    const Case cases[] = {
        {"lossy", "PNG24:", "png", "-d 1", false, 23, 37, 24, 0, Alpha::ignore},
        // libjxl and ImageMagick round 16-bit samples to 8 bits apart.
        {"deep", "-depth 16 PNG48:", "png", "-d 0", false, 23, 37, 24, 1, Alpha::ignore},
        {"alpha", "-alpha set -channel A -fx '(i+j)/(w+h)' +channel PNG32:", "png", "-d 0", false, 23, 37, 32, 0,
         Alpha::compare},
        // An alpha channel that is opaque everywhere: 24 bits on screen.
        {"opaque-alpha", "-alpha set -channel A -evaluate set 100% +channel PNG32:", "png", "-d 0", false, 23, 37,
         24, 0, Alpha::ignore},
        {"grey", "-colorspace Gray -depth 8 PNG:", "png", "-d 0", false, 23, 37, 24, 0, Alpha::ignore},
        // Two frames, the second a different colour: only the first is shown.
        {"animation", "-set delay 10 \\( -size 23x37 xc:'rgb(30,60,220)' \\) GIF:", "gif", "-d 0", false, 23, 37, 24, 0,
         Alpha::ignore},
        {"turned", "-quality 95 JPEG:", "jpg", "--lossless_jpeg=1", true, 37, 23, 24, 0, Alpha::ignore},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = encode(c);
        ASSERT_FALSE(file.empty());
        const Bytes expected = reference(c);
        // The thread runner and the calling thread alone decode alike.
        for (const unsigned threads : {1u, 2u}) {
            SCOPED_TRACE(threads);
            imageWidth = imageHeight = 0;
            Picture picture;
            parseJxlImage(file.data(), file.size(), picture, maxPicturePixels, threads);
            EXPECT_EQ(imageWidth, c.width);
            EXPECT_EQ(imageHeight, c.height);
            ASSERT_TRUE(picture.holdsImage());
            EXPECT_EQ(picture.bitsPerPixel, c.bitsPerPixel);
            EXPECT_TRUE(imagemagick::matchesRgba(picture, expected, c.alpha, c.tolerance));
        }
    }
}

// A JPEG XL codestream of its signature, a size header and the default image
// metadata, and then nothing: enough for the basic information, not for a
// frame. Bits are written lowest first, as the format reads them.
Bytes headerOnly(uint32_t width, uint32_t height)
{
    Bytes bytes = {0xFF, 0x0A};
    int used = 8;
    auto put = [&](uint32_t value, int count) {
        for (int i = 0; i < count; ++i, ++used) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            bytes.back() |= uint8_t((value >> i & 1) << used);
        }
    };
    put(0, 1);           // not a small size
    put(3, 2);           // height: 1 + 30 bits
    put(height - 1, 30);
    put(0, 3);           // no fixed aspect ratio: the width follows
    put(3, 2);
    put(width - 1, 30);
    put(1, 1);           // image metadata: all default
    bytes.resize(bytes.size() + 16, 0);
    return bytes;
}

// The pixel limit, exactly at it and one past it: on declared sizes alone
// (nothing would be left to decode), and on a whole file with the limit
// passed in. A refused picture publishes no size.
TEST(JxlReaderLimits, PictureAtAndPastThePixelLimit)
{
    const struct {
        const char* name;
        uint32_t width, height;
        bool accepted;
    } declared[] = {
        {"16384 x 16384, the limit", 16384, 16384, true},
        {"16385 x 16384", 16385, 16384, false},
        {"16384 x 16385", 16384, 16385, false},
        {"2^30 x 2^30", 1u << 30, 1u << 30, false},
    };
    for (const auto& c : declared) {
        SCOPED_TRACE(c.name);
        const Bytes file = headerOnly(c.width, c.height);
        imageWidth = imageHeight = 0;
        Picture picture;
        parseJxlImage(file.data(), file.size(), picture);
        EXPECT_FALSE(picture.holdsImage());
        EXPECT_EQ(imageWidth, c.accepted ? int32_t(c.width) : 0);
        EXPECT_EQ(imageHeight, c.accepted ? int32_t(c.height) : 0);
    }
}

TEST_F(JxlReader, WholeFileAtAndPastThePixelLimit)
{
    const Case c = {"limit", "PNG24:", "png", "-d 1", false, 23, 37, 24, 0, imagemagick::Alpha::ignore};
    const Bytes file = encode(c);
    constexpr uint64_t pixels = 23 * 37;
    for (const uint64_t limit : {pixels, pixels - 1}) {
        SCOPED_TRACE(limit);
        imageWidth = imageHeight = 0;
        Picture picture;
        parseJxlImage(file.data(), file.size(), picture, limit);
        EXPECT_EQ(picture.holdsImage(), limit == pixels);
        EXPECT_EQ(imageWidth, limit == pixels ? 23 : 0);
    }
}

// Damaged files: a truncated one keeps the size its header declares; junk
// has none. Every prefix of a small file is read without passing its end
// (AddressSanitizer watches in the sanitizer build) and gives no picture.
TEST_F(JxlReader, DamagedFilesGiveNoPicture)
{
    const Case c = {"damaged", "PNG24:", "png", "-d 1", false, 23, 37, 24, 0, imagemagick::Alpha::ignore};
    const Bytes file = encode(c);
    const Bytes junk(64, 0x5A);
    for (const Bytes& damaged : {Bytes(file.begin(), file.begin() + std::ptrdiff_t(file.size() / 2)), junk}) {
        const bool truncated = damaged.size() != junk.size();
        imageWidth = imageHeight = 0;
        Picture picture;
        parseJxlImage(damaged.data(), damaged.size(), picture);
        EXPECT_FALSE(picture.holdsImage()) << truncated;
        EXPECT_EQ(imageWidth, truncated ? 23 : 0);
        EXPECT_EQ(imageHeight, truncated ? 37 : 0);
    }
    for (size_t size = 0; size < file.size(); size += 3) {
        const Bytes prefix(file.begin(), file.begin() + std::ptrdiff_t(size));
        Picture picture;
        parseJxlImage(prefix.data(), prefix.size(), picture);
        EXPECT_FALSE(picture.holdsImage()) << size;
    }
}

// Once the viewer is quitting, a decode gives up instead of finishing.
TEST_F(JxlReader, QuittingEndsTheDecode)
{
    const Case c = {"quit", "PNG24:", "png", "-d 1", false, 23, 37, 24, 0, imagemagick::Alpha::ignore};
    const Bytes file = encode(c);
    for (const unsigned threads : {1u, 2u}) {
        quitRequested = true;
        Picture picture;
        parseJxlImage(file.data(), file.size(), picture, maxPicturePixels, threads);
        quitRequested = false;
        EXPECT_FALSE(picture.holdsImage()) << threads;
    }
}

}  // namespace
