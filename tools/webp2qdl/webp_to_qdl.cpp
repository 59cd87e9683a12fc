#include "webp_to_qdl.h"

#include "decode/qdl/qdl_writer.h"
#include "decode/libraries/webp_first_frame.h"

namespace {

// The file is temporary: written once, read once by the viewer and deleted,
// so the encoding that is quickest to write and read wins, not the smallest.
// Measured with bench/qdl_encoding_bench on 4096 x 4096 photographs and
// drawings: plain beats every run-length and colour-group compression.
constexpr int converterCompression = 0;

}  // namespace

bool convertWebpToQdl(const uint8_t* data, size_t size, uint64_t maxPixels, std::vector<uint8_t>& qdl,
                      std::string& error)
{
    qdl.clear();
    Picture picture;
    switch (decodeFirstWebpFrame(data, size, maxPixels, picture)) {
    case WebpFrameResult::decoded:
        break;
    case WebpFrameResult::notWebp:
        error = "is not a WebP file";
        return false;
    case WebpFrameResult::corrupt:
        error = "is truncated or corrupt";
        return false;
    case WebpFrameResult::tooLarge:
        error = "has a picture of more than " + std::to_string(maxPixels) + " pixels";
        return false;
    case WebpFrameResult::outOfMemory:
        error = "cannot be decoded: not enough memory";
        return false;
    }
    switch (writeQdlImage(picture, naturalQdlPixelType(picture), converterCompression, qdl)) {
    case QdlWriteResult::written:
        return true;
    case QdlWriteResult::outOfMemory:
        error = "cannot be written as QDL: not enough memory";
        return false;
    default:
        error = "cannot be written as QDL";
        return false;
    }
}
