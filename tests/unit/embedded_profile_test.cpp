// The embedded-profile search: its windows and length rule on hand-built
// bytes, and real profiles in JPEG and TIFF files that ImageMagick writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "imagemagick_reference.h"
#include "pipeline/embedded_profile.h"
#include "profile_fixtures.h"

namespace {

struct Placement {
    size_t at;
    Bytes bytes;
};

struct SearchCase {
    const char* what;
    size_t size;
    std::vector<Placement> placed;
    bool jpeg;
    bool found;
    size_t offset, length;
};

TEST(LocateEmbeddedProfile, SearchWindowsAndDeclaredLength)
{
    const Bytes jpegChunk = iccChunk(profileBlock(120));
    const SearchCase cases[] = {
        {"nothing", 0, {}, false, false, 0, 0},
        {"file of 100 bytes", 100, {{0, profileBlock(100)}}, false, false, 0, 0},
        {"file of 101 bytes", 101, {{0, profileBlock(101)}}, false, true, 0, 101},
        {"last start searched", 300, {{199, profileBlock(101)}}, false, true, 199, 101},
        {"first start not searched", 300, {{200, profileBlock(100)}}, false, false, 0, 0},
        {"signature before offset 36", 300, {{20, {'a', 'c', 's', 'p'}}}, false, false, 0, 0},
        {"first of two profiles", 600, {{50, profileBlock(150)}, {300, profileBlock(200)}}, false, true, 50, 150},
        {"size field's top byte ignored", 600, {{10, profileBlock(256, 0xFF)}}, false, true, 10, 256},
        {"length up to the end", 300, {{100, profileBlock(200)}}, false, true, 100, 200},
        {"length one past the end", 300, {{99, profileBlock(202)}}, false, false, 0, 0},
        {"zero length", 300, {{10, profileBlock(40)}, {11, {0, 0, 0}}}, false, true, 10, 0},
        {"JPEG chunk", 400, {{10, jpegChunk}}, true, true, 24, 120},
        {"JPEG chunk, other name", 400, {{10, jpegChunk}}, false, true, 24, 120},
        {"JPEG without chunk name", 400, {{10, profileBlock(120)}}, true, false, 0, 0},
        {"JPEG uses the first chunk name", 500, {{5, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E'}}, {200, jpegChunk}},
         true, true, 19, 0},
        {"JPEG profile start last allowed", 300, {{185, iccChunk(profileBlock(101))}}, true, true, 199, 101},
        {"JPEG profile start too late", 300, {{186, iccChunk(profileBlock(100))}}, true, false, 0, 0},
        {"JPEG chunk name not searched", 300, {{200, iccChunk(profileBlock(86))}}, true, false, 0, 0},
    };
    for (const SearchCase& c : cases) {
        Bytes data(c.size, 0);
        for (const Placement& p : c.placed)
            std::copy(p.bytes.begin(), p.bytes.begin() + std::min(p.bytes.size(), c.size - p.at), data.begin() + p.at);
        ProfileLocation location;
        ASSERT_EQ(locateEmbeddedProfile(data.data(), data.size(), c.jpeg, location), c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(location.offset, c.offset) << c.what;
            EXPECT_EQ(location.length, c.length) << c.what;
        }
    }
}

TEST(IsJpegProfileName, LastFourOrFiveCharactersIgnoringCase)
{
    const std::pair<const char16_t*, bool> cases[] = {
        {u"a.jpg", true},  {u"A.JPE", true},  {u"b.Jpeg", true},  {u"c.JFIF", true}, {u".jpg", true},
        {u"d.tif", false}, {u"e.jpgx", false}, {u"jpg", false},   {u"x.png", false}, {u"f.jpeg.tiff", false},
    };
    for (const auto& [name, jpeg] : cases)
        EXPECT_EQ(isJpegProfileName(name), jpeg) << std::string(name, name + std::char_traits<char16_t>::length(name));
}

TEST(FindEmbeddedProfile, ReadsTheProfileImageMagickEmbedded)
{
    if (!imagemagick::available())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const std::filesystem::path icc = "/usr/share/color/icc";
    if (!std::filesystem::exists(icc / "sRGB.icc"))
        GTEST_SKIP() << "icc-profiles-free is not installed";
    const std::filesystem::path directory = imagemagick::scratchDirectory("embedded-profile");
    const struct {
        const char *name, *format, *profile;
    } cases[] = {
        {"adobe.jpg", "jpg", "compatibleWithAdobeRGB1998.icc"},
        {"adobe.tif", "tif", "compatibleWithAdobeRGB1998.icc"},
        {"srgb.JPEG", "jpg", "sRGB.icc"},
        {"lstar.tiff", "tif", "LStar-RGB.icc"},
    };
    for (const auto& c : cases) {
        const std::filesystem::path file = directory / c.name;
        ASSERT_TRUE(imagemagick::convert("-size 64x48 gradient:red-blue -profile " + imagemagick::quoted(icc / c.profile) +
                                         " " + c.format + ":" + imagemagick::quoted(file)))
            << c.name;
        EmbeddedProfile profile;
        ASSERT_TRUE(findEmbeddedProfile(file.u16string().c_str(), profile)) << c.name;
        EXPECT_EQ(Bytes(profile.bytes, profile.bytes + profile.size), imagemagick::readFile(icc / c.profile)) << c.name;
    }
    EmbeddedProfile none;
    EXPECT_FALSE(findEmbeddedProfile((directory / "missing.jpg").u16string().c_str(), none));
}

}  // namespace
