// ImageMagick as the reference decoder of the cross-check tests: files that
// nobody here wrote, and their pixels as ImageMagick itself decodes them
// (8-bit R,G,B,A rows, top first), to compare with our own decoding.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "test_scratch_directory.h"

namespace imagemagick {

using Bytes = std::vector<uint8_t>;

inline bool available()
{
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

inline std::string quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

// Runs `convert arguments`; true when it exits with status 0.
inline bool convert(const std::string& arguments)
{
    return std::system(("convert " + arguments + " 2>/dev/null").c_str()) == 0;
}

inline Bytes readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// ImageMagick's own decoding of file as 8-bit R,G,B,A, by way of a raw file
// in directory; empty on failure.
inline Bytes decodeToRgba(const std::filesystem::path& file, const std::filesystem::path& directory)
{
    const std::filesystem::path raw = directory / (file.filename().string() + ".rgba");
    if (!convert(quoted(file) + " -depth 8 rgba:" + quoted(raw)))
        return {};
    return readFile(raw);
}

// ImageMagick's -scale of file to width x height (pixel mixing: the exact
// area average) as 8-bit R,G,B,A; empty on failure.
inline Bytes scaleToRgba(const std::filesystem::path& file, int width, int height,
                         const std::filesystem::path& directory)
{
    const std::filesystem::path raw = directory / (file.filename().string() + ".scaled.rgba");
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + "!";
    if (!convert(quoted(file) + " -scale " + size + " -depth 8 rgba:" + quoted(raw)))
        return {};
    return readFile(raw);
}

enum class Alpha { compare, ignore };

// Compares the picture's colours (as pixelAt reads them) with R,G,B,A rows,
// each channel within tolerance. With Alpha::compare a pixel's T must equal
// 255 - A.
inline ::testing::AssertionResult matchesRgba(const Picture& picture, const Bytes& rgba,
                                              Alpha alpha, int tolerance = 0)
{
    if (!picture.holdsImage())
        return ::testing::AssertionFailure() << "no image";
    const size_t width = size_t(picture.width);
    const size_t height = size_t(picture.height);
    if (rgba.size() != width * height * 4)
        return ::testing::AssertionFailure() << "reference holds " << rgba.size() << " bytes for "
                                             << width << " x " << height;
    size_t differing = 0;
    std::string first;
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            const uint8_t* ref = &rgba[(y * width + x) * 4];
            const uint32_t p = picture.pixelAt(int32_t(x), int32_t(y));
            const uint8_t t = uint8_t(p), r = uint8_t(p >> 8), g = uint8_t(p >> 16), b = uint8_t(p >> 24);
            auto near = [tolerance](int ours, int theirs) { return std::abs(ours - theirs) <= tolerance; };
            const bool same = near(r, ref[0]) && near(g, ref[1]) && near(b, ref[2]) &&
                              (alpha == Alpha::ignore || 255 - t == ref[3]);
            if (!same && differing++ == 0)
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + "): ours T,R,G,B " +
                        std::to_string(t) + "," + std::to_string(r) + "," + std::to_string(g) + "," +
                        std::to_string(b) + ", reference R,G,B,A " + std::to_string(ref[0]) + "," +
                        std::to_string(ref[1]) + "," + std::to_string(ref[2]) + "," +
                        std::to_string(ref[3]);
        }
    }
    if (differing > 0)
        return ::testing::AssertionFailure() << differing << " pixels differ, first at " << first;
    return ::testing::AssertionSuccess();
}

}  // namespace imagemagick
