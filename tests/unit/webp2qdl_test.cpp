// Runs the built webp2qdl program, the converter's decode-and-write path, on
// WebP files made by cwebp, img2webp and webpmux, and compares the QDL file
// it writes, read back by the viewer's reader, with what Debian's dwebp of
// the same libwebp version decodes. Also feeds it broken files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decode/libraries/webp_first_frame.h"
#include "decode/qdl/qdl_reader.h"
#include "file_names.h"
#include "garbage_allocation.h"
#include "picture/picture.h"
#include "picture_fixtures.h"
#include "test_scratch_directory.h"

namespace {

namespace fs = std::filesystem;

Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

int shell(const std::string& command)
{
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// RGBA pixels of a canvas.
struct Rgba {
    int width = 0;
    int height = 0;
    Bytes pixels;
};

// dwebp -pam writes "P7", WIDTH, HEIGHT, DEPTH 4, MAXVAL 255, TUPLTYPE
// RGB_ALPHA and ENDHDR lines, then R,G,B,A bytes.
Rgba readPam(const fs::path& path)
{
    const Bytes file = readBytes(path);
    const std::string text(file.begin(), file.end());
    const size_t end = text.find("ENDHDR\n");
    Rgba image;
    if (end == std::string::npos)
        return image;
    image.width = std::atoi(text.c_str() + text.find("WIDTH ") + 6);
    image.height = std::atoi(text.c_str() + text.find("HEIGHT ") + 7);
    image.pixels.assign(file.begin() + long(end + 7), file.end());
    return image;
}

// The QDL picture as R,G,B,A: 24 bits opaque, 32 bits A = 255 - T.
Rgba rgbaOf(const Picture& picture)
{
    Rgba image{picture.width, picture.height, {}};
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t trgb = picture.pixelAt(x, y);
            image.pixels.insert(image.pixels.end(), {uint8_t(trgb >> 8), uint8_t(trgb >> 16), uint8_t(trgb >> 24),
                                                     uint8_t(255 - (trgb & 0xFF))});
        }
    return image;
}

class Webp2qdlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (shell("command -v dwebp && command -v cwebp && command -v img2webp && command -v webpmux && "
                  "command -v convert") != 0)
            GTEST_SKIP() << "the webp tools or ImageMagick are missing";
        directory = testScratchDirectory();
        // An opaque picture with smooth and sharp parts, and one whose alpha
        // runs from nearly transparent to opaque.
        make("convert -size 97x61 plasma:red-blue -seed 3 -fill black -draw 'rectangle 5,5 30,20' " + at("plain.png"));
        make("convert -size 97x61 gradient:'rgba(255,0,0,0.02)-rgba(0,90,255,1)' " + at("alpha.png"));
        make("convert -size 40x30 plasma:green-yellow -seed 9 " + at("small.png"));
        make("convert " + at("small.png") + " -flip " + at("flipped.png"));
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string at(const std::string& name) const { return "'" + (directory / name).string() + "'"; }

    void make(const std::string& command) { ASSERT_EQ(shell(command), 0) << command; }

    int convert(const std::string& input, const std::string& output)
    {
        return shell(std::string("'") + VELLORA_TOOLS_DIR + "/webp2qdl' " + at(input) + " " + at(output));
    }

    // The converter's output for input, as RGBA, with its depth.
    Rgba converted(const std::string& input, int& bitsPerPixel)
    {
        EXPECT_EQ(convert(input, "out.qdl"), 0) << input;
        const Bytes file = readBytes(directory / "out.qdl");
        Picture picture;
        EXPECT_EQ(parseQdlImage(picture, file.data(), file.size()), qdlDecoded) << input;
        bitsPerPixel = picture.bitsPerPixel;
        return rgbaOf(picture);
    }

    Rgba dwebp(const std::string& input)
    {
        make("dwebp " + at(input) + " -pam -o " + at("reference.pam"));
        return readPam(directory / "reference.pam");
    }

    std::vector<std::string> files() const { return fileNamesIn(directory); }

    // offset.webp: small.png as the first frame, at 10,20 on a 97 x 61
    // canvas; returns that frame on transparent black as dwebp decodes it.
    Rgba makeOffsetAnimation()
    {
        make("cwebp -quiet -lossless " + at("small.png") + " -o " + at("small.webp"));
        make("cwebp -quiet -lossless " + at("plain.png") + " -o " + at("plain.webp"));
        make("webpmux -frame " + at("small.webp") + " +100+10+20 -frame " + at("plain.webp") +
             " +100 -bgcolor 255,9,9,9 -o " + at("offset.webp"));
        const Rgba frame = dwebp("small.webp");
        Rgba expected{97, 61, Bytes(97 * 61 * 4, 0)};
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width * 4; ++x)
                expected.pixels[size_t((y + 20) * 97 * 4 + 10 * 4 + x)] = frame.pixels[size_t(y * frame.width * 4 + x)];
        return expected;
    }

    fs::path directory;
};

void expectSame(const Rgba& actual, const Rgba& expected, const std::string& what)
{
    ASSERT_EQ(actual.width, expected.width) << what;
    ASSERT_EQ(actual.height, expected.height) << what;
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size()) << what;
    for (size_t i = 0; i < actual.pixels.size(); ++i)
        ASSERT_EQ(actual.pixels[i], expected.pixels[i])
            << what << ": pixel " << i / 4 % actual.width << "," << i / 4 / actual.width << " channel " << i % 4;
}

TEST_F(Webp2qdlTest, StillPicturesMatchDwebpPixelForPixel)
{
    struct Case {
        const char* encode;
        int bitsPerPixel;
    };
    const Case cases[] = {
        {"cwebp -q 75 plain.png", 24},               // lossy
        {"cwebp -lossless plain.png", 24},            // lossless
        {"cwebp -q 60 -alpha_q 50 alpha.png", 32},    // lossy colour, compressed alpha
        {"cwebp -lossless -exact alpha.png", 32},     // lossless with alpha
        {"cwebp -q 90 -sharp_yuv alpha.png", 32},
    };
    for (const Case& c : cases) {
        std::string command = c.encode;
        const size_t space = command.rfind(' ');
        command = command.substr(0, space) + " " + at(command.substr(space + 1)) + " -o " + at("in.webp");
        make(command);
        int bits = 0;
        const Rgba actual = converted("in.webp", bits);
        EXPECT_EQ(bits, c.bitsPerPixel) << c.encode;
        expectSame(actual, dwebp("in.webp"), c.encode);
    }
}

TEST_F(Webp2qdlTest, AnimationGivesItsFirstFrameOnTheCanvas)
{
    // Full-canvas first frames, lossy and lossless: the first frame that
    // webpmux extracts, decoded by dwebp.
    for (const char* mode : {"-lossy", "-lossless"}) {
        make(std::string("img2webp ") + mode + " " + at("plain.png") + " " + at("alpha.png") + " -o " + at("anim.webp"));
        make("webpmux -get frame 1 " + at("anim.webp") + " -o " + at("frame1.webp"));
        int bits = 0;
        const Rgba actual = converted("anim.webp", bits);
        EXPECT_EQ(bits, 24) << mode;
        expectSame(actual, dwebp("frame1.webp"), mode);
    }

    // A first frame smaller than the canvas sits at its offset on
    // transparent black, whatever the background colour says.
    const Rgba expected = makeOffsetAnimation();
    int bits = 0;
    const Rgba actual = converted("offset.webp", bits);
    EXPECT_EQ(bits, 32);
    expectSame(actual, expected, "offset first frame");
}

// The canvas of an animation is kept only when the first frame or the
// file's size accounts for it; else the first frame is shown alone. The
// canvas fields that webpmux wrote (VP8X, offset 24: width - 1 and height - 1
// in 24 bits each) are patched; the frames stay at 0,0.
TEST_F(Webp2qdlTest, CanvasIsBoundByTheFirstFrameAndTheFileSize)
{
    make("convert -size 1x1 xc:red " + at("dot.png"));
    make("convert -size 1000x1000 xc:blue " + at("flat.png"));
    for (const char* name : {"dot", "flat"})
        make(std::string("cwebp -quiet -lossless ") + at(name + std::string(".png")) + " -o " +
             at(name + std::string(".webp")));
    make("webpmux -frame " + at("dot.webp") + " +100 -frame " + at("dot.webp") + " +100 -o " + at("dots.webp"));
    make("webpmux -frame " + at("flat.webp") + " +100 -frame " + at("dot.webp") + " +100 -o " + at("flat-anim.webp"));
    const Bytes dots = readBytes(directory / "dots.webp");
    const Bytes flat = readBytes(directory / "flat-anim.webp");
    // Small enough that only the frame rule can grant the flat file's canvas.
    ASSERT_LT(flat.size() * 1024, 2000u * 2000u);

    auto withCanvas = [](Bytes file, uint32_t width, uint32_t height) {
        for (int i = 0; i < 3; ++i) {
            file[size_t(24 + i)] = uint8_t((width - 1) >> (8 * i));
            file[size_t(27 + i)] = uint8_t((height - 1) >> (8 * i));
        }
        return file;
    };
    const uint32_t dotsBytes = uint32_t(dots.size());
    const struct {
        const char* what;
        Bytes file;
        int width, height;  // what is shown
        uint8_t red;        // of the top left pixel, the first frame's own
    } cases[] = {
        // Within the pixel limit, so that only the frame and size rules refuse it.
        {"10000 x 10000 canvas of 1 x 1 frames", withCanvas(dots, 10000, 10000), 1, 1, 255},
        {"canvas the file size accounts for", withCanvas(dots, 1024, dotsBytes), 1024, int(dotsBytes), 255},
        {"canvas beyond what the file size accounts for", withCanvas(dots, 1024, dotsBytes + 1), 1, 1, 255},
        {"canvas four times the first frame", withCanvas(flat, 2000, 2000), 2000, 2000, 0},
        {"canvas above four times the first frame", withCanvas(flat, 2001, 2000), 1000, 1000, 0},
    };
    for (const auto& c : cases) {
        writeBytes(directory / "canvas.webp", c.file);
        int bits = 0;
        const Rgba shown = converted("canvas.webp", bits);
        EXPECT_EQ(shown.width, c.width) << c.what;
        EXPECT_EQ(shown.height, c.height) << c.what;
        ASSERT_GE(shown.pixels.size(), 4u) << c.what;
        EXPECT_EQ(shown.pixels[0], c.red) << c.what;
        EXPECT_EQ(shown.pixels[3], 255) << c.what;
    }
}

// The decoder in this process, whose pixel memory comes filled with garbage:
// the canvas around the frame is cleared, and the pixel limit holds at its
// value and one below, first for the canvas, then for the frame alone.
TEST_F(Webp2qdlTest, FirstFrameInMemoryAtThePixelLimits)
{
    const Rgba canvas = makeOffsetAnimation();
    const Rgba frame = dwebp("small.webp");
    const Bytes file = readBytes(directory / "offset.webp");
    const struct {
        uint64_t maxPixels;
        WebpFrameResult result;
        const Rgba* shown;
    } cases[] = {
        {97 * 61, WebpFrameResult::decoded, &canvas},
        {97 * 61 - 1, WebpFrameResult::decoded, &frame},
        {40 * 30, WebpFrameResult::decoded, &frame},
        {40 * 30 - 1, WebpFrameResult::tooLarge, nullptr},
    };
    for (const auto& c : cases) {
        Picture picture;
        ASSERT_EQ(decodeFirstWebpFrame(file.data(), file.size(), c.maxPixels, picture), c.result) << c.maxPixels;
        if (c.shown)
            expectSame(rgbaOf(picture), *c.shown, std::to_string(c.maxPixels) + " pixels");
        else
            EXPECT_FALSE(picture.holdsImage()) << c.maxPixels;
    }
}

TEST_F(Webp2qdlTest, BrokenFilesFailWithoutOutput)
{
    make("cwebp -quiet -q 75 " + at("plain.png") + " -o " + at("lossy.webp"));
    make("img2webp -lossless " + at("small.png") + " " + at("flipped.png") + " -o " + at("anim.webp"));
    const Bytes lossy = readBytes(directory / "lossy.webp");
    const Bytes anim = readBytes(directory / "anim.webp");
    ASSERT_GT(lossy.size(), 100u);
    ASSERT_EQ(std::string(anim.begin() + 12, anim.begin() + 16), "VP8X");

    auto with = [](Bytes bytes, size_t offset, std::initializer_list<uint8_t> values) {
        for (const uint8_t v : values)
            bytes[offset++] = v;
        return bytes;
    };
    struct Case {
        std::string what;
        Bytes file;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"not a WebP file", readBytes(directory / "plain.png")},
        {"VP8 chunk longer than the file", with(lossy, 16, {0xFF, 0xFF, 0xFF, 0x00})},
        {"zero width in the VP8 frame header", with(lossy, 26, {0, 0})},
        {"frame larger than the canvas", with(anim, 24, {9, 0, 0, 9, 0, 0})},
    };
    for (const size_t length : {size_t(11), size_t(12), size_t(20), size_t(30), lossy.size() / 2, lossy.size() - 1})
        cases.push_back({"lossy truncated to " + std::to_string(length), Bytes(lossy.begin(), lossy.begin() + long(length))});
    for (const size_t length : {size_t(40), anim.size() - 1})
        cases.push_back({"animation truncated to " + std::to_string(length), Bytes(anim.begin(), anim.begin() + long(length))});

    for (const Case& c : cases) {
        writeBytes(directory / "bad.webp", c.file);
        EXPECT_EQ(convert("bad.webp", "out.qdl"), 1) << c.what;
        EXPECT_FALSE(fs::exists(directory / "out.qdl")) << c.what;
    }
    EXPECT_EQ(convert("missing.webp", "out.qdl"), 1);
    EXPECT_EQ(shell(std::string("'") + VELLORA_TOOLS_DIR + "/webp2qdl' " + at("lossy.webp")), 2);
    for (const std::string& name : files())
        EXPECT_TRUE(name.find(".tmp") == std::string::npos) << name;
}

}  // namespace
