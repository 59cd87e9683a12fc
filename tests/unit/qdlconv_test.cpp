// Runs the built qdlconv tool on temporary files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decode/qdl_reader.h"
#include "decode/qdl_writer.h"
#include "picture/picture.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

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

class QdlconvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VELLORA_TEST_TMP");
        directory = fs::path(tmp ? tmp : "/tmp") /
                    ("qdlconv_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(directory);
        fs::create_directories(directory);
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
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.push_back(entry.path().filename().string());
        return names;
    }

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

// ---------------------------------------------------------------- command line

TEST_F(QdlconvTest, HelpDescribesTheTool)
{
    EXPECT_EQ(run("--help"), 0);
    for (const char* text : {"Usage: qdlconv [--type N] [--compression M] INPUT OUTPUT", "--type N",
                             "--compression M", "BMP", "TGA", "colour groups", "drops the"})
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
    };
    for (const std::string& line : lines) {
        EXPECT_EQ(run(line), 2) << line;
        EXPECT_FALSE(printed.empty()) << line;
        EXPECT_FALSE(fs::exists(directory / "out.qdl")) << line;
    }
}

// ---------------------------------------------------------------- failures

TEST_F(QdlconvTest, BadInputFailsWithoutOutput)
{
    writeBytes(directory / "text.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
    writeBytes(directory / "short.qdl", Bytes{'Q', 'D', 5, 0, 0, 0, 5, 0, 0, 0, 4, 0, 1, 2, 3});
    writeBytes(directory / "bad.tga", Bytes(18, 1));
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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments), 1) << c.arguments;
        EXPECT_NE(printed.find(c.message), std::string::npos) << c.arguments << ": " << printed;
        EXPECT_FALSE(fs::exists(directory / "out.qdl")) << c.arguments;
    }
    EXPECT_EQ(files().size(), 3u);
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
}

// ---------------------------------------------------------------- conversions

bool haveImageMagick()
{
    return std::system("convert -version > /dev/null 2>&1") == 0;
}

// BMP files of every depth and compression become 24-bit QDL files whose
// pixels equal ImageMagick's own decoding of the same BMP.
TEST_F(QdlconvTest, BmpPixelsMatchImageMagick)
{
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
            const fs::path raw = directory / "reference.rgb";
            ASSERT_EQ(std::system(("convert \"" + bmp + "\" -depth 8 rgb:\"" + raw.string() + "\"").c_str()), 0);
            const Bytes reference = readBytes(raw);
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

}  // namespace
