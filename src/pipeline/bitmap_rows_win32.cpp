#include "pipeline/bitmap_rows_win32.h"

#include <cstring>

#include "picture/pixel_array_limit.h"
#include "pipeline/gdi_handles_win32.h"

namespace {

enum class RowOrder { topDown, bottomUp, unknown };

bool readableInPlace(const DIBSECTION& section)
{
    if (!section.dsBm.bmBits)
        return false;
    switch (section.dsBm.bmBitsPixel) {
    case 32:
        return section.dsBmih.biCompression == BI_RGB ||
               (section.dsBmih.biCompression == BI_BITFIELDS && section.dsBitfields[0] == 0xFF0000 &&
                section.dsBitfields[1] == 0xFF00 && section.dsBitfields[2] == 0xFF);
    case 24:
    case 8:
    case 1: return section.dsBmih.biCompression == BI_RGB;
    default: return false;
    }
}

// GetObject reports a section's height without its sign, so the row order
// is found by looking: invert the first stored byte and see whether the
// top-left pixel as GDI reads it changes. An indexed section whose table
// gives both indices one colour leaves the order unknown.
RowOrder storedRowOrder(HDC context, uint8_t* firstStored, int32_t height)
{
    const COLORREF before = GetPixel(context, 0, 0);
    const COLORREF bottomBefore = GetPixel(context, 0, height - 1);
    firstStored[0] ^= 0xFF;
    GdiFlush();
    const COLORREF after = GetPixel(context, 0, 0);
    const COLORREF bottomAfter = GetPixel(context, 0, height - 1);
    firstStored[0] ^= 0xFF;
    if (before != after)
        return RowOrder::topDown;
    return bottomBefore != bottomAfter ? RowOrder::bottomUp : RowOrder::unknown;
}

// The section's own memory; false when its row order cannot be told.
bool readInPlace(HBITMAP bitmap, const DIBSECTION& section, BitmapRows& out)
{
    const int32_t width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
    const int32_t depth = section.dsBm.bmBitsPixel;
    auto* stored = static_cast<uint8_t*>(section.dsBm.bmBits);
    const ptrdiff_t stride = section.dsBm.bmWidthBytes;
    MemoryContext context;
    context.select(bitmap);
    if (depth <= 8) {
        RGBQUAD table[256] = {};
        const UINT entries = GetDIBColorTable(context.get(), 0, 256, table);
        if (entries == 0)
            return false;
        std::memcpy(out.colours, table, sizeof table);
    }
    const RowOrder order = height == 1 ? RowOrder::topDown : storedRowOrder(context.get(), stored, height);
    if (order == RowOrder::unknown)
        return false;
    if (order == RowOrder::topDown)
        out.rows = {stored, stride, width, height, depth, out.colours};
    else
        out.rows = {stored + stride * (height - 1), -stride, width, height, depth, out.colours};
    return true;
}

bool readCopy(HBITMAP bitmap, int32_t width, int32_t height, BitmapRows& out)
{
    const uint64_t rowBytes = uint64_t(4) * uint64_t(width);
    if (rowBytes * uint64_t(height) > maxPixelArrayBytes)
        return false;
    out.copy = allocateBytes(size_t(rowBytes * uint64_t(height)));
    if (!out.copy)
        return false;
    BITMAPINFO info{};
    info.bmiHeader = screenDibHeader(width, -height);
    MemoryContext context;
    if (GetDIBits(context.get(), bitmap, 0, UINT(height), out.copy.get(), &info, DIB_RGB_COLORS) != height)
        return false;
    out.rows = {out.copy.get(), ptrdiff_t(rowBytes), width, height};
    return true;
}

}  // namespace

bool readBitmapRows(HBITMAP bitmap, BitmapRows& out)
{
    GdiFlush();
    DIBSECTION section{};
    const int described = GetObjectW(bitmap, sizeof section, &section);
    if (described != sizeof section && described != sizeof(BITMAP))
        return false;
    const int32_t width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > maxPicturePixels)
        return false;
    if (described == sizeof section && readableInPlace(section) && readInPlace(bitmap, section, out))
        return true;
    return readCopy(bitmap, width, height, out);
}
