#include "decode/dispatch/extension_class.h"

#include <gtest/gtest.h>

namespace {

TEST(ExtensionClassTest, TheEndOfThePathChoosesTheDecoder)
{
    const struct {
        const char16_t* path;
        ExtensionClass expected;
        bool ownFormat;
    } cases[] = {
        {u"C:\\pics\\photo.qdl", ExtensionClass::qdl, true},
        {u"C:\\pics\\photo.QDL", ExtensionClass::qdl, true},
        {u"C:\\pics\\scan.TgA", ExtensionClass::tga, true},
        {u"C:\\pics\\phone.HEIC", ExtensionClass::heic, false},
        {u"C:\\pics\\anim.webp", ExtensionClass::webp, false},
        {u"C:\\pics\\hd.Jxr", ExtensionClass::jxr, false},
        {u"C:\\pics\\a.jpg", ExtensionClass::embeddedProfile, false},
        {u"C:\\pics\\a.JPE", ExtensionClass::embeddedProfile, false},
        {u"C:\\pics\\a.tif", ExtensionClass::embeddedProfile, false},
        {u"C:\\pics\\photo.JPEG", ExtensionClass::embeddedProfile, false},
        {u"C:\\pics\\a.jfif", ExtensionClass::embeddedProfile, false},
        {u"C:\\pics\\a.TIFF", ExtensionClass::embeddedProfile, false},
        {u"C:\\pics\\a.png", ExtensionClass::other, false},
        {u"C:\\pics\\a.AVIF", ExtensionClass::avif, false},
        {u"C:\\pics\\a.jxl", ExtensionClass::jxl, false},
        {u"C:\\pics\\a.DNG", ExtensionClass::dng, false},
        {u"C:\\pics\\a.cr2", ExtensionClass::cr2, false},
        {u"C:\\pics\\a.Cr3", ExtensionClass::cr3, false},
        {u"C:\\pics\\a.nef", ExtensionClass::nef, false},
        {u"C:\\pics\\a.nrw", ExtensionClass::nrw, false},
        {u"C:\\pics\\a.arw", ExtensionClass::arw, false},
        {u"C:\\pics\\a.orf", ExtensionClass::orf, false},
        {u"C:\\pics\\a.rw2", ExtensionClass::rw2, false},
        {u"C:\\pics\\a.raf", ExtensionClass::raf, false},
        {u"C:\\pics\\a.pef", ExtensionClass::pef, false},
        {u"C:\\pics\\a.srw", ExtensionClass::srw, false},
        {u"C:\\pics\\a.jxlx", ExtensionClass::other, false},
        {u"avif", ExtensionClass::other, false},
        // Only the very end counts, never an inner dot or the folder.
        {u"C:\\pics.qdl\\a.png", ExtensionClass::other, false},
        {u"C:\\pics\\a.qdl.bak", ExtensionClass::other, false},
        {u"C:\\pics\\a.qdlx", ExtensionClass::other, false},
        {u"C:\\pics\\aqdl", ExtensionClass::other, false},
        // The dot is one of the compared characters.
        {u"C:\\pics\\xjpeg", ExtensionClass::other, false},
        // Paths as short as or shorter than an extension.
        {u".qdl", ExtensionClass::qdl, true},
        {u"qdl", ExtensionClass::other, false},
        {u".heic", ExtensionClass::heic, false},
        {u"", ExtensionClass::other, false},
        // Non-ASCII letters never fold onto the ASCII ones.
        {u"C:\\pics\\a.\u0130pg", ExtensionClass::other, false},
        {u"C:\\\u65e5\u672c\\a.Tiff", ExtensionClass::embeddedProfile, false},
    };
    for (const auto& c : cases) {
        const int row = static_cast<int>(&c - cases);
        EXPECT_EQ(extensionClassOf(c.path), c.expected) << row;
        EXPECT_EQ(isOwnFormatName(c.path), c.ownFormat) << row;
    }
}

// The camera RAW classes are exactly the eleven RAW extensions, the first
// and last of them included.
TEST(ExtensionClassTest, CameraRawClassesAreTheRawExtensions)
{
    int raw = 0;
    for (int c = 0; c <= static_cast<int>(ExtensionClass::srw); ++c)
        raw += isCameraRawClass(static_cast<ExtensionClass>(c)) ? 1 : 0;
    EXPECT_EQ(raw, 11);
    EXPECT_TRUE(isCameraRawClass(ExtensionClass::dng));
    EXPECT_TRUE(isCameraRawClass(ExtensionClass::srw));
    EXPECT_FALSE(isCameraRawClass(ExtensionClass::jxl));
}

// Which files GDI+ colour-manages and which the worker searches for their own
// profile: a PNG is managed by GDI+ and never searched; a JPEG is searched and
// only managed by GDI+ after the previous transform failed.
TEST(ExtensionClassTest, ColourManagementFlagsFollowTheEmbeddedProfileClass)
{
    struct Case {
        ExtensionClass extension;
        bool colorManagement, forceGdiplusIcm;
        bool icm, skipProfile;
    } cases[] = {
        {ExtensionClass::other, true, false, true, true},
        {ExtensionClass::other, false, false, false, true},
        {ExtensionClass::embeddedProfile, true, false, false, false},
        {ExtensionClass::embeddedProfile, true, true, true, false},
        {ExtensionClass::embeddedProfile, false, true, false, false},
        {ExtensionClass::qdl, true, false, true, true},
        {ExtensionClass::webp, true, false, true, true},
    };
    for (const Case& c : cases) {
        const int row = static_cast<int>(&c - cases);
        EXPECT_EQ(gdiplusAppliesIcm(c.extension, c.colorManagement, c.forceGdiplusIcm), c.icm) << row;
        EXPECT_EQ(skipsEmbeddedProfile(c.extension), c.skipProfile) << row;
    }
}

}  // namespace
