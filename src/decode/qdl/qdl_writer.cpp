// The QDL file around the pixel stream: header, palette, and the choice of
// encoder for the pixel type and compression.
#include "decode/qdl/qdl_writer.h"

#include <new>

#include "decode/qdl/qdl_encoders.h"
#include "picture/pixel_array_limit.h"

namespace {

constexpr int lastCompression[6] = {1, 1, 4, 1, 2, 3};

bool fitsPixelType(const Picture& picture, int pixelType)
{
    const bool hasPalette = picture.palette != nullptr;
    switch (pixelType) {
    case 0: return picture.bitsPerPixel == 1 && hasPalette;
    case 1: return picture.bitsPerPixel == 1 && !hasPalette;
    case 2: return picture.bitsPerPixel == 8 && hasPalette;
    case 3: return picture.bitsPerPixel == 8 && !hasPalette;
    case 4: return picture.bitsPerPixel == 24;
    default: return picture.bitsPerPixel == 32;
    }
}

void appendInt32(std::vector<uint8_t>& out, int32_t value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(bits >> shift));
}

void appendBytes(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count)
{
    out.insert(out.end(), bytes, bytes + count);
}

// A compressed type 2 file stores its palette up to the last entry that is
// not all zero (at least one entry); the reader zeroes the others.
void appendCountedPalette(std::vector<uint8_t>& out, const uint8_t* palette)
{
    size_t entries = 256;
    while (entries > 1 && (palette[4 * entries - 4] | palette[4 * entries - 3] | palette[4 * entries - 2] |
                           palette[4 * entries - 1]) == 0)
        --entries;
    out.push_back(static_cast<uint8_t>(entries));
    out.push_back(static_cast<uint8_t>(entries >> 8));
    appendBytes(out, palette, 4 * entries);
}

QdlWriteResult appendPixelStream(const Picture& picture, int pixelType, int compression,
                                 std::vector<uint8_t>& out)
{
    if (compression == 0) {
        appendBytes(out, picture.pixels.get(), static_cast<size_t>(picture.pixelBytes()));
        return QdlWriteResult::written;
    }
    switch (pixelType) {
    case 0:
    case 1:
        return encodeQdlBitRuns(picture, out);
    case 2:
    case 3:
        return encodeQdlIndexRuns(picture, compression, out);
    case 4:
        return compression == 1 ? encodeQdlColourRuns(picture, out) : encodeQdlColourGroups(picture, out);
    default:
        if (compression == 1)
            return encodeQdlColourRuns(picture, out);
        return compression == 2 ? encodeQdlMarkedRuns(picture, out) : encodeQdlColourGroups(picture, out);
    }
}

QdlWriteResult appendFile(const Picture& picture, int pixelType, int compression, std::vector<uint8_t>& out)
{
    if (compression == 0)
        out.reserve(static_cast<size_t>(picture.pixelBytes()) + 12 + 1024);
    out.push_back('Q');
    out.push_back('D');
    appendInt32(out, picture.width);
    appendInt32(out, picture.height);
    out.push_back(static_cast<uint8_t>(pixelType));
    out.push_back(static_cast<uint8_t>(compression));
    if (pixelType == 0)
        appendBytes(out, picture.palette.get(), 8);
    if (pixelType == 2) {
        if (compression == 0)
            appendBytes(out, picture.palette.get(), 1024);
        else
            appendCountedPalette(out, picture.palette.get());
    }
    return appendPixelStream(picture, pixelType, compression, out);
}

}  // namespace

int naturalQdlPixelType(const Picture& picture)
{
    if (!picture.holdsImage())
        return -1;
    switch (picture.bitsPerPixel) {
    case 1: return picture.palette ? 0 : 1;
    case 8: return picture.palette ? 2 : 3;
    case 24: return 4;
    case 32: return 5;
    default: return -1;
    }
}

QdlWriteResult writeQdlImage(const Picture& picture, int pixelType, int compression,
                             std::vector<uint8_t>& out)
{
    out.clear();
    if (!picture.holdsImage() || picture.width < 0 || picture.height < 0)
        return QdlWriteResult::noImage;
    if (pixelType < 0 || pixelType > 5)
        return QdlWriteResult::unknownPixelType;
    if (compression < 0 || compression > lastCompression[pixelType])
        return QdlWriteResult::compressionNotAccepted;
    if (!fitsPixelType(picture, pixelType))
        return QdlWriteResult::depthMismatch;
    if (picture.pixelBytes() > maxPixelArrayBytes)
        return QdlWriteResult::tooLarge;

    // The output grows in a std::vector; its allocation failure ends here as
    // a result like every other failure.
    QdlWriteResult result;
    try {
        result = appendFile(picture, pixelType, compression, out);
    } catch (const std::bad_alloc&) {
        result = QdlWriteResult::outOfMemory;
    }
    if (result != QdlWriteResult::written)
        std::vector<uint8_t>().swap(out);
    return result;
}
