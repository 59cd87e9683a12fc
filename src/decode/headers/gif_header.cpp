// GIF: the logical screen (width and height at 6 and 8, then the global
// colour table's flag and size), then blocks up to the first image
// descriptor: extensions (0x21, a label and sub-blocks ending in an empty
// one) are stepped over; 0x2C opens the descriptor, whose frame size (at 5
// and 7) a decoder also allocates for.
#include "decode/headers/declared_size.h"

namespace {

constexpr uint64_t screenDescriptorEnd = 13;
constexpr uint8_t extensionIntroducer = 0x21;
constexpr uint8_t imageSeparator = 0x2C;

// Bytes of a colour table whose packed field is flags.
uint64_t colourTableBytes(uint8_t flags)
{
    return (flags & 0x80) ? 3u << ((flags & 0x07) + 1) : 0;
}

// The offset just behind the sub-blocks that start at offset, or 0 when the
// file ends first. Each step moves forward, so the walk ends with the file.
uint64_t skipSubBlocks(HeaderSource& source, uint64_t offset)
{
    uint8_t length = 0;
    while (readAt(source, offset, &length, 1)) {
        offset += 1 + uint64_t{length};
        if (length == 0)
            return offset;
    }
    return 0;
}

// The first image descriptor, read into frame; false when the trailer,
// another block or the end of the file comes first.
bool readFirstFrame(HeaderSource& source, uint64_t offset, uint8_t (&frame)[9])
{
    uint8_t introducer = 0;
    while (offset != 0 && readAt(source, offset, &introducer, 1)) {
        if (introducer == imageSeparator)
            return readAt(source, offset, frame, sizeof frame);
        if (introducer != extensionIntroducer)
            return false;
        offset = skipSubBlocks(source, offset + 2);
    }
    return false;
}

}  // namespace

DeclaredSize readGifHeader(HeaderSource& source)
{
    uint8_t screen[screenDescriptorEnd];
    if (!readAt(source, 0, screen, sizeof screen))
        return {};
    DeclaredSize size{HeaderVerdict::declared, le16(screen + 6), le16(screen + 8)};
    // The larger of the screen and the first frame is what a decoder claims.
    uint8_t frame[9];
    if (readFirstFrame(source, screenDescriptorEnd + colourTableBytes(screen[10]), frame)) {
        const uint32_t width = le16(frame + 5), height = le16(frame + 7);
        if (uint64_t{width} * height > uint64_t{size.width} * size.height) {
            size.width = width;
            size.height = height;
        }
    }
    return size;
}
