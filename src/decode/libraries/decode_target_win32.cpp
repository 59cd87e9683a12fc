#include "decode/libraries/decode_target_win32.h"

#include <atomic>

namespace {

// Both exchanged atomically, so that a decode on another thread never takes
// a bitmap twice.
std::atomic<HBITMAP> spareTarget{nullptr};
// The bitmap made or taken last here. GetObject does not tell a top-down DIB
// section from a bottom-up one, so only this one is known to fit as a spare.
std::atomic<HBITMAP> lastTarget{nullptr};

// The pixel rows of a 32-bit uncompressed DIB section, with its size; null
// for any other bitmap.
void* rowsOf(HBITMAP bitmap, int32_t& width, int32_t& height)
{
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof section, &section) != sizeof section || section.dsBm.bmBitsPixel != 32 ||
        section.dsBmih.biCompression != BI_RGB)
        return nullptr;
    width = section.dsBm.bmWidth;
    height = section.dsBm.bmHeight;
    return section.dsBm.bmBits;
}

HBITMAP takeSpareTarget(int32_t width, int32_t height, void*& bits)
{
    HBITMAP spare = spareTarget.exchange(nullptr);
    if (!spare)
        return nullptr;
    int32_t spareWidth = 0;
    int32_t spareHeight = 0;
    bits = rowsOf(spare, spareWidth, spareHeight);
    if (bits && spareWidth == width && spareHeight == height)
        return spare;
    DeleteObject(spare);
    return nullptr;
}

}  // namespace

HBITMAP createDecodeTarget(int32_t width, int32_t height, JpegRows& rows)
{
    void* bits = nullptr;
    HBITMAP bitmap = takeSpareTarget(width, height, bits);
    if (!bitmap) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap || !bits) {
            if (bitmap)
                DeleteObject(bitmap);
            return nullptr;
        }
    }
    lastTarget = bitmap;
    const ptrdiff_t stride = ptrdiff_t{4} * width;
    rows.firstRow = static_cast<uint8_t*>(bits) + (height - 1) * stride;
    rows.stride = -stride;
    rows.width = width;
    rows.height = height;
    return bitmap;
}

void recycleDecodeTarget(HBITMAP bitmap)
{
    if (!bitmap)
        return;
    HBITMAP made = bitmap;
    int32_t width = 0;
    int32_t height = 0;
    if (!lastTarget.compare_exchange_strong(made, nullptr) || !rowsOf(bitmap, width, height) ||
        uint64_t{4} * uint64_t(width) * uint64_t(height) > maxSpareTargetBytes) {
        DeleteObject(bitmap);
        return;
    }
    if (HBITMAP earlier = spareTarget.exchange(bitmap))
        DeleteObject(earlier);
}

void releaseSpareDecodeTarget()
{
    if (HBITMAP spare = spareTarget.exchange(nullptr))
        DeleteObject(spare);
}
