// libFuzzer target for WebP decoding with libwebp, as the viewer does it
// before any converter and as the converter program does: the demuxer and
// decoder on untrusted bytes, the canvas bound, the picture built from the
// first frame, and the converter's QDL file of it. Besides memory errors it
// checks the promises: a failure leaves no picture and no output, a success
// an opaque 24-bit or a transparent 32-bit picture within the pixel limit,
// and a QDL file that the viewer's reader takes back to the same picture.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decode/qdl/qdl_reader.h"
#include "decode/libraries/webp_first_frame.h"
#include "webp_to_qdl.h"

namespace {

// Small enough that the passes over a canvas stay fast.
constexpr uint64_t fuzzPixelLimit = 1 << 20;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Picture decoded;
    const WebpFrameResult result = decodeFirstWebpFrame(data, size, fuzzPixelLimit, decoded);
    std::vector<uint8_t> qdl;
    std::string error;
    const bool converted = convertWebpToQdl(data, size, fuzzPixelLimit, qdl, error);
    require(converted == (result == WebpFrameResult::decoded));
    if (!converted) {
        require(!decoded.holdsImage() && qdl.empty() && !error.empty());
        return 0;
    }
    require(decoded.width > 0 && decoded.height > 0);
    require(static_cast<uint64_t>(decoded.width) * static_cast<uint64_t>(decoded.height) <= fuzzPixelLimit);
    require(decoded.bitsPerPixel == 24 || (decoded.bitsPerPixel == 32 && decoded.hasTransparency()));
    Picture read;
    require(parseQdlImage(read, qdl.data(), qdl.size()) == qdlDecoded);
    require(read.width == decoded.width && read.height == decoded.height &&
            read.bitsPerPixel == decoded.bitsPerPixel);
    require(std::memcmp(read.pixels.get(), decoded.pixels.get(), static_cast<size_t>(decoded.pixelBytes())) == 0);
    return 0;
}
