#include "decode/qdl_smallest.h"

namespace {

constexpr int lastCompression[6] = {1, 1, 4, 1, 2, 3};

}  // namespace

QdlWriteResult writeSmallestQdl(const Picture& picture, std::vector<uint8_t>& out)
{
    out.clear();
    const int pixelType = naturalQdlPixelType(picture);
    if (pixelType < 0)
        return QdlWriteResult::noImage;
    QdlWriteResult result = writeQdlImage(picture, pixelType, 0, out);
    if (result != QdlWriteResult::written)
        return result;
    std::vector<uint8_t> candidate;
    for (int compression = 1; compression <= lastCompression[pixelType]; ++compression) {
        // A compression that runs out of memory or cannot store the picture
        // is passed over: the plain file in hand is a correct answer.
        if (writeQdlImage(picture, pixelType, compression, candidate) == QdlWriteResult::written &&
            candidate.size() < out.size())
            out.swap(candidate);
    }
    return QdlWriteResult::written;
}
