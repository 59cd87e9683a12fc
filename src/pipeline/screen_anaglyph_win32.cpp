#include "pipeline/screen_anaglyph_win32.h"

#include <cstring>

#include "decode/dib/dib_reader.h"
#include "picture/anaglyph.h"
#include "picture/display_bitmap_win32.h"
#include "picture/orientation_turn.h"
#include "picture/picture.h"
#include "picture/pixel_array_limit.h"
#include "pipeline/gdi_handles_win32.h"
#include "state/decode_results.h"

namespace {

// The bitmap's pixels as a 32-bit bottom-up packed DIB, or an empty picture.
Picture readBack(HBITMAP bitmap, int32_t width, int32_t height)
{
    Picture picture;
    const uint64_t rowBytes = uint64_t{4} * static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
    if (width <= 0 || height <= 0 || rowBytes > maxPixelArrayBytes)
        return picture;
    const size_t size = sizeof(BITMAPINFOHEADER) + static_cast<size_t>(rowBytes);
    ByteArray dib = allocateBytes(size);
    if (!dib)
        return picture;
    const BITMAPINFOHEADER header = screenDibHeader(width, height);
    std::memcpy(dib.get(), &header, sizeof header);
    // The bitmap must not be selected into a context while GetDIBits reads it.
    MemoryContext context;
    const int lines = GetDIBits(context.get(), bitmap, 0, static_cast<UINT>(height), dib.get() + sizeof header,
                                reinterpret_cast<BITMAPINFO*>(dib.get()), DIB_RGB_COLORS);
    if (lines != height)
        return picture;
    if (pictureFromDib(dib.get(), size, picture) != dibConverted)
        picture.clear();
    return picture;
}

}  // namespace

HBITMAP composeScreenAnaglyph(HBITMAP decoded, const char16_t* path)
{
    // The bitmap may be a reduced decode: read all of it, and publish the
    // composed width of the full picture, as for a full decode.
    const SIZE decodedSize = bitmapSize(decoded);
    Picture picture = readBack(decoded, decodedSize.cx, decodedSize.cy);
    if (!picture.holdsImage())
        return nullptr;
    // Composed as the screen shows it: transparent pixels stay black.
    markReadBackTransparency(picture);
    composeAnaglyph(picture, path);
    HBITMAP composed = toDisplayBitmap(picture, 0, true);
    if (composed) {
        // The pair lies side by side as stored, whichever way the picture
        // is shown: the stored width narrows, then the size is turned again.
        const Orientation orientation = orientationFromExif(imageOrientation);
        int32_t width = imageWidth, height = imageHeight;
        turnSides(orientation, width, height);
        width = composedWidth(chooseStereoLayout(path, width), width);
        turnSides(orientation, width, height);
        imageWidth = width;
        imageHeight = height;
    }
    return composed;
}
