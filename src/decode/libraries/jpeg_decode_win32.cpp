#include "decode/libraries/jpeg_decode_win32.h"

#include "state/viewer_options.h"
#include "state/decode_results.h"
#include "decode/common/file_bytes.h"
#include "decode/libraries/decode_target_win32.h"
#include "decode/headers/exif_orientation.h"
#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"

HBITMAP decodeJpegFile(const char16_t* path)
{
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(path, bytes, size) != FileReadResult::ok)
        return nullptr;
    JpegHeader header;
    if (decodeJpeg(bytes.get(), size, header, nullptr) != JpegDecodeResult::decoded)
        return nullptr;
    HeaderSource source = memorySource(bytes.get(), size);
    const Orientation orientation = readExifOrientation(source);
    JpegRows rows{};
    rows.eighths = chooseJpegScale(header.width, header.height, GetSystemMetrics(SM_CXSCREEN),
                                   GetSystemMetrics(SM_CYSCREEN), anaglyphView ? path : nullptr, orientation);
    HBITMAP bitmap = createDecodeTarget(jpegScaledSide(header.width, rows.eighths),
                                        jpegScaledSide(header.height, rows.eighths), rows);
    if (!bitmap)
        return nullptr;
    if (decodeJpeg(bytes.get(), size, header, &rows) != JpegDecodeResult::decoded) {
        DeleteObject(bitmap);
        return nullptr;
    }
    imageWidth = header.width;
    imageHeight = header.height;
    imageOrientation = static_cast<uint8_t>(orientation);
    return bitmap;
}
