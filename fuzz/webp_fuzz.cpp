// libFuzzer target for the WebP converter's decode-and-write path: libwebp's
// demux and decoder on untrusted bytes, the canvas limit, the picture built
// from the canvas and the smallest QDL file of it. Besides memory errors it
// checks the converter's promises: a failure leaves no output, a success a
// QDL file that the viewer's reader takes back at the canvas size.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "decode/qdl_reader.h"
#include "webp_to_qdl.h"

namespace {

// Small enough that the encoders' passes over a canvas stay fast.
constexpr uint64_t fuzzCanvasPixelLimit = 1 << 20;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> qdl;
    std::string error;
    if (!convertWebpToQdl(data, size, fuzzCanvasPixelLimit, qdl, error)) {
        require(qdl.empty() && !error.empty());
        return 0;
    }
    Picture picture;
    require(parseQdlImage(picture, qdl.data(), qdl.size()) == qdlDecoded);
    require(picture.width > 0 && picture.height > 0);
    require(static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height) <= fuzzCanvasPixelLimit);
    require(picture.bitsPerPixel == 24 || (picture.bitsPerPixel == 32 && picture.hasTransparency()));
    return 0;
}
