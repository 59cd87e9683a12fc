// Runs the built qdlconv tool on temporary files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decode/dib/dib_reader.h"
#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_writer.h"
#include "dib_fixtures.h"
#include "file_names.h"
#include "picture/picture.h"
#include "picture_fixtures.h"
#include "test_scratch_directory.h"
#include "tga_fixtures.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string bmpSuite = std::string(VELLORA_CORPUS_DIR) + "/bmpsuite/";

Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

int readQdl(const fs::path& path, Picture& picture)
{
    const Bytes file = readBytes(path);
    return parseQdlImage(picture, file.data(), file.size());
}

uint32_t le32At(const Bytes& bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

// Reads a BMP file's packed DIB, the part behind its 14-byte file header.
int readBmp(const fs::path& path, Picture& picture)
{
    const Bytes file = readBytes(path);
    if (file.size() < 14)
        return dibNoPixels;
    return pictureFromDib(file.data() + 14, file.size() - 14, picture);
}

// A BMP file around a packed DIB whose rows follow the header and table.
Bytes bmpFile(const Bytes& dib, uint32_t rowsOffset)
{
    Bytes header = {'B', 'M'};
    le32(header, uint32_t(14 + dib.size()));  // file size
    le32(header, 0);                          // two reserved words
    le32(header, rowsOffset);                 // offset of the pixel rows
    return join({header, dib});
}

class QdlconvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory = testScratchDirectory();
    }
    void TearDown() override { fs::remove_all(directory); }

    // Runs qdlconv with the arguments; returns its exit status and keeps
    // what it printed in `printed`.
    int run(const std::string& arguments)
    {
        const fs::path outputs = directory / "printed.txt";
        const std::string command = std::string("\"") + VELLORA_TOOLS_DIR + "/qdlconv\" " + arguments + " > \"" +
                                    outputs.string() + "\" 2>&1";
        const int status = std::system(command.c_str());
        const Bytes text = readBytes(outputs);
        printed.assign(text.begin(), text.end());
        fs::remove(outputs);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string path(const std::string& name) const { return "\"" + (directory / name).string() + "\""; }

    // Files left in the directory, so that no temporary file survives.
    std::vector<std::string> files() const { return fileNamesIn(directory); }

    fs::path directory;
    std::string printed;
};

Picture pictureOf(int bitsPerPixel, int32_t width, int32_t height, bool palette)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = bitsPerPixel;
    picture.pixels = allocateBytes(size_t(picture.pixelBytes()));
    for (uint64_t i = 0; i < picture.pixelBytes(); ++i)
        picture.pixels[i] = uint8_t(i * 29 + i / 7);
    if (palette) {
        picture.palette = allocateBytes(picture.paletteBytes());
        for (size_t i = 0; i < picture.paletteBytes(); ++i)
            picture.palette[i] = uint8_t(i % 4 == 0 ? 0 : i * 13);
    }
    return picture;
}

void writeQdl(const fs::path& path, const Picture& picture, int type, int compression)
{
    Bytes file;
    ASSERT_EQ(writeQdlImage(picture, type, compression, file), QdlWriteResult::written);
    writeBytes(path, file);
}

void expectSameColours(const Picture& a, const Picture& b, const std::string& what)
{
    ASSERT_EQ(a.width, b.width) << what;
    ASSERT_EQ(a.height, b.height) << what;
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x)
            ASSERT_EQ(a.pixelAt(x, y), b.pixelAt(x, y)) << what << " at " << x << "," << y;
}


// R, G, B of every pixel, top row first: what ImageMagick's rgb: format
// gives, and the colours of a picture whatever its depth and transparency.
Bytes rgbOf(const Picture& picture)
{
    Bytes rgb;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            for (int shift : {8, 16, 24})
                rgb.push_back(uint8_t(picture.pixelAt(x, y) >> shift));
    return rgb;
}

Bytes transparenciesOf(const Picture& picture)
{
    Bytes t;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            t.push_back(uint8_t(picture.pixelAt(x, y)));
    return t;
}

bool haveImageMagick()
{
    return std::system("convert -version > /dev/null 2>&1") == 0;
}

// ImageMagick's own decoding of a file as 8-bit R, G, B.
Bytes imageMagickRgb(const fs::path& file, const fs::path& scratch)
{
    const std::string command = "convert \"" + file.string() + "\" -depth 8 rgb:\"" + scratch.string() + "\"";
    if (std::system(command.c_str()) != 0)
        return {};
    const Bytes rgb = readBytes(scratch);
    fs::remove(scratch);
    return rgb;
}

// ---------------------------------------------------------------- command line

TEST_F(QdlconvTest, HelpDescribesTheTool)
{
    EXPECT_EQ(run("--help"), 0);
    for (const char* text : {"Usage: qdlconv [--type N] [--compression M] [--anaglyph] [--max-pixels N] INPUT OUTPUT",
                             "--type N", "--max-pixels N", "268435456",
                             "--compression M", "--anaglyph", "BMP", "TGA", "colour groups", "drops the",
                             "ends in .bmp", "flattened onto black", "read as opaque", ".stereo-x."})
        EXPECT_NE(printed.find(text), std::string::npos) << text;
}

TEST_F(QdlconvTest, WrongCommandLinesWriteNothing)
{
    writeQdl(directory / "in.qdl", pictureOf(24, 3, 2, false), 4, 0);
    const std::string in = path("in.qdl"), out = path("out.qdl");
    const std::string lines[] = {
        "",
        in,
        in + " " + out + " extra",
        "--type 6 " + in + " " + out,
        "--type x " + in + " " + out,
        "--type=-1 " + in + " " + out,
        "--type " + in + " " + out,
        "--type 4 --compression 3 " + in + " " + out,
        "--compression 3 " + in + " " + out,  // the picture's own type 4 has no compression 3
        "--colour 2 " + in + " " + out,
        "--anaglyph=1 " + in + " " + out,
    };
    for (const std::string& line : lines) {
        EXPECT_EQ(run(line), 2) << line;
        EXPECT_FALSE(printed.empty()) << line;
        EXPECT_FALSE(fs::exists(directory / "out.qdl")) << line;
    }
    // A BMP file has no pixel types or compressions to choose.
    for (const std::string& line : {"--type 4 " + in + " " + path("out.bmp"),
                                    "--compression=0 " + in + " " + path("out.Bmp"),
                                    "--anaglyph --type 5 " + in + " " + path("out.BMP")}) {
        EXPECT_EQ(run(line), 2) << line;
        EXPECT_NE(printed.find("a BMP output"), std::string::npos) << line << ": " << printed;
        EXPECT_EQ(files(), std::vector<std::string>{"in.qdl"}) << line;
    }
}

// ---------------------------------------------------------------- failures

TEST_F(QdlconvTest, BadInputFailsWithoutOutput)
{
    if (!std::filesystem::is_directory(bmpSuite))
        GTEST_SKIP() << "BMP Suite not found at " << bmpSuite;
    writeBytes(directory / "text.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
    writeBytes(directory / "short.qdl", Bytes{'Q', 'D', 5, 0, 0, 0, 5, 0, 0, 0, 4, 0, 1, 2, 3});
    writeBytes(directory / "bad.tga", Bytes(18, 1));
    writeQdl(directory / "empty.qdl", pictureOf(24, 0, 3, false), 4, 0);
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {path("missing.bmp") + " " + path("out.qdl"), "cannot read"},
        {path("text.txt") + " " + path("out.qdl"), "neither a BMP file"},
        {path("short.qdl") + " " + path("out.qdl"), "corrupt"},
        {path("bad.tga") + " " + path("out.qdl"), "TGA file is not read"},
        {"\"" + bmpSuite + "g/pal8os2.bmp\" " + path("out.qdl"), "12-byte header"},
        {"\"" + bmpSuite + "b/badwidth.bmp\" " + path("out.qdl"), "negative width"},
        {"\"" + bmpSuite + "g/rgb24.bmp\" --type 2 " + path("out.qdl"), "not reduced to 8 bits"},
        {"\"" + bmpSuite + "g/pal8.bmp\" --type 0 " + path("out.qdl"), "not reduced to 1 bit"},
        {"\"" + bmpSuite + "g/pal8.bmp\" --type 3 " + path("out.qdl"), "type 3 is grey"},
        {"\"" + bmpSuite + "g/pal1bg.bmp\" --type 1 " + path("out.qdl"), "type 1 is black and white"},
        {"\"" + bmpSuite + "g/rgb24.bmp\" " + path("no-such-directory/out.qdl"), "cannot create"},
        {"\"" + bmpSuite + "g/rgb24.bmp\" " + path("no-such-directory/out.bmp"), "cannot create"},
        {path("text.txt") + " " + path("out.bmp"), "neither a BMP file"},
        {path("empty.qdl") + " " + path("out.bmp"), "without pixels"},
        {"--anaglyph " + path("empty.qdl") + " " + path("out.bmp"), "no pixels"},
        {"--anaglyph " + path("empty.qdl") + " " + path("out.qdl"), "no pixels"},
        {"--anaglyph --type 2 \"" + bmpSuite + "g/pal8.bmp\" " + path("out.qdl"), "not reduced to 8 bits"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments), 1) << c.arguments;
        EXPECT_NE(printed.find(c.message), std::string::npos) << c.arguments << ": " << printed;
        EXPECT_FALSE(fs::exists(directory / "out.qdl")) << c.arguments;
        EXPECT_FALSE(fs::exists(directory / "out.bmp")) << c.arguments;
    }
    EXPECT_EQ(files().size(), 4u);
}

TEST_F(QdlconvTest, FailureKeepsTheOldOutputAndSuccessReplacesIt)
{
    const Bytes old = {'o', 'l', 'd'};
    writeBytes(directory / "out.qdl", old);
    writeBytes(directory / "text.txt", Bytes{'x', 'y'});
    EXPECT_EQ(run(path("text.txt") + " " + path("out.qdl")), 1);
    EXPECT_EQ(readBytes(directory / "out.qdl"), old);

    const Picture picture = pictureOf(32, 5, 3, false);
    writeQdl(directory / "in.qdl", picture, 5, 1);
    EXPECT_EQ(run("--compression 3 " + path("in.qdl") + " " + path("out.qdl")), 0) << printed;
    Picture back;
    ASSERT_EQ(readQdl(directory / "out.qdl", back), qdlDecoded);
    expectSameColours(back, picture, "replaced");
    EXPECT_EQ(readBytes(directory / "out.qdl")[11], 3);
    EXPECT_EQ(files().size(), 3u);  // text.txt, in.qdl, out.qdl: no temporary left

    // A lone pixel 255, non-zero cannot be stored with marked runs.
    Picture lone = pictureOf(32, 1, 1, false);
    lone.pixels[0] = 255;
    lone.pixels[1] = 9;
    writeQdl(directory / "lone.qdl", lone, 5, 0);
    EXPECT_EQ(run("--compression 2 " + path("lone.qdl") + " " + path("out.qdl")), 1);
    EXPECT_NE(printed.find("lone pixel"), std::string::npos) << printed;
    EXPECT_EQ(readBytes(directory / "out.qdl")[11], 3);

    // The same holds for a BMP output.
    writeBytes(directory / "out.bmp", old);
    EXPECT_EQ(run(path("text.txt") + " " + path("out.bmp")), 1);
    EXPECT_EQ(readBytes(directory / "out.bmp"), old);
    EXPECT_EQ(run(path("in.qdl") + " " + path("out.bmp")), 0) << printed;
    EXPECT_EQ(readBytes(directory / "out.bmp")[0], 'B');
    EXPECT_EQ(files().size(), 5u);  // lone.qdl and out.bmp besides the three above
}

// ---------------------------------------------------------------- conversions

// BMP files of every depth and compression become 24-bit QDL files whose
// pixels equal ImageMagick's own decoding of the same BMP.
TEST_F(QdlconvTest, BmpPixelsMatchImageMagick)
{
    if (!std::filesystem::is_directory(bmpSuite))
        GTEST_SKIP() << "BMP Suite not found at " << bmpSuite;
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const char* names[] = {"g/pal1.bmp", "g/pal1bg.bmp", "g/pal4.bmp", "g/pal4rle.bmp", "g/pal8.bmp",
                           "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8w126.bmp", "g/pal8v5.bmp",
                           "g/rgb16-565.bmp", "g/rgb24.bmp", "g/rgb24pal.bmp", "q/pal8offs.bmp"};
    for (const char* name : names) {
        for (int compression : {0, 2}) {
            const std::string bmp = bmpSuite + name;
            ASSERT_EQ(run("--type 4 --compression " + std::to_string(compression) + " \"" + bmp + "\" " +
                          path("out.qdl")), 0) << name << ": " << printed;
            Picture picture;
            ASSERT_EQ(readQdl(directory / "out.qdl", picture), qdlDecoded) << name;
            const Bytes reference = imageMagickRgb(bmp, directory / "reference.rgb");
            ASSERT_EQ(reference.size(), picture.pixelBytes()) << name;
            EXPECT_TRUE(std::equal(reference.begin(), reference.end(), picture.pixels.get())) << name;
        }
    }
}

// One picture of each depth goes to every pixel type and compression that
// can hold it and keeps its colours.
TEST_F(QdlconvTest, EveryTypeKeepsTheColours)
{
    struct Source {
        Picture picture;
        int type;
        std::vector<int> targets;
    };
    Picture blackWhite = pictureOf(1, 13, 5, false);
    Picture grey = pictureOf(8, 13, 5, false);
    Source sources[] = {
        {pictureOf(1, 13, 5, true), 0, {0, 2, 4, 5}},
        {std::move(blackWhite), 1, {0, 1, 2, 3, 4, 5}},
        {pictureOf(8, 13, 5, true), 2, {2, 4, 5}},
        {std::move(grey), 3, {2, 3, 4, 5}},
        {pictureOf(24, 13, 5, false), 4, {4, 5}},
    };
    const int lastCompression[6] = {1, 1, 4, 1, 2, 3};
    for (const Source& source : sources) {
        writeQdl(directory / "in.qdl", source.picture, source.type, 0);
        for (int type : source.targets) {
            for (int compression = 0; compression <= lastCompression[type]; ++compression) {
                const std::string what = std::to_string(source.type) + " -> " + std::to_string(type) + "/" +
                                         std::to_string(compression);
                ASSERT_EQ(run("--type " + std::to_string(type) + " --compression=" + std::to_string(compression) +
                              " " + path("in.qdl") + " " + path("out.qdl")), 0) << what << ": " << printed;
                Picture back;
                ASSERT_EQ(readQdl(directory / "out.qdl", back), qdlDecoded) << what;
                EXPECT_EQ(naturalQdlPixelType(back), type) << what;
                expectSameColours(back, source.picture, what);
            }
        }
    }
}

TEST_F(QdlconvTest, ThirtyTwoToTwentyFourDropsTransparency)
{
    const Picture picture = pictureOf(32, 4, 4, false);
    writeQdl(directory / "in.qdl", picture, 5, 0);
    ASSERT_EQ(run("--type 4 " + path("in.qdl") + " " + path("out.qdl")), 0);
    EXPECT_NE(printed.find("drops the transparency"), std::string::npos);
    Picture back;
    ASSERT_EQ(readQdl(directory / "out.qdl", back), qdlDecoded);
    ASSERT_EQ(back.bitsPerPixel, 24);
    for (int i = 0; i < 16; ++i)
        for (int byte = 0; byte < 3; ++byte)
            ASSERT_EQ(back.pixels[3 * i + byte], picture.pixels[4 * i + 1 + byte]);
}

TEST_F(QdlconvTest, ReadsTgaFiles)
{
    // 2 x 1, 24 bits, run-length encoded: a run of two B 1, G 2, R 3.
    const Bytes tga = {
        0, 0, 10,        // no identification, no colour map, image type 10
        0, 0, 0, 0, 0,   // colour map specification
        0, 0, 0, 0,      // origin
        2, 0, 1, 0,      // width 2, height 1
        24, 0,           // 24 bits, descriptor
        129, 1, 2, 3,    // run packet of 2
    };
    writeBytes(directory / "in.TGA", tga);
    ASSERT_EQ(run(path("in.TGA") + " " + path("out.qdl")), 0) << printed;
    Picture back;
    ASSERT_EQ(readQdl(directory / "out.qdl", back), qdlDecoded);
    EXPECT_EQ(naturalQdlPixelType(back), 4);
    EXPECT_EQ(Bytes(back.pixels.get(), back.pixels.get() + 6), (Bytes{3, 2, 1, 3, 2, 1}));
}


// ---------------------------------------------------------------- BMP output

struct Source {
    std::string name;
    Picture picture;
    int type;
};

// One QDL file for each pixel type; the odd widths give padded BMP rows.
std::vector<Source> qdlSources()
{
    std::vector<Source> sources;
    sources.push_back({"pal1.qdl", pictureOf(1, 13, 5, true), 0});
    sources.push_back({"bw1.qdl", pictureOf(1, 9, 3, false), 1});
    sources.push_back({"pal8.qdl", pictureOf(8, 7, 4, true), 2});
    sources.push_back({"grey8.qdl", pictureOf(8, 5, 3, false), 3});
    sources.push_back({"rgb24-1.qdl", pictureOf(24, 1, 3, false), 4});
    sources.push_back({"rgb24-3.qdl", pictureOf(24, 3, 4, false), 4});
    sources.push_back({"rgb24-6.qdl", pictureOf(24, 6, 2, false), 4});
    Picture opaque = pictureOf(32, 5, 3, false);
    for (uint64_t i = 0; i < opaque.pixelBytes(); i += 4)
        opaque.pixels[i] = 0;
    sources.push_back({"opaque32.qdl", std::move(opaque), 5});
    return sources;
}

// The file header points at the rows and counts the bytes; the DIB behind
// it reads back as the same picture.
TEST_F(QdlconvTest, BmpOutputHoldsThePackedDib)
{
    for (const Source& source : qdlSources()) {
        writeQdl(directory / source.name, source.picture, source.type, 1);
        ASSERT_EQ(run(path(source.name) + " " + path("out.bmp")), 0) << source.name << ": " << printed;
        const Bytes file = readBytes(directory / "out.bmp");
        ASSERT_GE(file.size(), 54u) << source.name;
        const uint64_t rowBytes = (source.picture.rowBytes() + 3) / 4 * 4;
        const uint32_t table = source.picture.bitsPerPixel == 1 ? 8 : source.picture.bitsPerPixel == 8 ? 1024 : 0;
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(le32At(file, 2), file.size()) << source.name;
        EXPECT_EQ(file.size(), 54 + table + rowBytes * uint64_t(source.picture.height)) << source.name;
        EXPECT_EQ(le32At(file, 6), 0u) << source.name;
        EXPECT_EQ(le32At(file, 10), 54 + table) << source.name;
        EXPECT_EQ(le32At(file, 14), 40u) << source.name;
        EXPECT_EQ(file[28], source.picture.bitsPerPixel) << source.name;

        Picture back;
        ASSERT_EQ(readBmp(directory / "out.bmp", back), dibConverted) << source.name;
        EXPECT_EQ(back.width, source.picture.width) << source.name;
        EXPECT_EQ(back.height, source.picture.height) << source.name;
        EXPECT_EQ(back.bitsPerPixel, source.picture.bitsPerPixel) << source.name;
        EXPECT_EQ(rgbOf(back), rgbOf(source.picture)) << source.name;
    }
}

// BMP files made from QDL, TGA and BMP inputs look the same to ImageMagick
// as their inputs do to our readers.
TEST_F(QdlconvTest, BmpOutputMatchesImageMagick)
{
    if (!std::filesystem::is_directory(bmpSuite))
        GTEST_SKIP() << "BMP Suite not found at " << bmpSuite;
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    std::vector<std::pair<std::string, Bytes>> cases;
    for (const Source& source : qdlSources()) {
        writeQdl(directory / source.name, source.picture, source.type, 0);
        cases.push_back({path(source.name), rgbOf(source.picture)});
    }
    // TGA pixels are stored B, G, R (and A, which is dropped); the rows keep
    // their stored order.
    writeBytes(directory / "in24.tga", tgaFile(2, 3, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                                            16, 17, 18}));
    cases.push_back({path("in24.tga"), {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}});
    writeBytes(directory / "in32.tga", tgaFile(10, 3, 1, 32, {130, 200, 100, 50, 0}));
    cases.push_back({path("in32.tga"), {50, 100, 200, 50, 100, 200, 50, 100, 200}});
    for (const char* name : {"g/pal4rle.bmp", "g/rgb16-565.bmp", "g/rgb32.bmp"}) {
        const fs::path bmp = bmpSuite + name;
        cases.push_back({"\"" + bmp.string() + "\"", imageMagickRgb(bmp, directory / "reference.rgb")});
    }
    for (const auto& [input, expected] : cases) {
        ASSERT_EQ(run(input + " " + path("out.bmp")), 0) << input << ": " << printed;
        EXPECT_EQ(imageMagickRgb(directory / "out.bmp", directory / "out.rgb"), expected) << input;
    }
}

TEST_F(QdlconvTest, BmpOutputFlattensTransparencyOntoBlack)
{
    // T, R, G, B: opaque, wholly transparent, about half transparent.
    writeQdl(directory / "in32.qdl", makePicture(3, 1, 32, {0, 200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50}),
             5, 0);
    ASSERT_EQ(run(path("in32.qdl") + " " + path("out32.bmp")), 0) << printed;
    const Bytes file32 = readBytes(directory / "out32.bmp");
    ASSERT_EQ(file32.size(), 54u + 12u);
    // B, G, R and a fourth byte of 0; 200 * 127 / 255 = 99.6 gives 99.
    EXPECT_EQ(Bytes(file32.begin() + 54, file32.end()), (Bytes{50, 100, 200, 0, 0, 0, 0, 0, 24, 49, 99, 0}));

    // Palette entries T, R, G, B: wholly transparent, 51 of 255 transparent.
    Bytes palette(1024, 0);
    const Bytes entries = {255, 10, 20, 30, 51, 255, 100, 0};
    std::copy(entries.begin(), entries.end(), palette.begin());
    writeQdl(directory / "in8.qdl", makePicture(2, 1, 8, {0, 1}, palette), 2, 0);
    ASSERT_EQ(run(path("in8.qdl") + " " + path("out8.bmp")), 0) << printed;
    const Bytes file8 = readBytes(directory / "out8.bmp");
    ASSERT_EQ(file8.size(), 54u + 1024u + 4u);
    EXPECT_EQ(Bytes(file8.begin() + 54, file8.begin() + 62), (Bytes{0, 0, 0, 0, 0, 80, 204, 0}));

    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    EXPECT_EQ(imageMagickRgb(directory / "out32.bmp", directory / "out.rgb"),
              (Bytes{200, 100, 50, 0, 0, 0, 99, 49, 24}));
    EXPECT_EQ(imageMagickRgb(directory / "out8.bmp", directory / "out.rgb"), (Bytes{0, 0, 0, 204, 80, 0}));
}

// ---------------------------------------------------------------- 32-bit BMP input

// A 2 x 2 32-bit BMP, rows bottom-up, each pixel B, G, R and the given
// fourth bytes.
Bytes bmp32(const Bytes& fourthBytes)
{
    Bytes rows;
    for (int i = 0; i < 4; ++i)
        rows.insert(rows.end(), {uint8_t(10 * i + 1), uint8_t(10 * i + 2), uint8_t(10 * i + 3), fourthBytes[i]});
    return bmpFile(join({infoHeader(2, 2, 32), rows}), 54);
}

TEST_F(QdlconvTest, ThirtyTwoBitBmpWithoutAlphaIsOpaque)
{
    // Every fourth byte 0: the file has no alpha, the picture is opaque.
    writeBytes(directory / "zero.bmp", bmp32({0, 0, 0, 0}));
    ASSERT_EQ(run(path("zero.bmp") + " " + path("zero.qdl")), 0) << printed;
    Picture zero;
    ASSERT_EQ(readQdl(directory / "zero.qdl", zero), qdlDecoded);
    ASSERT_EQ(naturalQdlPixelType(zero), 5);
    // Top row first: the file's second row.
    EXPECT_EQ(pixelsOf(zero), (Bytes{0, 23, 22, 21, 0, 33, 32, 31, 0, 3, 2, 1, 0, 13, 12, 11}));

    // One other fourth byte: the file has alpha and every byte counts.
    writeBytes(directory / "alpha.bmp", bmp32({0, 0, 255, 0}));
    ASSERT_EQ(run(path("alpha.bmp") + " " + path("alpha.qdl")), 0) << printed;
    Picture alpha;
    ASSERT_EQ(readQdl(directory / "alpha.qdl", alpha), qdlDecoded);
    EXPECT_EQ(transparenciesOf(alpha), (Bytes{0, 255, 255, 255}));

    // So a 32-bit QDL picture without transparency survives a trip through
    // a BMP file.
    const Picture opaque = makePicture(3, 1, 32, {0, 1, 2, 3, 0, 4, 5, 6, 0, 255, 255, 255});
    writeQdl(directory / "opaque.qdl", opaque, 5, 0);
    ASSERT_EQ(run(path("opaque.qdl") + " " + path("opaque.bmp")), 0) << printed;
    ASSERT_EQ(run(path("opaque.bmp") + " " + path("back.qdl")), 0) << printed;
    Picture back;
    ASSERT_EQ(readQdl(directory / "back.qdl", back), qdlDecoded);
    EXPECT_EQ(back.bitsPerPixel, 32);
    EXPECT_EQ(pixelsOf(back), pixelsOf(opaque));
}

// ---------------------------------------------------------------- anaglyph

// Channel c of pixel (x, y) of the test pairs: 0 or 255, so that each eye's
// view holds both values in every channel and the composed colours are
// known exactly. The mix gives red 127 or 255 from the left eye's view and
// green and blue 128 or 255 from the right eye's; spreading 127...255 over
// 0...255 turns these into 0 or 255 and 1 or 255.
uint8_t pairValue(int32_t x, int32_t y, int channel)
{
    return (x + 2 * y + channel) % 3 == 0 ? 255 : 0;
}

// A top-down 24-bit BMP of the pair values.
Bytes pairBmp(int32_t width, int32_t height)
{
    Bytes rows;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x)
            for (int channel : {2, 1, 0})
                rows.push_back(pairValue(x, y, channel));
        rows.resize(rows.size() + size_t((4 - 3 * width % 4) % 4), 0);
    }
    return bmpFile(join({infoHeader(width, -height, 24), rows}), 54);
}

// R, G, B of the anaglyph whose left eye's view starts at column leftStart
// of the pair and whose right eye's view at rightStart.
Bytes expectedAnaglyph(int32_t width, int32_t height, int32_t leftStart, int32_t rightStart)
{
    Bytes rgb;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            rgb.push_back(pairValue(leftStart + x, y, 0));
            rgb.push_back(pairValue(rightStart + x, y, 1) ? 255 : 1);
            rgb.push_back(pairValue(rightStart + x, y, 2) ? 255 : 1);
        }
    }
    return rgb;
}

TEST_F(QdlconvTest, AnaglyphTakesTheLayoutFromTheInputName)
{
    const struct {
        const char* name;
        int32_t width;
        int32_t resultWidth, leftStart, rightStart;
        bool note;
    } cases[] = {
        {"x.stereo.bmp", 8, 4, 0, 4, false},    // left eye's view on the left
        {"x.STEREO-X.bmp", 8, 4, 4, 0, false},  // left eye's view on the right
        {"x.stereo.bmp", 9, 9, 0, 0, true},     // odd width: one view, 9 / 50 rounds to no shift
        {"plain.bmp", 8, 8, 0, 0, false},       // one view
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.name) + " " + std::to_string(c.width);
        fs::create_directory(directory / "in");
        writeBytes(directory / "in" / c.name, pairBmp(c.width, 3));
        const std::string input = path("in/" + std::string(c.name));
        ASSERT_EQ(run("--anaglyph " + input + " " + path("out.bmp")), 0) << what << ": " << printed;
        EXPECT_EQ(printed.find("composed as a single view") != std::string::npos, c.note) << what << ": " << printed;
        Picture bmp;
        ASSERT_EQ(readBmp(directory / "out.bmp", bmp), dibConverted) << what;
        EXPECT_EQ(bmp.width, c.resultWidth) << what;
        EXPECT_EQ(bmp.height, 3) << what;
        EXPECT_EQ(rgbOf(bmp), expectedAnaglyph(c.resultWidth, 3, c.leftStart, c.rightStart)) << what;

        // As QDL the anaglyph is an opaque type 5 picture of the same colours.
        ASSERT_EQ(run(input + " " + path("out.qdl") + " --anaglyph"), 0) << what << ": " << printed;
        Picture qdl;
        ASSERT_EQ(readQdl(directory / "out.qdl", qdl), qdlDecoded) << what;
        EXPECT_EQ(naturalQdlPixelType(qdl), 5) << what;
        EXPECT_EQ(transparenciesOf(qdl), Bytes(size_t(c.resultWidth) * 3, 0)) << what;
        EXPECT_EQ(rgbOf(qdl), rgbOf(bmp)) << what;
        fs::remove_all(directory / "in");
    }
}

// A 1-bit QDL pair is widened to 24 bits first: set bits are black, clear
// bits white, and the views' greys give red and cyan as above.
TEST_F(QdlconvTest, AnaglyphOfAOneBitPairIntoAChosenType)
{
    // 16 x 1, type 1: left half 1100 0011, right half 0101 1010.
    writeQdl(directory / "bw.stereo.qdl", makePicture(16, 1, 1, {0xC3, 0x5A}), 1, 0);
    ASSERT_EQ(run("--anaglyph --type 4 --compression 2 " + path("bw.stereo.qdl") + " " + path("out.qdl")), 0)
        << printed;
    Picture back;
    ASSERT_EQ(readQdl(directory / "out.qdl", back), qdlDecoded);
    EXPECT_EQ(naturalQdlPixelType(back), 4);
    ASSERT_EQ(back.width, 8);
    Bytes expected;
    for (int x = 0; x < 8; ++x) {
        const bool leftWhite = !(0xC3 & (0x80 >> x));
        const bool rightWhite = !(0x5A & (0x80 >> x));
        expected.insert(expected.end(), {uint8_t(leftWhite ? 255 : 0), uint8_t(rightWhite ? 255 : 1),
                                         uint8_t(rightWhite ? 255 : 1)});
    }
    EXPECT_EQ(pixelsOf(back), expected);
}

// ---------------------------------------------------------------- limits and replacing OUTPUT

// Headers of a few bytes that declare pictures of gigabytes are refused
// before anything is decoded.
TEST_F(QdlconvTest, PixelLimitRefusesHugeHeadersBeforeDecoding)
{
    const Bytes endOfBitmap = {0, 0, 0, 0, 0, 1};  // one table entry, the end-of-bitmap code
    const Bytes small = bmpFile(join({infoHeader(2, 2, 8, biRle8, 1), {0, 0, 0, 0, 2, 7, 0, 0, 2, 9, 0, 1}}), 58);
    const struct {
        const char* name;
        Bytes file;
        const char* options;
        int exitCode;
        const char* message;
    } cases[] = {
        {"rle8.bmp", bmpFile(join({infoHeader(46340, 46340, 8, biRle8, 1), endOfBitmap}), 58), "", 1,
         "46340 x 46340 = 2147395600 pixels, more than the limit of 268435456 (--max-pixels"},
        {"rle4.bmp", bmpFile(join({infoHeader(INT32_MAX, 1, 4, biRle4, 1), endOfBitmap}), 58), "", 1,
         "2147483647 x 1 = 2147483647 pixels"},
        {"tall.tga", tgaFile(10, 16384, 16385, 32, {}), "", 1, "16384 x 16385"},
        {"at-limit.tga", tgaFile(2, 16384, 16384, 24, {}), "", 1, "cut short"},
        {"small.bmp", small, "--max-pixels 3 ", 1, "2 x 2 = 4 pixels, more than the limit of 3"},
        {"small.bmp", small, "--max-pixels=4 ", 0, ""},
    };
    for (const auto& c : cases) {
        writeBytes(directory / c.name, c.file);
        EXPECT_EQ(run(c.options + path(c.name) + " " + path("out.qdl")), c.exitCode) << c.name << ": " << printed;
        EXPECT_NE(printed.find(c.message), std::string::npos) << c.name << ": " << printed;
        EXPECT_EQ(fs::exists(directory / "out.qdl"), c.exitCode == 0) << c.name;
    }
    Picture back;
    ASSERT_EQ(readQdl(directory / "out.qdl", back), qdlDecoded);
    EXPECT_EQ(pixelsOf(back), (Bytes{9, 9, 7, 7}));
}

// Starts qdlconv silently, with the stop signals at their default actions
// whatever this process inherited.
pid_t startQdlconv(const std::string& input, const std::string& output)
{
    std::string program = std::string(VELLORA_TOOLS_DIR) + "/qdlconv", in = input, out = output;
    char* argv[] = {program.data(), in.data(), out.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t stops, none;
    sigemptyset(&none);
    sigemptyset(&stops);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stops, signalNumber);
    posix_spawnattr_setsigdefault(&attributes, &stops);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, &attributes, argv, environ), 0);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// A stop signal while OUTPUT is written ends qdlconv by that signal, with
// the temporary file removed and the old OUTPUT kept.
TEST_F(QdlconvTest, StopSignalsRemoveTheTemporaryFile)
{
    // 2048 x 2048 x 32 bits in run packets of 128: 160 KB in, 16 MB out.
    Bytes runs;
    for (int i = 0; i < 2048 * 2048 / 128; ++i)
        runs.insert(runs.end(), {255, 1, 2, 3, 4});
    writeBytes(directory / "in.tga", tgaFile(10, 2048, 2048, 32, runs));
    const Bytes old = {'o', 'l', 'd'};
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        int status = 0;
        // A run that ends before the signal lands is tried again.
        for (int attempt = 0; attempt < 20 && !WIFSIGNALED(status); ++attempt) {
            writeBytes(directory / "out.qdl", old);
            const pid_t pid = startQdlconv((directory / "in.tga").string(), (directory / "out.qdl").string());
            const fs::path temporary = directory / ("out.qdl." + std::to_string(pid) + ".tmp");
            while (waitpid(pid, &status, WNOHANG) == 0) {
                if (fs::exists(temporary)) {
                    kill(pid, signalNumber);
                    waitpid(pid, &status, 0);
                    break;
                }
            }
        }
        ASSERT_TRUE(WIFSIGNALED(status)) << signalNumber;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_EQ(readBytes(directory / "out.qdl"), old) << signalNumber;
        EXPECT_EQ(files().size(), 2u) << signalNumber;  // in.tga and out.qdl
    }
}

// A replaced OUTPUT keeps its permission bits; a link OUTPUT stays a link,
// and the file it points to, existing or not, is written.
TEST_F(QdlconvTest, ReplacedOutputKeepsItsModeAndLinks)
{
    writeBytes(directory / "in.tga", tgaFile(2, 2, 1, 24, {1, 2, 3, 4, 5, 6}));
    fs::create_directories(directory / "sub");
    const struct {
        std::string link;  // where out.qdl points; empty: a plain file
        int mode;          // the existing file's; 0: none yet
    } cases[] = {{"", 0600}, {"", 0640}, {"", 0444}, {"sub/real.qdl", 0600}, {"sub/new.qdl", 0}};
    for (const auto& c : cases) {
        const std::string what = c.link + " " + std::to_string(c.mode);
        const fs::path target = directory / (c.link.empty() ? "out.qdl" : c.link);
        if (c.mode) {
            writeBytes(target, {'o', 'l', 'd'});
            fs::permissions(target, fs::perms(c.mode));
        }
        if (!c.link.empty())
            fs::create_symlink(c.link, directory / "out.qdl");
        ASSERT_EQ(run(path("in.tga") + " " + path("out.qdl")), 0) << what << ": " << printed;
        EXPECT_EQ(fs::is_symlink(directory / "out.qdl"), !c.link.empty()) << what;
        if (c.mode)
            EXPECT_EQ(int(fs::status(target).permissions() & fs::perms::all), c.mode) << what;
        Picture back;
        ASSERT_EQ(readQdl(target, back), qdlDecoded) << what;
        EXPECT_EQ(pixelsOf(back), (Bytes{3, 2, 1, 6, 5, 4})) << what;
        for (const auto& entry : fs::recursive_directory_iterator(directory))
            EXPECT_NE(entry.path().extension(), ".tmp") << what;
        fs::remove(directory / "out.qdl");
        fs::remove(target);
    }
}

}  // namespace
