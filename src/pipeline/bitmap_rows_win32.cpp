#include "pipeline/bitmap_rows_win32.h"

#include <cstring>

#include "decode/pixel_array_limit.h"
#include "pipeline/gdi_handles_win32.h"

namespace {

bool plainBgrLayout(const DIBSECTION& section)
{
    if (section.dsBmih.biCompression == BI_RGB)
        return true;
    return section.dsBmih.biCompression == BI_BITFIELDS && section.dsBitfields[0] == 0xFF0000 &&
           section.dsBitfields[1] == 0xFF00 && section.dsBitfields[2] == 0xFF;
}

// GetObject reports a section's height without its sign, so the row order
// is found by looking: flip the blue bits of the first stored pixel and see
// whether the top-left pixel as GDI reads it changes.
bool firstStoredRowIsTop(HBITMAP bitmap, uint8_t* firstStored)
{
    MemoryContext context;
    context.select(bitmap);
    const COLORREF before = GetPixel(context.get(), 0, 0);
    firstStored[0] ^= 0xFF;
    GdiFlush();
    const COLORREF after = GetPixel(context.get(), 0, 0);
    firstStored[0] ^= 0xFF;
    return before != after;
}

}  // namespace

bool readBitmapRows(HBITMAP bitmap, ConstPixelRows& rows, ByteArray& copy)
{
    GdiFlush();
    DIBSECTION section{};
    const int described = GetObjectW(bitmap, sizeof section, &section);
    if (described != sizeof section && described != sizeof(BITMAP))
        return false;
    const int32_t width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > maxPicturePixels)
        return false;
    const ptrdiff_t rowBytes = ptrdiff_t(4) * width;
    if (described == sizeof section && section.dsBm.bmBits && section.dsBm.bmBitsPixel == 32 &&
        plainBgrLayout(section)) {
        auto* stored = static_cast<uint8_t*>(section.dsBm.bmBits);
        const ptrdiff_t stride = section.dsBm.bmWidthBytes;
        if (height == 1 || firstStoredRowIsTop(bitmap, stored))
            rows = {stored, stride, width, height};
        else
            rows = {stored + stride * (height - 1), -stride, width, height};
        return true;
    }
    const uint64_t bytes = uint64_t(rowBytes) * uint64_t(height);
    if (bytes > maxPixelArrayBytes)
        return false;
    copy = allocateBytes(size_t(bytes));
    if (!copy)
        return false;
    BITMAPINFO info{};
    info.bmiHeader = screenDibHeader(width, -height);
    MemoryContext context;
    if (GetDIBits(context.get(), bitmap, 0, UINT(height), copy.get(), &info, DIB_RGB_COLORS) != height)
        return false;
    rows = {copy.get(), rowBytes, width, height};
    return true;
}
