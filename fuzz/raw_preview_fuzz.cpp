// libFuzzer target for the camera RAW reader: LibRaw's parsers on untrusted
// bytes, then the preview's decode and turn. Besides memory errors it checks
// the reader's promises: a preview is a JPEG or an 8-bit bitmap within the
// pixel limit, and its upright size is its stored size, swapped when turned
// sideways.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "decode/libraries/jpeg_scale.h"
#include "decode/libraries/raw_preview_reader.h"
#include "published_picture.h"

namespace {

// Small enough that the decoded preview and its turn stay well inside the
// fuzzer's memory limit under AddressSanitizer.
constexpr uint64_t fuzzPixelLimit = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RawPreview preview;
    if (!extractRawPreview(data, size, preview, fuzzPixelLimit)) {
        require(preview.kind == RawPreviewKind::none && !preview.bytes);
        return 0;
    }
    require(preview.kind == RawPreviewKind::jpeg || preview.kind == RawPreviewKind::bitmap);
    require(preview.width > 0 && preview.height > 0);
    require(uint64_t(preview.width) * uint64_t(preview.height) <= fuzzPixelLimit);
    require(preview.kind == RawPreviewKind::jpeg || preview.colours == 1 || preview.colours == 3);
    // The scale follows the input, so that each one is tried.
    const int eighths = 1 + int(size % jpegFullScaleEighths);
    int32_t width = 0, height = 0;
    rawPreviewUprightSize(preview, eighths, width, height);
    const int scale = preview.kind == RawPreviewKind::jpeg ? eighths : jpegFullScaleEighths;
    const int32_t storedWidth = jpegScaledSide(preview.width, scale);
    const int32_t storedHeight = jpegScaledSide(preview.height, scale);
    require(width == (swapsSides(preview.orientation) ? storedHeight : storedWidth));
    require(height == (swapsSides(preview.orientation) ? storedWidth : storedHeight));
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    const JpegRows rows{pixels.data(), ptrdiff_t{4} * width, width, height, eighths};
    decodeRawPreview(preview, rows);
    return 0;
}
