#include "decode/libraries/raw_preview_win32.h"

#include "decode/common/file_contents.h"
#include "decode/libraries/decode_target_win32.h"
#include "decode/libraries/jpeg_scale.h"
#include "decode/libraries/raw_preview_reader.h"
#include "state/decode_results.h"
#include "state/viewer_options.h"

HBITMAP decodeRawPreviewFile(const char16_t* path)
{
    RawPreview preview;
    {
        // The preview is copied out; the camera file is let go before decoding.
        FileContents contents;
        if (readFileContents(path, contents) != FileReadResult::ok ||
            !extractRawPreview(contents.data(), contents.size(), preview))
            return nullptr;
    }
    int32_t fullWidth = 0;
    int32_t fullHeight = 0;
    rawPreviewUprightSize(preview, jpegFullScaleEighths, fullWidth, fullHeight);
    JpegRows rows{};
    rows.eighths = preview.kind == RawPreviewKind::jpeg
                       ? chooseJpegScale(fullWidth, fullHeight, preview.jpegKind, GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN), anaglyphView ? path : nullptr)
                       : jpegFullScaleEighths;
    int32_t width = 0;
    int32_t height = 0;
    rawPreviewUprightSize(preview, rows.eighths, width, height);
    HBITMAP bitmap = createDecodeTarget(width, height, rows);
    if (!bitmap)
        return nullptr;
    if (!decodeRawPreview(preview, rows)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    imageWidth = fullWidth;
    imageHeight = fullHeight;
    return bitmap;
}
