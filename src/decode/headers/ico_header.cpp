// ICO and CUR: a 6-byte directory header (reserved 0, type 1 for icons or 2
// for cursors, the frame count), then 16 bytes per frame: width and height
// (0 meaning 256), colours, reserved, two words, the frame's byte count and
// its offset. Each frame is a PNG file or a DIB: an info header whose height
// counts the colour rows and the mask rows together, a colour table and the
// rows. GDI+ picks a frame by its own rules, so every frame must lie inside
// the file, and the size declared is that of the largest frame, read from
// the frame itself (the directory's byte-sized fields say nothing about it).
#include "decode/headers/declared_size.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint64_t directoryHeaderBytes = 6, entryBytes = 16;
constexpr uint64_t pngHeaderBytes = 24;  // signature, IHDR length and type, width, height
constexpr uint32_t biRgb = 0;

struct Frame {
    uint64_t offset, bytes;
};

// Rows stored as they are, each padded to 4 bytes.
bool storesPlainRows(uint32_t compression, uint16_t bitCount)
{
    return compression == biRgb
           && (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32);
}

// The picture size of one frame; cannotBeReal when its header cannot be
// read inside the frame or declares no picture, or its colour rows cannot
// fit in the frame's bytes.
DeclaredSize readFrame(HeaderSource& source, const Frame& frame)
{
    uint8_t head[pngHeaderBytes];
    const size_t held = static_cast<size_t>(std::min<uint64_t>(sizeof head, frame.bytes));
    if (!readAt(source, frame.offset, head, held))
        return {HeaderVerdict::cannotBeReal};
    if (held == pngHeaderBytes && std::memcmp(head, "\x89PNG\r\n\x1A\n", 8) == 0) {
        if (std::memcmp(head + 12, "IHDR", 4) != 0)
            return {HeaderVerdict::cannotBeReal};
        DeclaredSize size{HeaderVerdict::declared, be32(head + 16), be32(head + 20)};
        if (size.width == 0 || size.height == 0)
            size.verdict = HeaderVerdict::cannotBeReal;
        return size;
    }
    // An info header of 40 bytes or more: width and height signed at 4 and
    // 8, bit count at 14, compression at 16.
    if (held < 20 || le32(head) < 40)
        return {HeaderVerdict::cannotBeReal};
    const int64_t width = static_cast<int32_t>(le32(head + 4));
    const int64_t doubled = static_cast<int32_t>(le32(head + 8));
    const uint64_t height = static_cast<uint64_t>(doubled < 0 ? -doubled : doubled) / 2;
    DeclaredSize size{HeaderVerdict::declared, static_cast<uint32_t>(width > 0 ? width : 0),
                      static_cast<uint32_t>(height)};
    const uint16_t bitCount = le16(head + 14);
    if (width <= 0 || height == 0) {
        size.verdict = HeaderVerdict::cannotBeReal;
    } else if (storesPlainRows(le32(head + 16), bitCount)) {
        // Behind the header at least the colour rows; a colour table and
        // the mask rows would need more. Stride below 2^34 and height below
        // 2^30: the product fits.
        const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
        const uint64_t before = le32(head);
        if (before > frame.bytes || stride * height > frame.bytes - before)
            size.verdict = HeaderVerdict::cannotBeReal;
    }
    return size;
}

}  // namespace

DeclaredSize readIcoHeader(HeaderSource& source)
{
    uint8_t head[directoryHeaderBytes];
    if (!readAt(source, 0, head, sizeof head))
        return {};
    const uint64_t count = le16(head + 4);
    std::vector<uint8_t> entries(count * entryBytes);  // at most 1,048,560 bytes
    if (count == 0 || !readAt(source, directoryHeaderBytes, entries.data(), entries.size()))
        return {HeaderVerdict::cannotBeReal};
    std::vector<Frame> frames;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = entries.data() + i * entryBytes;
        const Frame frame{le32(entry + 12), le32(entry + 8)};
        if (frame.offset > source.fileSize || frame.bytes > source.fileSize - frame.offset)
            return {HeaderVerdict::cannotBeReal};
        frames.push_back(frame);
    }
    // In the order of the file, so that the source's window only moves
    // forward however the directory lists them.
    std::sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) { return a.offset < b.offset; });
    DeclaredSize largest{HeaderVerdict::declared};
    for (const Frame& frame : frames) {
        const DeclaredSize size = readFrame(source, frame);
        if (size.verdict == HeaderVerdict::cannotBeReal)
            return size;
        if (uint64_t{size.width} * size.height > uint64_t{largest.width} * largest.height)
            largest = size;
    }
    return largest;
}
