#include "decode/headers/declared_size.h"

#include <algorithm>
#include <cstring>

#include "picture/pixel_array_limit.h"

namespace {

bool startsWith(const uint8_t* head, size_t held, const char* signature, size_t length)
{
    return held >= length && std::memcmp(head, signature, length) == 0;
}

}  // namespace

DeclaredSize readDeclaredSize(HeaderSource& source)
{
    uint8_t head[8];
    const size_t held = static_cast<size_t>(std::min<uint64_t>(sizeof head, source.fileSize));
    if (!readAt(source, 0, head, held))
        return {};
    // The signatures GDI+ itself recognises these formats by.
    if (startsWith(head, held, "BM", 2))
        return readBmpHeader(source);
    if (startsWith(head, held, "GIF87a", 6) || startsWith(head, held, "GIF89a", 6))
        return readGifHeader(source);
    if (startsWith(head, held, "\xFF\xD8", 2))
        return readJpegHeader(source);
    if (startsWith(head, held, "\x89PNG\r\n\x1A\n", 8))
        return readPngHeader(source);
    if (startsWith(head, held, "II*\0", 4) || startsWith(head, held, "MM\0*", 4))
        return readTiffHeader(source);
    if (startsWith(head, held, "\0\0\1\0", 4) || startsWith(head, held, "\0\0\2\0", 4))
        return readIcoHeader(source);
    if (startsWith(head, held, "\1\0\0\0", 4))
        return readEmfHeader(source);
    if (startsWith(head, held, "\xD7\xCD\xC6\x9A", 4))
        return readWmfHeader(source);
    return {};
}

bool isUndecodable(const DeclaredSize& size)
{
    return size.verdict == HeaderVerdict::cannotBeReal
           || (size.verdict == HeaderVerdict::declared && uint64_t{size.width} * size.height > maxPicturePixels);
}
