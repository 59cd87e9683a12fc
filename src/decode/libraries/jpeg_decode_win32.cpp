#include "decode/libraries/jpeg_decode_win32.h"

#include "state/viewer_options.h"
#include "state/decode_results.h"
#include "decode/common/file_contents.h"
#include "decode/libraries/decode_target_win32.h"
#include "decode/headers/exif_orientation.h"
#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"

JpegDecodeResult decodeJpegFile(const char16_t* path, HBITMAP& bitmap)
{
    bitmap = nullptr;
    FileContents contents;
    switch (readFileContents(path, contents)) {
    case FileReadResult::ok: break;
    case FileReadResult::cannotOpen: return JpegDecodeResult::corrupt;
    case FileReadResult::outOfMemory: return JpegDecodeResult::tooLarge;
    }
    const uint8_t* bytes = contents.data();
    const size_t size = contents.size();
    JpegHeader header;
    JpegDecodeResult result = decodeJpeg(bytes, size, header, nullptr);
    Orientation orientation = Orientation::upright;
    if (result == JpegDecodeResult::decoded) {
        HeaderSource source = memorySource(bytes, size);
        orientation = readExifOrientation(source);
        JpegRows rows{};
        rows.eighths = chooseJpegScale(header.width, header.height, header.kind, GetSystemMetrics(SM_CXSCREEN),
                                       GetSystemMetrics(SM_CYSCREEN), anaglyphView ? path : nullptr, orientation);
        bitmap = createDecodeTarget(jpegScaledSide(header.width, rows.eighths),
                                    jpegScaledSide(header.height, rows.eighths), rows);
        result = bitmap ? decodeJpeg(bytes, size, header, &rows) : JpegDecodeResult::tooLarge;
        if (bitmap && result != JpegDecodeResult::decoded) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    if (!passesToPlatformDecoder(result)) {
        imageWidth = header.width;
        imageHeight = header.height;
    }
    if (result == JpegDecodeResult::decoded)
        imageOrientation = static_cast<uint8_t>(orientation);
    return result;
}
