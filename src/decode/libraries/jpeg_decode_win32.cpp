#include "decode/libraries/jpeg_decode_win32.h"

#include "state/viewer_options.h"
#include "state/decode_results.h"
#include "decode/common/file_bytes.h"
#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"

namespace {

// A 32-bit bottom-up DIB section whose rows libjpeg fills directly; the
// JpegRows describe it top row first.
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

}  // namespace

JpegDecodeResult decodeJpegFile(const char16_t* path, HBITMAP& bitmap)
{
    bitmap = nullptr;
    ByteArray bytes;
    size_t size = 0;
    switch (readFileBytes(path, bytes, size)) {
    case FileReadResult::ok: break;
    case FileReadResult::cannotOpen: return JpegDecodeResult::corrupt;
    case FileReadResult::outOfMemory: return JpegDecodeResult::tooLarge;
    }
    JpegHeader header;
    JpegDecodeResult result = decodeJpeg(bytes.get(), size, header, nullptr);
    if (result == JpegDecodeResult::decoded) {
        JpegRows rows{};
        rows.eighths = chooseJpegScale(header.width, header.height, GetSystemMetrics(SM_CXSCREEN),
                                       GetSystemMetrics(SM_CYSCREEN), anaglyphView ? path : nullptr);
        bitmap = createDecodeTarget(jpegScaledSide(header.width, rows.eighths),
                                    jpegScaledSide(header.height, rows.eighths), rows);
        result = bitmap ? decodeJpeg(bytes.get(), size, header, &rows) : JpegDecodeResult::tooLarge;
        if (bitmap && result != JpegDecodeResult::decoded) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    if (!passesToPlatformDecoder(result)) {
        imageWidth = header.width;
        imageHeight = header.height;
    }
    return result;
}
