// Test pictures written in every format the viewer reads: GDI+'s encoders for
// BMP, GIF, JPEG, PNG and TIFF, the project's own writers for QDL and TGA.
// Each is one colour, or two colours side by side (a stereo pair's halves).
#pragma once

#include <windows.h>
// gdiplus.h needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "decode/qdl/qdl_writer.h"
#include "picture/picture.h"
#include "tga_fixtures.h"

struct Rgb {
    uint8_t red, green, blue;
};

// GDI+ keeps running for the whole test program.
inline void startGdiplusOnce()
{
    static ULONG_PTR token = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
}

inline bool encoderFor(const wchar_t* mimeType, CLSID& clsid)
{
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::vector<uint8_t> memory(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(memory.data());
    if (bytes == 0 || Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(encoders[i].MimeType) == mimeType) {
            clsid = encoders[i].Clsid;
            return true;
        }
    return false;
}

// The left half of a width x height picture is left, the right half right.
inline Picture twoColourPicture(int32_t width, int32_t height, Rgb left, Rgb right)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = 24;
    picture.pixels = allocateBytes(size_t(3) * width * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Rgb c = x < width / 2 ? left : right;
            uint8_t* p = picture.pixels.get() + 3 * (size_t(y) * width + x);
            p[0] = c.red;
            p[1] = c.green;
            p[2] = c.blue;
        }
    return picture;
}

inline bool writeBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

// GIF through GDI+ needs an indexed bitmap; the picture's first pixel and its
// last pixel give the two palette entries.
inline bool writeTwoColourGif(const std::wstring& path, const Picture& picture, const CLSID& clsid)
{
    Gdiplus::Bitmap bitmap(picture.width, picture.height, PixelFormat8bppIndexed);
    const uint8_t* first = picture.pixels.get();
    const uint8_t* last = first + 3 * (size_t(picture.width) * picture.height - 1);
    std::vector<uint8_t> memory(sizeof(Gdiplus::ColorPalette) + sizeof(Gdiplus::ARGB));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(memory.data());
    palette->Flags = 0;
    palette->Count = 2;
    palette->Entries[0] = Gdiplus::Color::MakeARGB(255, first[0], first[1], first[2]);
    palette->Entries[1] = Gdiplus::Color::MakeARGB(255, last[0], last[1], last[2]);
    bitmap.SetPalette(palette);
    Gdiplus::BitmapData data;
    Gdiplus::Rect all(0, 0, picture.width, picture.height);
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat8bppIndexed, &data) != Gdiplus::Ok)
        return false;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = first + 3 * (size_t(y) * picture.width + x);
            static_cast<uint8_t*>(data.Scan0)[y * data.Stride + x] = std::equal(p, p + 3, first) ? 0 : 1;
        }
    bitmap.UnlockBits(&data);
    return bitmap.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

// Writes the picture to path in the format its extension names (.bmp .gif
// .jpg .png .tif .qdl .tga).
inline bool writeTestImage(const std::wstring& path, const Picture& picture)
{
    const std::wstring extension = path.substr(path.rfind(L'.') + 1);
    if (extension == L"qdl") {
        std::vector<uint8_t> bytes;
        return writeQdlImage(picture, 4, 0, bytes) == QdlWriteResult::written && writeBytes(path, bytes);
    }
    if (extension == L"tga") {
        Bytes rows;
        // Bottom-up rows of B, G, R.
        for (int32_t y = picture.height - 1; y >= 0; --y)
            for (int32_t x = 0; x < picture.width; ++x) {
                const uint8_t* p = picture.pixels.get() + 3 * (size_t(y) * picture.width + x);
                rows.insert(rows.end(), {p[2], p[1], p[0]});
            }
        return writeBytes(path, tgaFile(2, uint16_t(picture.width), uint16_t(picture.height), 24, rows));
    }
    const wchar_t* mime = extension == L"bmp" ? L"image/bmp"
                          : extension == L"gif" ? L"image/gif"
                          : extension == L"jpg" ? L"image/jpeg"
                          : extension == L"png" ? L"image/png"
                                                : L"image/tiff";
    startGdiplusOnce();
    CLSID clsid;
    if (!encoderFor(mime, clsid))
        return false;
    if (extension == L"gif")
        return writeTwoColourGif(path, picture, clsid);
    // GDI+ wants B, G, R rows padded to 4 bytes.
    const int32_t stride = (picture.width * 3 + 3) & ~3;
    std::vector<uint8_t> rows(size_t(stride) * picture.height);
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.pixels.get() + 3 * (size_t(y) * picture.width + x);
            uint8_t* d = rows.data() + size_t(y) * stride + 3 * x;
            d[0] = p[2];
            d[1] = p[1];
            d[2] = p[0];
        }
    Gdiplus::Bitmap bitmap(picture.width, picture.height, stride, PixelFormat24bppRGB, rows.data());
    return bitmap.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}
