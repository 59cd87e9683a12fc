// HEIC files written by heif-enc from ImageMagick pictures, decoded by our
// reader and by heif-convert, compared pixel for pixel within the tolerance
// of two libheif releases' colour conversions. Damaged and hostile files
// must give no picture, and the size only once the header holds.

#include <gtest/gtest.h>

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

bool heifToolsAvailable()
{
    return imagemagick::available() &&
           std::system("command -v heif-enc >/dev/null 2>&1 && command -v heif-convert >/dev/null 2>&1") == 0;
}

// Odd sizes make the codec pad and the file crop; smooth ramps keep the
// lossy codec's error small.
const char* const rampPicture = "-size 37x23 gradient:'rgb(250,40,10)-rgb(20,90,240)' -rotate 90 +repage";

enum class Change { none, truncateAfterHeader, hugeSize, rotate90, gridOfTwo };

struct Case {
    const char* name;
    const char* source;     // convert options and output format of the source picture
    const char* encoder;    // heif-enc options
    Change change;
    bool decodes;
    int32_t width, height;  // published size; 0 when the header is refused
};

class HeifReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!heifToolsAvailable())
            GTEST_SKIP() << "ImageMagick or libheif-examples is not installed";
        directory = testScratchDirectory();
    }

    Bytes encode(const Case& c)
    {
        const auto source = directory / (std::string(c.name) + ".png");
        const auto file = directory / (std::string(c.name) + ".heic");
        EXPECT_TRUE(imagemagick::convert(std::string(rampPicture) + " " + c.source + quoted(source)));
        const std::string command =
            std::string("heif-enc -q 90 ") + c.encoder + " -o " + quoted(file) + " " + quoted(source) + " >/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return imagemagick::readFile(file);
    }

    // heif-convert's decoding of the same bytes, as 8-bit R,G,B,A rows.
    Bytes reference(const Case& c, const Bytes& file)
    {
        const auto heic = directory / (std::string(c.name) + ".changed.heic");
        const auto png = directory / (std::string(c.name) + ".reference.png");
        imagemagick::writeFile(heic, file);
        const std::string command = "heif-convert " + quoted(heic) + " " + quoted(png) + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return {};
        return imagemagick::decodeToRgba(png, directory);
    }

    std::filesystem::path directory;
};

TEST_F(HeifReader, FilesOfHeifEnc)
{
    const Case cases[] = {
        {"plain8", "PNG24:", "", Change::none, true, 23, 37},
        {"deep10", "-depth 16 PNG48:", "-b 10", Change::none, true, 23, 37},
        {"alpha", "-alpha set -channel A -evaluate set 50% +channel PNG32:", "", Change::none, true, 23, 37},
        // libheif 1.19 rotates odd-sized 4:2:0 pictures with a tinted edge
        // column that 1.15 does not have: an even size here.
        {"rotated", "-crop 22x36+0+0 +repage PNG24:", "", Change::rotate90, true, 36, 22},
        {"grid", "PNG24:", "", Change::gridOfTwo, true, 46, 37},
        {"truncated", "PNG24:", "", Change::truncateAfterHeader, false, 23, 37},
        {"huge", "PNG24:", "", Change::hugeSize, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = encode(c);
        ASSERT_FALSE(file.empty());
        switch (c.change) {
        case Change::none: break;
        case Change::truncateAfterHeader: file.resize(heifedit::mediaDataStart(file) + 40); break;
        case Change::hugeSize: ASSERT_TRUE(heifedit::setPrimarySize(file, 20000, 20000)); break;
        case Change::rotate90: ASSERT_TRUE(heifedit::addRotation(file, 1)); break;
        case Change::gridOfTwo: ASSERT_TRUE(heifedit::repeatGridTile(file)); break;
        }

        imageWidth = imageHeight = 0;
        Picture picture;
        parseHeifImage(file.data(), file.size(), picture);
        EXPECT_EQ(imageWidth, c.width);
        EXPECT_EQ(imageHeight, c.height);
        EXPECT_EQ(picture.holdsImage(), c.decodes);
        if (!c.decodes)
            continue;
        EXPECT_EQ(picture.bitsPerPixel, 24);
        EXPECT_TRUE(imagemagick::matchesRgba(picture, reference(c, file), imagemagick::Alpha::ignore, 3));
    }
}

// Every prefix of a small file: the reader never reads past the bytes it
// holds (AddressSanitizer watches in the sanitizer build).
TEST_F(HeifReader, EveryTruncation)
{
    const Case c = {"prefixes", "PNG24:", "", Change::none, true, 23, 37};
    const Bytes file = encode(c);
    for (size_t size = 0; size < file.size(); size += 7) {
        Bytes prefix(file.begin(), file.begin() + std::ptrdiff_t(size));
        Picture picture;
        parseHeifImage(prefix.data(), prefix.size(), picture);
        EXPECT_FALSE(picture.holdsImage()) << size;
    }
}

}  // namespace
