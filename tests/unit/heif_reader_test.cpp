// HEIC files written by heif-enc and AVIF files written by avifenc, from
// ImageMagick pictures, decoded by our reader and by the tools' own decoders
// (heif-convert, avifdec), compared pixel for pixel within the tolerance of
// two colour conversions. Damaged and hostile files must give no picture,
// and the size only once the header holds.

#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <cstdlib>
#include <string>

#include "state/decode_results.h"
#include "decode/libraries/heif_reader.h"
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
