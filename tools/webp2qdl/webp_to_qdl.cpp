#include "webp_to_qdl.h"

#include "decode/qdl_smallest.h"
#include "webp_first_frame.h"

bool convertWebpToQdl(const uint8_t* data, size_t size, uint64_t maxCanvasPixels, std::vector<uint8_t>& qdl,
                      std::string& error)
{
    qdl.clear();
    Picture picture;
    switch (decodeFirstWebpFrame(data, size, maxCanvasPixels, picture)) {
    case WebpFrameResult::decoded:
        break;
    case WebpFrameResult::notWebp:
        error = "is not a WebP file";
        return false;
    case WebpFrameResult::corrupt:
        error = "is truncated or corrupt";
        return false;
    case WebpFrameResult::tooLarge:
        error = "has a canvas of more than " + std::to_string(maxCanvasPixels) + " pixels";
        return false;
    case WebpFrameResult::outOfMemory:
        error = "cannot be decoded: not enough memory";
        return false;
    }
    switch (writeSmallestQdl(picture, qdl)) {
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
