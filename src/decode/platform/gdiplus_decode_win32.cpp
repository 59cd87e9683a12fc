#include "decode/platform/gdiplus_decode_win32.h"

// gdiplus.h needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include "decode/headers/exif_orientation.h"
#include "state/decode_results.h"

namespace {

namespace gdip = Gdiplus::DllExports;

constexpr Gdiplus::ARGB opaqueBlack = 0xFF000000;

}  // namespace

HBITMAP decodeWithGdiplus(const char16_t* path, bool useIcm)
{
    const auto* widePath = reinterpret_cast<const WCHAR*>(path);
    Gdiplus::GpBitmap* image = nullptr;
    if (useIcm)
        gdip::GdipCreateBitmapFromFileICM(widePath, &image);
    else
        gdip::GdipCreateBitmapFromFile(widePath, &image);

    HBITMAP bitmap = nullptr;
    if (image)
        gdip::GdipCreateHBITMAPFromBitmap(image, &bitmap, opaqueBlack);
    if (bitmap) {
        DIBSECTION section{};
        if (GetObjectW(bitmap, sizeof section, &section) != 0) {
            imageWidth = section.dsBm.bmWidth;
            imageHeight = section.dsBm.bmHeight;
        }
        // GDI+ delivers the pixels as stored, with or without ICM.
        imageOrientation = static_cast<uint8_t>(readFileOrientation(path));
    }
    if (image)
        gdip::GdipDisposeImage(image);
    return bitmap;
}
