// The DIB section made from a packed DIB. Depths with a colour table get a
// logical palette realised in the screen context while the section is made.

#include "picture/display_bitmap_win32.h"

#include <cstring>

namespace {

// Entries of the colour table that follows the header.
UINT colourTableEntries(const BITMAPINFOHEADER& header)
{
    if (header.biClrUsed > 0)
        return header.biClrUsed;
    switch (header.biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

// A logical palette with the table's colours, or null.
HPALETTE createTablePalette(const RGBQUAD* table, UINT entries)
{
    const size_t bytes = sizeof(LOGPALETTE) + (entries - 1) * sizeof(PALETTEENTRY);
    ByteArray memory = allocateBytes(bytes);
    if (!memory)
        return nullptr;
    auto* logical = reinterpret_cast<LOGPALETTE*>(memory.get());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries);
    for (UINT i = 0; i < entries; ++i) {
        PALETTEENTRY& e = logical->palPalEntry[i];
        e.peRed = table[i].rgbRed;
        e.peGreen = table[i].rgbGreen;
        e.peBlue = table[i].rgbBlue;
        e.peFlags = 0;
    }
    return CreatePalette(logical);
}

}  // namespace

HBITMAP toDisplayBitmap(const Picture& picture, uint32_t background, bool premultiply)
{
    const ByteArray dib = picture.toPackedDib(background, premultiply);
    if (!dib)
        return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.get(), sizeof header);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.get());

    const UINT entries = colourTableEntries(header);
    HPALETTE palette = entries > 0 ? createTablePalette(info->bmiColors, entries) : nullptr;

    HDC screen = GetDC(nullptr);
    HPALETTE previousPalette = nullptr;
    if (palette) {
        previousPalette = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }

    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section && bits) {
        const size_t rowsOffset = sizeof header + picture.paletteBytes();
        std::memcpy(bits, dib.get() + rowsOffset,
                    static_cast<size_t>(picture.packedDibSize()) - rowsOffset);
    }

    if (previousPalette)
        SelectPalette(screen, previousPalette, FALSE);
    ReleaseDC(nullptr, screen);
    if (palette)
        DeleteObject(palette);
    return section;
}
