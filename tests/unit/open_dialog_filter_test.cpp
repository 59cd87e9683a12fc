#include "app/open_dialog_filter.h"

#include <gtest/gtest.h>

namespace {

// The dialog reads pairs of NUL-ended texts up to an empty one: a missing
// terminator or pattern would run it into other memory or lose a format.
TEST(OpenDialogFilter, OffersEveryFileThenEveryListedPattern)
{
    const std::u16string filter = openDialogFilter();
    const std::u16string expected =
        std::u16string(u"All Files\0*.*\0Pictures\0", 23) +
        u"*.bmp;*.gif;*.jpg;*.jpe?;*.jfif;*.png;*.qdl;*.tif?;*.tga;*.heic;*.webp;*.jxr;*.avif;*.jxl;"
        u"*.dng;*.cr2;*.cr3;*.nef;*.nrw;*.arw;*.orf;*.rw2;*.raf;*.pef;*.srw" +
        std::u16string(u"\0\0", 2);
    EXPECT_EQ(filter, expected);
}

}  // namespace
