#include "pipeline/gdi_handles_win32.h"

std::atomic<int32_t> liveScreenGdiObjects{0};

BITMAPINFOHEADER screenDibHeader(int32_t width, int32_t height)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

HBITMAP createScreenDib(int32_t width, int32_t height, void** bits)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = screenDibHeader(width, height);
    void* rows = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &rows, nullptr, 0);
    if (bitmap)
        ++liveScreenGdiObjects;
    if (bits)
        *bits = bitmap ? rows : nullptr;
    return bitmap;
}

SIZE bitmapSize(HBITMAP bitmap)
{
    BITMAP record{};
    if (!bitmap || GetObjectW(bitmap, sizeof record, &record) == 0)
        return {0, 0};
    return {record.bmWidth, record.bmHeight < 0 ? -record.bmHeight : record.bmHeight};
}

void deleteScreenDib(HBITMAP& bitmap)
{
    if (!bitmap)
        return;
    DeleteObject(bitmap);
    --liveScreenGdiObjects;
    bitmap = nullptr;
}

HBITMAP adoptBitmap(HBITMAP made)
{
    if (made)
        ++liveScreenGdiObjects;
    return made;
}

MemoryContext::MemoryContext()
{
    HDC screen = GetDC(nullptr);
    context_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (context_)
        ++liveScreenGdiObjects;
}

MemoryContext::~MemoryContext()
{
    if (!context_)
        return;
    if (original_)
        SelectObject(context_, original_);
    DeleteDC(context_);
    --liveScreenGdiObjects;
}

void MemoryContext::select(HGDIOBJ object)
{
    if (!context_ || !object)
        return;
    HGDIOBJ previous = SelectObject(context_, object);
    if (!original_)
        original_ = previous;
}
