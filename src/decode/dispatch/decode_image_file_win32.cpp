#include "decode/dispatch/decode_image_file_win32.h"

#include "decode/dispatch/extension_class.h"
#include "decode/common/fit_to_screen.h"
#include "decode/platform/gdiplus_decode_win32.h"
#include "decode/headers/exif_orientation.h"
#include "decode/headers/header_size_check.h"
#include "decode/libraries/heif_reader.h"
#include "decode/libraries/jpeg_decode_win32.h"
#include "decode/libraries/jxl_reader.h"
#include "decode/libraries/raw_preview_win32.h"
#include "decode/qdl/qdl_reader.h"
#include "decode/tga/tga_reader.h"
#include "decode/platform/webp_converter_win32.h"
#include "decode/libraries/webp_file_reader.h"
#include "decode/platform/wic_decode_win32.h"
#include "picture/anaglyph.h"
#include "picture/display_bitmap_win32.h"
#include "picture/orientation_turn.h"
#include "picture/picture.h"
#include "state/decode_results.h"
#include "state/viewer_options.h"

namespace {

constexpr uint32_t blackBackground = 0;

// The displayed picture and the published size; the size is set even when
// the bitmap cannot be made, as the picture was decoded.
HBITMAP publishPicture(const Picture& picture, bool premultiply)
{
    imageWidth = picture.width;
    imageHeight = picture.height;
    return toDisplayBitmap(picture, blackBackground, premultiply);
}

HBITMAP decodeQdl(const char16_t* path)
{
    Picture picture;
    if (loadQdlFile(path, picture) != qdlDecoded)
        return nullptr;
    // The composition flattens the picture onto black as the screen shows it.
    if (anaglyphView)
        composeAnaglyph(picture, path);
    return publishPicture(picture, true);
}

HBITMAP decodeTga(const char16_t* path)
{
    Picture picture;
    readTgaImage(path, picture);
    if (!picture.holdsImage())
        return nullptr;
    // TGA pictures are 24 bits or opaque 32 bits, which the composition
    // takes as they are.
    if (anaglyphView)
        composeAnaglyph(picture, path);
    return publishPicture(picture, false);
}

HBITMAP decodeThroughWic(const char16_t* path, WicTarget target)
{
    const Picture picture = decodeWithWic(path, target);
    if (!picture.holdsImage()) {
        imageOrientation = 1;  // the next road reports its own
        return nullptr;
    }
    return toDisplayBitmap(picture, blackBackground, true);
}

HBITMAP decodeWebp(const char16_t* path)
{
    HBITMAP bitmap = decodeThroughWic(path, WicTarget::bgra32);
    if (!bitmap) {
        const Picture picture = readWebpFile(path);
        if (picture.holdsImage())
            bitmap = publishPicture(picture, true);
    }
    // Without an editor the converter shipped beside the viewer still serves.
    if (!bitmap)
        bitmap = decodeWithWebpConverter(path);
    // Every road delivers the first frame as stored; the EXIF chunk says how
    // it stands.
    if (bitmap)
        imageOrientation = static_cast<uint8_t>(readFileOrientation(path));
    return bitmap;
}

// Windows without the Store's HEVC extension, and Wine, have no HEIC
// decoder in the imaging component; the viewer's own takes over.
HBITMAP decodeHeic(const char16_t* path)
{
    if (HBITMAP bitmap = decodeThroughWic(path, WicTarget::rgb24))
        return bitmap;
    Picture picture;
    readHeifImage(path, picture);
    if (!picture.holdsImage())
        return nullptr;
    return toDisplayBitmap(picture, blackBackground, true);
}

// Windows without the Store's AV1 extension, and Wine, have no AVIF decoder
// in the imaging component; libheif with dav1d takes over. Alpha is kept as
// the imaging component's 32-bit target keeps it.
HBITMAP decodeAvif(const char16_t* path)
{
    if (HBITMAP bitmap = decodeThroughWic(path, WicTarget::bgra32))
        return bitmap;
    Picture picture;
    readHeifImage(path, picture, HeifAlpha::kept);
    if (!picture.holdsImage())
        return nullptr;
    return toDisplayBitmap(picture, blackBackground, true);
}

// Windows without the Store's JPEG XL extension, and Wine, have no JPEG XL
// decoder in the imaging component; the viewer's own takes over.
HBITMAP decodeJxl(const char16_t* path)
{
    if (HBITMAP bitmap = decodeThroughWic(path, WicTarget::bgra32))
        return bitmap;
    Picture picture;
    readJxlImage(path, picture);
    if (!picture.holdsImage())
        return nullptr;
    return toDisplayBitmap(picture, blackBackground, true);
}

HBITMAP decodeByExtension(const char16_t* path, ExtensionClass extension)
{
    switch (extension) {
    case ExtensionClass::qdl: return decodeQdl(path);
    case ExtensionClass::tga: return decodeTga(path);
    case ExtensionClass::heic: return decodeHeic(path);
    case ExtensionClass::webp: return decodeWebp(path);
    case ExtensionClass::avif: return decodeAvif(path);
    // Windows has decoded JPEG XR in its imaging component since Windows 7;
    // Wine does with Debian's libjxr0.
    case ExtensionClass::jxr: return decodeThroughWic(path, WicTarget::bgra32);
    case ExtensionClass::jxl: return decodeJxl(path);
    case ExtensionClass::dng:
    case ExtensionClass::cr2:
    case ExtensionClass::cr3:
    case ExtensionClass::nef:
    case ExtensionClass::nrw:
    case ExtensionClass::arw:
    case ExtensionClass::orf:
    case ExtensionClass::rw2:
    case ExtensionClass::raf:
    case ExtensionClass::pef:
    case ExtensionClass::srw: return decodeRawPreviewFile(path);
    case ExtensionClass::embeddedProfile:
        // The one-shot retry after a failed transform stays with GDI+ and
        // its ICM. Of what libjpeg-turbo refuses only the kinds it does not
        // take go on to GDI+, which has no limit of its own.
        if (isJpegName(path) && !forceGdiplusIcm) {
            HBITMAP bitmap = nullptr;
            if (!passesToPlatformDecoder(decodeJpegFile(path, bitmap)))
                return bitmap;
        }
        [[fallthrough]];
    case ExtensionClass::other:
        // GDI+ would claim whatever the header asks for, and picks its
        // decoder by the content, so the check reads the content too.
        if (headerRefusesPicture(path))
            return nullptr;
        return decodeWithGdiplus(path, gdiplusAppliesIcm(extension, colorManagement, forceGdiplusIcm));
    }
    return nullptr;
}

}  // namespace

HBITMAP decodeImageFile(const char16_t* path)
{
    imageWidth = 0;
    imageHeight = 0;
    imageOrientation = 1;
    const ExtensionClass extension = extensionClassOf(path);
    skipEmbeddedProfile = skipsEmbeddedProfile(extension);
    HBITMAP bitmap = decodeByExtension(path, extension);
    // The decoders publish the size as stored; everything after sees it
    // upright, the fit included.
    turnSides(orientationFromExif(imageOrientation), imageWidth, imageHeight);
    fitToScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return bitmap;
}
