#include "filelist/image_patterns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ImagePatterns, AreScannedInTheFixedOrder)
{
    const char16_t* expected[imagePatternCount] = {
        u"*.bmp", u"*.gif", u"*.jpg", u"*.jpe?", u"*.jfif", u"*.png",
        u"*.qdl", u"*.tif?", u"*.tga", u"*.heic", u"*.webp", u"*.jxr",
        u"*.avif", u"*.jxl", u"*.dng", u"*.cr2", u"*.cr3", u"*.nef", u"*.nrw",
        u"*.arw", u"*.orf", u"*.rw2", u"*.raf", u"*.pef", u"*.srw",
    };
    for (int i = 0; i < imagePatternCount; ++i)
        EXPECT_EQ(std::u16string(imagePatterns[i]), std::u16string(expected[i])) << "row " << i + 1;
}

struct MatchCase {
    const char16_t* name;
    const char16_t* pattern;
    bool matches;
};

TEST(ImagePatterns, MatchTheTextAfterTheLastDot)
{
    const MatchCase cases[] = {
        {u"x.bmp", u"*.bmp", true},
        {u"X.JPG", u"*.jpg", true},
        {u"x.PnG", u"*.png", true},
        {u"a.b.png", u"*.png", true},
        {u".png", u"*.png", true},
        {u"png", u"*.png", false},
        {u"x.png.", u"*.png", false},
        {u"x.jpg.bak", u"*.jpg", false},
        {u"x.apng", u"*.png", false},
        {u"x.pn", u"*.png", false},
        // The one-more-unit patterns take the bare extension and exactly one more.
        {u"x.jpe", u"*.jpe?", true},
        {u"x.jpeg", u"*.jpe?", true},
        {u"x.JPEG", u"*.jpe?", true},
        {u"x.jpex", u"*.jpe?", true},
        {u"x.jpegg", u"*.jpe?", false},
        {u"x.jp", u"*.jpe?", false},
        {u"x.jpg", u"*.jpe?", false},
        {u"x.jpeg.txt", u"*.jpe?", false},
        {u"x.tif", u"*.tif?", true},
        {u"x.tiff", u"*.tif?", true},
        {u"x.tif.bak", u"*.tif?", false},
        {u"x.jpeg", u"*.jpg", false},
        // Only ASCII letters fold: full-width letters are other characters.
        {u"x.\xFF50\xFF4E\xFF47", u"*.png", false},
        {u"x.j\x0131" u"f", u"*.jfif", false},
    };
    for (const MatchCase& test : cases) {
        EXPECT_EQ(matchesPattern(test.name, test.pattern), test.matches)
            << testing::PrintToString(std::u16string(test.name)) << " against "
            << testing::PrintToString(std::u16string(test.pattern));
    }
}

TEST(ImagePatterns, NoNameIsTakenByTwoPatterns)
{
    const char16_t* names[] = {u"a.bmp", u"a.gif", u"a.jpg", u"a.jpe", u"a.jpeg", u"a.jfif", u"a.png",
                               u"a.qdl", u"a.tif", u"a.tiff", u"a.tga", u"a.heic", u"a.webp", u"a.jxr",
                               u"a.avif", u"a.jxl", u"a.dng", u"a.cr2", u"a.cr3", u"a.nef", u"a.nrw",
                               u"a.arw", u"a.orf", u"a.rw2", u"a.raf", u"a.pef", u"a.srw"};
    for (const char16_t* name : names) {
        int matching = 0;
        for (const char16_t* pattern : imagePatterns)
            matching += matchesPattern(name, pattern) ? 1 : 0;
        EXPECT_EQ(matching, 1) << testing::PrintToString(std::u16string(name));
    }
}

}  // namespace
