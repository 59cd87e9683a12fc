#include "decode/libraries/decode_target_win32.h"

HBITMAP createDecodeTarget(int32_t width, int32_t height, JpegRows& rows)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    const ptrdiff_t stride = ptrdiff_t{4} * width;
    rows.firstRow = static_cast<uint8_t*>(bits) + (height - 1) * stride;
    rows.stride = -stride;
    rows.width = width;
    rows.height = height;
    return bitmap;
}
