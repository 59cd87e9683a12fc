// The embedded-profile search: its windows and length rule on hand-built
// bytes, and real profiles in JPEG and TIFF files that ImageMagick writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "header_fixtures.h"
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

Bytes cut(Bytes file, size_t bytes)
{
    file.resize(file.size() - bytes);
    return file;
}

Bytes app2Chunk(uint8_t number, uint8_t count, const Bytes& piece)
{
    Bytes body = iccChunk(piece);
    body[12] = number;
    body[13] = count;
    return jpegSegment(0xE2, body);
}

TEST(LocateJpegProfileChunks, WholeSetsJoinInNumberOrderAndEverythingElseFallsBack)
{
    const Bytes profile = profileBlock(300);
    const Bytes p1(profile.begin(), profile.begin() + 100), p2(profile.begin() + 100, profile.begin() + 200),
        p3(profile.begin() + 200, profile.end());
    const Bytes soi = {0xFF, 0xD8}, scan = join({jpegSegment(0xDA, {1, 2, 3}), Bytes(120, 0x11)});
    const Bytes app1 = jpegSegment(0xE1, Bytes(30, 0x22));
    const Bytes c1 = app2Chunk(1, 3, p1), c2 = app2Chunk(2, 3, p2), c3 = app2Chunk(3, 3, p3);
    const struct {
        const char* what;
        Bytes file;
        bool whole;
    } cases[] = {
        {"in order", join({soi, c1, c2, c3, scan}), true},
        {"shuffled among other segments, fill bytes", join({soi, c2, app1, {0xFF}, c3, app1, c1, scan}), true},
        {"a thumbnail's chunk inside APP1 does not count", join({soi, jpegSegment(0xE1, c2), c1, c2, c3, scan}), true},
        {"one chunk of one", join({soi, app2Chunk(1, 1, p1), scan}), false},
        {"chunk missing", join({soi, c1, c3, scan}), false},
        {"chunk repeated", join({soi, c1, c2, c2, c3, scan}), false},
        {"number 0", join({soi, app2Chunk(0, 3, p1), c1, c2, c3, scan}), false},
        {"number above the count", join({soi, c1, c2, c3, app2Chunk(4, 3, p1), scan}), false},
        {"count 0", join({soi, app2Chunk(1, 0, p1), c2, c3, scan}), false},
        {"counts disagree", join({soi, app2Chunk(1, 2, p1), c2, c3, scan}), false},
        {"chunk after the scan starts", join({soi, c1, c2, scan, c3}), false},
        {"segment longer than the file", join({soi, c1, c2, c3, {0xFF, 0xE1, 0x40, 0x00}}), false},
        {"last chunk ends exactly at the end of the file", join({soi, c1, c2, c3}), true},
        {"last chunk one byte past the end", cut(join({soi, c1, c2, c3}), 1), false},
        {"last chunk two bytes past the end", cut(join({soi, c1, c2, c3}), 2), false},
        {"not a JPEG", join({{0xFF, 0xD9}, c1, c2, c3, scan}), false},
    };
    for (const auto& c : cases) {
        ProfileChunks chunks;
        ASSERT_EQ(locateJpegProfileChunks(c.file.data(), c.file.size(), chunks), c.whole) << c.what;
        ByteArray copy = allocateBytes(c.file.size());
        std::copy(c.file.begin(), c.file.end(), copy.get());
        EmbeddedProfile found;
        // Anything but a whole set is read as a single chunk, as before.
        const bool any = embeddedProfileInBytes(std::move(copy), c.file.size(), true, found);
        EXPECT_EQ(any && Bytes(found.bytes, found.bytes + found.size) == profile, c.whole) << c.what;
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
    const std::filesystem::path directory = testScratchDirectory();
    const struct {
        const char *name, *format, *profile;
    } cases[] = {
        {"adobe.jpg", "jpg", "compatibleWithAdobeRGB1998.icc"},
        {"adobe.tif", "tif", "compatibleWithAdobeRGB1998.icc"},
        {"srgb.JPEG", "jpg", "sRGB.icc"},
        {"lstar.tiff", "tif", "LStar-RGB.icc"},
        {"large.jpg", "jpg", "large.icc"},
    };
    // A profile padded past what one APP2 segment holds, so that it is
    // stored as three chunks.
    Bytes large = imagemagick::readFile(icc / "compatibleWithAdobeRGB1998.icc");
    large.resize(150000, 0);
    large[1] = uint8_t(large.size() >> 16), large[2] = uint8_t(large.size() >> 8), large[3] = uint8_t(large.size());
    imagemagick::writeFile(directory / "large.icc", large);
    for (const auto& c : cases) {
        const std::filesystem::path file = directory / c.name;
        const std::filesystem::path source = std::filesystem::exists(icc / c.profile) ? icc / c.profile : directory / c.profile;
        ASSERT_TRUE(imagemagick::convert("-size 64x48 gradient:red-blue -profile " + imagemagick::quoted(source) +
                                         " " + c.format + ":" + imagemagick::quoted(file)))
            << c.name;
        EmbeddedProfile profile;
        ASSERT_TRUE(findEmbeddedProfile(file.u16string().c_str(), profile)) << c.name;
        EXPECT_EQ(Bytes(profile.bytes, profile.bytes + profile.size), imagemagick::readFile(source)) << c.name;
    }
    EmbeddedProfile none;
    EXPECT_FALSE(findEmbeddedProfile((directory / "missing.jpg").u16string().c_str(), none));
}

}  // namespace
