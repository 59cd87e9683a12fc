// The public BMP Suite (corpus/bmpsuite): the packed DIB of each file (the
// file minus its 14-byte file header) goes through pictureFromDib. Good
// files decode to the suite's reference pixels; questionable and bad ones
// decode or are refused, without any access outside the block (the
// sanitizer tree runs this under AddressSanitizer).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "decode/dib/dib_reader.h"
#include "imagemagick_reference.h"
#include "picture/picture.h"

namespace {

using imagemagick::Alpha;
using imagemagick::Bytes;

const std::filesystem::path suite = std::filesystem::path(VELLORA_CORPUS_DIR) / "bmpsuite";

constexpr size_t fileHeaderSize = 14;

int convertFile(const Bytes& file, Picture& picture)
{
    // An exactly sized copy, so that AddressSanitizer sees reads past the end.
    const size_t size = file.size() > fileHeaderSize ? file.size() - fileHeaderSize : 0;
    std::unique_ptr<uint8_t[]> dib(new uint8_t[size + 1]);
    std::copy(file.begin() + long(file.size() - size), file.end(), dib.get());
    return pictureFromDib(dib.get(), size, picture);
}

enum class Outcome {
    samePixels,
    nearPixels,                 // channels within 1 of the reference
    sameColoursAllTransparent,  // colours as the reference, every T = 255
    decodesOnly,                // converts, but to other colours than the reference's
    refused,
};

struct Expectation {
    const char* reference;  // PNG under reference/, or null
    Outcome outcome;
    const char* reason;     // why a file does not simply give the reference pixels
};

const char* const widenedChannels =
    "16-bit channels widen by repeating their top bits (5 bits: 3 -> 24, 31 -> 255); "
    "the reference scales by 255 / 31 and rounds (3 -> 25)";

// Every file of g/, and the q/ files whose reference the conversion meets.
const std::map<std::string, Expectation> expectations = {
    {"g/pal1.bmp", {"pal1.png", Outcome::samePixels, ""}},
    {"g/pal1bg.bmp", {"pal1bg.png", Outcome::samePixels, ""}},
    {"g/pal1wb.bmp", {"pal1.png", Outcome::samePixels, ""}},
    {"g/pal4.bmp", {"pal4.png", Outcome::samePixels, ""}},
    {"g/pal4gs.bmp", {"pal4gs.png", Outcome::samePixels, ""}},
    {"g/pal4rle.bmp", {"pal4.png", Outcome::samePixels, ""}},
    {"g/pal8-0.bmp", {"pal8.png", Outcome::samePixels, ""}},
    {"g/pal8.bmp", {"pal8.png", Outcome::samePixels, ""}},
    {"g/pal8gs.bmp", {"pal8gs.png", Outcome::samePixels, ""}},
    {"g/pal8nonsquare.bmp", {"pal8nonsquare-e.png", Outcome::samePixels, ""}},
    {"g/pal8os2.bmp", {nullptr, Outcome::refused,
                       "12-byte OS/2 header: 16-bit fields at other offsets, 3-byte table entries"}},
    {"g/pal8rle.bmp", {"pal8.png", Outcome::samePixels, ""}},
    {"g/pal8topdown.bmp", {"pal8.png", Outcome::samePixels, ""}},
    {"g/pal8v4.bmp", {"pal8.png", Outcome::samePixels, ""}},
    {"g/pal8v5.bmp", {"pal8.png", Outcome::samePixels, ""}},
    {"g/pal8w124.bmp", {"pal8w124.png", Outcome::samePixels, ""}},
    {"g/pal8w125.bmp", {"pal8w125.png", Outcome::samePixels, ""}},
    {"g/pal8w126.bmp", {"pal8w126.png", Outcome::samePixels, ""}},
    {"g/rgb16-565.bmp", {"rgb16-565.png", Outcome::nearPixels, widenedChannels}},
    {"g/rgb16-565pal.bmp", {"rgb16-565.png", Outcome::nearPixels, widenedChannels}},
    {"g/rgb16.bmp", {nullptr, Outcome::refused,
                     "16 bits with BI_RGB (implicit 5-5-5) is not converted: only BI_BITFIELDS is"}},
    {"g/rgb16bfdef.bmp", {"rgb16.png", Outcome::nearPixels, widenedChannels}},
    {"g/rgb24.bmp", {"rgb24.png", Outcome::samePixels, ""}},
    {"g/rgb24pal.bmp", {"rgb24.png", Outcome::samePixels, ""}},
    {"g/rgb32.bmp", {"rgb24.png", Outcome::sameColoursAllTransparent,
                     "the fourth byte of a 32-bit pixel is read as alpha; it is 0 here, so T = 255"}},
    {"g/rgb32bf.bmp", {nullptr, Outcome::decodesOnly,
                       "32-bit masks are not applied and these are not B,G,R,A"}},
    {"g/rgb32bfdef.bmp", {"rgb24.png", Outcome::sameColoursAllTransparent,
                          "the fourth byte of a 32-bit pixel is read as alpha; it is 0 here, so T = 255"}},
    // Pixels that deltas and early line ends skip keep index 0, which the
    // "-0" references show.
    {"q/pal4rlecut.bmp", {"pal4rlecut-0.png", Outcome::samePixels, ""}},
    {"q/pal4rletrns.bmp", {"pal4rletrns-0.png", Outcome::samePixels, ""}},
    {"q/pal8rlecut.bmp", {"pal8rlecut-0.png", Outcome::samePixels, ""}},
    {"q/pal8rletrns.bmp", {"pal8rletrns-0.png", Outcome::samePixels, ""}},
};

std::vector<std::string> suiteFiles(const char* folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(suite / folder))
        if (entry.path().extension() == ".bmp")
            names.push_back(std::string(folder) + "/" + entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BmpSuite : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(suite / "g"))
            GTEST_SKIP() << "BMP Suite not found at " << suite;
    }
};

TEST_F(BmpSuite, GoodFilesGiveTheReferencePixels)
{
    if (!imagemagick::available())
        GTEST_SKIP() << "ImageMagick's convert is needed to read the reference PNGs";
    const std::filesystem::path scratch = testScratchDirectory();
    const std::vector<std::string> good = suiteFiles("g");
    ASSERT_FALSE(good.empty());
    for (const std::string& name : good)
        EXPECT_EQ(expectations.count(name), 1u) << name << " has no expectation";

    for (const auto& [name, expected] : expectations) {
        SCOPED_TRACE(name + (*expected.reason ? std::string(" (") + expected.reason + ")" : ""));
        Picture picture;
        const int result = convertFile(imagemagick::readFile(suite / name), picture);
        if (expected.outcome == Outcome::refused) {
            EXPECT_EQ(result, dibNoPixels);
            EXPECT_FALSE(picture.holdsImage());
            continue;
        }
        ASSERT_EQ(result, dibConverted);
        ASSERT_TRUE(picture.holdsImage());
        if (expected.outcome == Outcome::decodesOnly)
            continue;
        const Bytes reference = imagemagick::decodeToRgba(suite / "reference" / expected.reference, scratch);
        if (expected.outcome == Outcome::samePixels || expected.outcome == Outcome::nearPixels) {
            const int tolerance = expected.outcome == Outcome::nearPixels ? 1 : 0;
            EXPECT_TRUE(imagemagick::matchesRgba(picture, reference, Alpha::compare, tolerance));
            continue;
        }
        EXPECT_TRUE(imagemagick::matchesRgba(picture, reference, Alpha::ignore));
        for (int32_t y = 0; y < picture.height; ++y)
            for (int32_t x = 0; x < picture.width; ++x)
                ASSERT_EQ(picture.pixelAt(x, y) & 0xFF, 255u) << "(" << x << ", " << y << ")";
    }
}

// A picture that claims to be converted must own a whole pixel array.
void expectConsistent(int result, const Picture& picture)
{
    switch (result) {
    case dibConverted: {
        ASSERT_TRUE(picture.holdsImage());
        EXPECT_GT(picture.width, 0);
        EXPECT_GT(picture.height, 0);
        const uint64_t bytes = picture.pixelBytes();
        ASSERT_GT(bytes, 0u);
        // Reading every byte lets AddressSanitizer check the array's length.
        const Bytes copy(picture.pixels.get(), picture.pixels.get() + bytes);
        EXPECT_EQ(copy.size(), bytes);
        break;
    }
    case dibNegativeWidth:
    case dibNoPixels:
        EXPECT_FALSE(picture.holdsImage());
        EXPECT_EQ(picture.width, 0);
        break;
    case dibOutOfMemory:
        EXPECT_FALSE(picture.holdsImage());
        break;
    default:
        ADD_FAILURE() << "result " << result;
    }
}

TEST_F(BmpSuite, QuestionableAndBadFilesDecodeOrAreRefused)
{
    // Results that are certain; the other files may go either way.
    const std::map<std::string, int> results = {
        {"b/badbitcount.bmp", dibNoPixels},  {"b/badwidth.bmp", dibNegativeWidth},
        {"b/reallybig.bmp", dibNoPixels},    {"b/shortfile.bmp", dibNoPixels},
        {"b/badpalettesize.bmp", dibNoPixels}, {"b/pal8badindex.bmp", dibConverted},
        {"b/rletopdown.bmp", dibConverted},  {"b/badrle.bmp", dibConverted},
        {"b/badrle4.bmp", dibConverted},     {"q/pal2.bmp", dibNoPixels},
        {"q/rgb24jpeg.bmp", dibNoPixels},    {"q/rgb24png.bmp", dibNoPixels},
        {"q/rgba64.bmp", dibNoPixels},       {"q/pal8os2v2-16.bmp", dibNoPixels},
    };
    std::vector<std::string> files = suiteFiles("b");
    const std::vector<std::string> questionable = suiteFiles("q");
    files.insert(files.end(), questionable.begin(), questionable.end());
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        Picture picture;
        const int result = convertFile(imagemagick::readFile(suite / name), picture);
        expectConsistent(result, picture);
        const auto certain = results.find(name);
        if (certain != results.end())
            EXPECT_EQ(result, certain->second);
    }
}

// Cut at every length, a file converts completely or not at all, except a
// run-length stream, which keeps the pixels it decoded (the rest index 0).
TEST_F(BmpSuite, EveryTruncationOfSomeGoodFiles)
{
    for (const char* name : {"g/pal1.bmp", "g/pal4rle.bmp", "g/pal8rle.bmp", "g/rgb16-565.bmp"}) {
        const Bytes file = imagemagick::readFile(suite / name);
        Picture full;
        ASSERT_EQ(convertFile(file, full), dibConverted) << name;
        const Bytes fullPixels(full.pixels.get(), full.pixels.get() + full.pixelBytes());
        const bool runLength = file[30] != 0;
        size_t converted = 0;
        for (size_t length = 0; length < file.size(); ++length) {
            Picture picture;
            const int result = convertFile(Bytes(file.begin(), file.begin() + long(length)), picture);
            expectConsistent(result, picture);
            if (result != dibConverted)
                continue;
            ++converted;
            const Bytes pixels(picture.pixels.get(), picture.pixels.get() + picture.pixelBytes());
            ASSERT_EQ(pixels.size(), fullPixels.size()) << name << " at " << length;
            for (size_t i = 0; i < pixels.size(); ++i)
                ASSERT_TRUE(pixels[i] == fullPixels[i] || (runLength && pixels[i] == 0))
                    << name << " at " << length << ", byte " << i;
        }
        // Plain files need their last row; rows end on the file's last bytes.
        if (!runLength)
            EXPECT_LE(converted, 4u) << name;
    }
}

}  // namespace
