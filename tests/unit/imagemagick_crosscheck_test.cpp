// TGA and BMP files written by ImageMagick, decoded by our readers and by
// ImageMagick itself, compared pixel for pixel; pictures made by ImageMagick
// shrunk by our scaler and by its -scale.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decode/dib/dib_reader.h"
#include "decode/tga/tga_reader.h"
#include "picture/area_scale.h"
#include "imagemagick_reference.h"
#include "picture/picture.h"

namespace {

using imagemagick::Alpha;
using imagemagick::Bytes;
using imagemagick::quoted;

// An odd width makes every BMP depth pad its rows.
constexpr int width = 37;
constexpr int height = 23;

// Flat blocks on the left give long runs, a noisy right part gives literal
// runs; alpha takes 0, 255 and values between.
Bytes sourceRgba()
{
    const uint8_t flat[6][3] = {{255, 0, 0}, {0, 128, 0}, {0, 0, 255}, {250, 250, 250}, {0, 0, 0}, {90, 60, 30}};
    Bytes rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x < 16) {
                const uint8_t* c = flat[(x / 4 + y / 6) % 6];
                rgba.insert(rgba.end(), {c[0], c[1], c[2], uint8_t((y / 6) % 2 ? 255 : 0)});
            } else {
                rgba.insert(rgba.end(), {uint8_t(x * 7 + y * 3), uint8_t((y * 11) ^ x),
                                         uint8_t(x * y * 5), uint8_t(x * 13 + y * 7)});
            }
        }
    }
    return rgba;
}

class ImageMagickCrossCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!imagemagick::available())
            GTEST_SKIP() << "ImageMagick's convert is not installed";
        directory = testScratchDirectory();
        source = directory / "source.rgba";
        imagemagick::writeFile(source, sourceRgba());
    }

    // Writes the source image through convert with options, the last of
    // them an output format prefix, into the file name; returns its bytes.
    Bytes write(const std::string& options, const char* name)
    {
        const std::filesystem::path file = directory / name;
        const std::string input = "-size " + std::to_string(width) + "x" + std::to_string(height) +
                                  " -depth 8 rgba:" + quoted(source);
        EXPECT_TRUE(imagemagick::convert(input + " " + options + quoted(file))) << options;
        return imagemagick::readFile(file);
    }

    std::filesystem::path directory;
    std::filesystem::path source;
};

TEST_F(ImageMagickCrossCheck, TgaFiles)
{
    struct Case {
        const char* name;
        const char* options;
        uint8_t imageType;
        uint8_t depth;
    };
    const Case cases[] = {
        {"plain24.tga", "-alpha off -compress None TGA:", 2, 24},
        {"rle24.tga", "-alpha off -compress RLE TGA:", 10, 24},
        {"plain32.tga", "-compress None TGA:", 2, 32},
        {"rle32.tga", "-compress RLE TGA:", 10, 32},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Bytes file = write(k.options, k.name);
        ASSERT_GE(file.size(), 18u);
        ASSERT_EQ(file[2], k.imageType);
        ASSERT_EQ(file[16], k.depth);

        Picture picture;
        parseTgaImage(file.data(), file.size(), picture);
        ASSERT_EQ(picture.bitsPerPixel, k.depth);
        ASSERT_EQ(picture.width, width);
        // ImageMagick keeps the stored row order as well: it records the
        // origin bits as an orientation without applying it.
        EXPECT_TRUE(imagemagick::matchesRgba(picture, imagemagick::decodeToRgba(directory / k.name, directory),
                                             Alpha::ignore));
        // The alpha byte is dropped: every pixel is opaque.
        EXPECT_FALSE(picture.hasTransparency());
    }
}

uint32_t readLe32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// Turns a bottom-up BMP with plain rows into the top-down one of the same
// picture: negative biHeight, rows in reverse order.
Bytes topDownCopy(const Bytes& bmp)
{
    Bytes copy = bmp;
    const size_t bitsOffset = readLe32(bmp, 10);
    const int32_t rows = int32_t(readLe32(bmp, 22));
    const uint32_t bitCount = uint32_t(bmp[28] | bmp[29] << 8);
    const size_t stride = (size_t(readLe32(bmp, 18)) * bitCount + 31) / 32 * 4;
    for (int32_t y = 0; y < rows; ++y)
        std::copy_n(bmp.begin() + long(bitsOffset + stride * size_t(y)), stride,
                    copy.begin() + long(bitsOffset + stride * size_t(rows - 1 - y)));
    const uint32_t negated = uint32_t(-rows);
    for (int i = 0; i < 4; ++i)
        copy[22 + i] = uint8_t(negated >> (8 * i));
    return copy;
}

TEST_F(ImageMagickCrossCheck, BmpFiles)
{
    struct Case {
        const char* name;
        const char* options;  // the output name follows, with its format prefix
        uint16_t bitCount;
        uint32_t compression;
        Alpha alpha;
        bool alsoTopDown;
    };
    const Case cases[] = {
        {"pal1.bmp", "-alpha off -monochrome BMP3:", 1, 0, Alpha::compare, true},
        {"pal4.bmp", "-alpha off -colors 16 -compress None BMP3:", 4, 0, Alpha::compare, true},
        {"pal8.bmp", "-alpha off -colors 200 -compress None BMP3:", 8, 0, Alpha::compare, true},
        {"rle8.bmp", "-alpha off -colors 200 -compress RLE BMP3:", 8, 1, Alpha::compare, false},
        {"rle8few.bmp", "-alpha off -colors 12 -compress RLE BMP3:", 8, 1, Alpha::compare, false},
        {"rgb565.bmp", "-alpha off -define bmp:subtype=RGB565 BMP:", 16, 3, Alpha::compare, false},
        {"rgb555.bmp", "-alpha off -define bmp:subtype=RGB555 BMP:", 16, 3, Alpha::compare, false},
        {"rgb24.bmp", "-alpha off -type TrueColor BMP3:", 24, 0, Alpha::compare, true},
        {"rgba32.bmp", "-define bmp3:alpha=true BMP3:", 32, 0, Alpha::compare, true},
        {"rgba32v5.bmp", "BMP:", 32, 3, Alpha::compare, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Bytes file = write(k.options, k.name);
        ASSERT_GE(file.size(), 54u);
        ASSERT_EQ(file[28] | file[29] << 8, k.bitCount);
        ASSERT_EQ(readLe32(file, 30), k.compression);

        std::vector<std::pair<std::string, Bytes>> variants = {{k.name, file}};
        if (k.alsoTopDown)
            variants.emplace_back(std::string("topdown-") + k.name, topDownCopy(file));
        for (const auto& variant : variants) {
            SCOPED_TRACE(variant.first);
            imagemagick::writeFile(directory / variant.first, variant.second);
            Picture picture;
            const int result = pictureFromDib(variant.second.data() + 14, variant.second.size() - 14, picture);
            ASSERT_EQ(result, dibConverted);
            EXPECT_EQ(picture.width, width);
            EXPECT_EQ(picture.height, height);
            EXPECT_TRUE(imagemagick::matchesRgba(
                picture, imagemagick::decodeToRgba(directory / variant.first, directory), k.alpha));
        }
    }
}

// A detailed photo-like picture and fine patterns, which alias into stripes
// when a scaler samples instead of averaging, at ratios that are not whole.
TEST_F(ImageMagickCrossCheck, ScaledPicturesMatchItsAreaAverage)
{
    struct Case {
        const char* name;
        const char* generator;  // convert options that make the picture
        int width, height, targetWidth, targetHeight;
    };
    const Case cases[] = {
        {"plasma.png", "-seed 11 plasma:", 1203, 901, 307, 230},
        {"checkerboard.png", "pattern:checkerboard -fill red -draw 'line 0,0 700,500'", 1001, 751, 240, 180},
        {"hatch.png", "pattern:crosshatch30 -colorize 0", 997, 601, 997 * 2 / 7, 601 * 2 / 7},
        {"pixels.png", "xc: -fx 'i%2==j%3 ? 1 : 0.2*u'", 640, 480, 237, 178},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::filesystem::path file = directory / k.name;
        const std::string size = "-size " + std::to_string(k.width) + "x" + std::to_string(k.height) + " ";
        ASSERT_TRUE(imagemagick::convert(size + k.generator + " -alpha off " + quoted(file)));
        Bytes pixels = imagemagick::decodeToRgba(file, directory);
        const Bytes reference = imagemagick::scaleToRgba(file, k.targetWidth, k.targetHeight, directory);
        ASSERT_EQ(pixels.size(), size_t(4) * k.width * k.height);
        ASSERT_EQ(reference.size(), size_t(4) * k.targetWidth * k.targetHeight);
        for (size_t i = 0; i < pixels.size(); i += 4)
            std::swap(pixels[i], pixels[i + 2]);  // R,G,B,A -> B,G,R,x
        Bytes scaled(reference.size());
        ASSERT_TRUE(scaleByAreaAverage({pixels.data(), 4 * k.width, k.width, k.height},
                                       {scaled.data(), 4 * k.targetWidth, k.targetWidth, k.targetHeight}));
        double difference = 0;
        int largest = 0;
        for (size_t i = 0; i < scaled.size(); i += 4)
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(int(scaled[i + 2 - c]) - int(reference[i + c]));
                difference += d;
                largest = std::max(largest, d);
            }
        const double mean = difference / (3.0 * k.targetWidth * k.targetHeight);
        EXPECT_LE(mean, 1.0) << "largest difference " << largest;
        std::printf("%s: mean %.3f largest %d\n", k.name, mean, largest);
    }
}

}  // namespace
