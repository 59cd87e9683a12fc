// The QDL header and the pixel array shared by the four depth decoders.
#include "decode/qdl/qdl_reader.h"

#include "picture/pixel_array_limit.h"

namespace {

int32_t readInt32(const uint8_t* bytes)
{
    const uint32_t value = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return static_cast<int32_t>(value);
}

int decodeBody(Picture& picture, QdlCursor& body, int type, int compression)
{
    switch (type) {
    case 0:
    case 1:
        picture.bitsPerPixel = 1;
        return decodeQdl1Bit(picture, body, type, compression);
    case 2:
    case 3:
        picture.bitsPerPixel = 8;
        return decodeQdl8Bit(picture, body, type, compression);
    case 4:
        picture.bitsPerPixel = 24;
        return decodeQdl24Bit(picture, body, compression);
    case 5:
        picture.bitsPerPixel = 32;
        return decodeQdl32Bit(picture, body, compression);
    default:
        return qdlUnknownPixelType;
    }
}

}  // namespace

int parseQdlImage(Picture& picture, const uint8_t* data, size_t size)
{
    if (!data)
        return qdlCannotOpen;
    if (size < 2 || data[0] != 'Q' || data[1] != 'D')
        return qdlNotQdl;

    picture.clear();
    if (size < 10)
        return qdlCorrupt;
    picture.width = readInt32(data + 2);
    picture.height = readInt32(data + 6);
    if (picture.width < 0 || picture.height < 0) {
        picture.width = 0;
        picture.height = 0;
        return qdlNegativeSize;
    }
    if (size < qdlHeaderSize) {
        picture.clear();
        return qdlCorrupt;
    }

    QdlCursor body{data, size, qdlHeaderSize};
    const int result = decodeBody(picture, body, data[10], data[11]);
    if (result != qdlDecoded)
        picture.clear();
    return result;
}

int allocateQdlPixels(Picture& picture, const QdlCursor& body, uint64_t minimumBodyBytes)
{
    const uint64_t bytes = picture.pixelBytes();
    if (bytes > maxPixelArrayBytes)
        return qdlOutOfMemory;
    if (minimumBodyBytes > body.remaining())
        return qdlCorrupt;
    picture.pixels = allocateBytes(static_cast<size_t>(bytes));
    return picture.pixels ? qdlDecoded : qdlOutOfMemory;
}

uint64_t qdlPixelCount(const Picture& picture)
{
    return static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
}
