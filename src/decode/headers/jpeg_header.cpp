// JPEG: after the start-of-image marker, segments up to the first
// start-of-frame marker (SOF0 to SOF15 less DHT, JPG and DAC), whose
// precision, height and width follow its length. Every other marker that is
// not one of the standalone ones (TEM, RST0-7, SOI) carries a big-endian
// length counting itself. Bytes between segments are skipped the way
// libjpeg skips them, so a decoder that tolerates them finds the same frame.
// Each component of the frame gives its identifier, its sampling factors
// (horizontal in the high nibble, 1 to 4) and its table; a Huffman-coded
// picture must leave the file enough bytes for its blocks.
#include "decode/headers/declared_size.h"
#include "decode/headers/jpeg_stream_bytes.h"

namespace {

constexpr uint8_t markerPrefix = 0xFF;
constexpr uint8_t startOfScan = 0xDA, endOfImage = 0xD9;
constexpr uint64_t frameFieldBytes = 8;  // length, precision, height, width, components

bool isStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// SOF9 to SOF15: arithmetic coding, which the block rule does not bound.
bool isArithmetic(uint8_t marker)
{
    return marker >= 0xC9;
}

bool isStandalone(uint8_t marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// The next marker at or after offset: bytes up to an 0xFF are skipped, then
// fill bytes (0xFF); an 0xFF followed by 0 is skipped too. Sets offset just
// behind the marker code; 0 when the file ends first.
uint8_t nextMarker(HeaderSource& source, uint64_t& offset)
{
    uint8_t byte = 0;
    for (;;) {
        do {
            if (!readAt(source, offset++, &byte, 1))
                return 0;
        } while (byte != markerPrefix);
        do {
            if (!readAt(source, offset++, &byte, 1))
                return 0;
        } while (byte == markerPrefix);
        if (byte != 0)
            return byte;
    }
}

// The verdict on the frame whose segment (length bytes from offset) declares
// size and count components behind its fields: cannotBeReal for factors
// outside 1 to 4 or a file too short for the largest component's blocks.
HeaderVerdict judgeComponents(HeaderSource& source, uint64_t offset, uint16_t length, uint8_t marker,
                              const DeclaredSize& size, uint8_t count)
{
    if (count == 0 || length < frameFieldBytes + 3 * uint64_t{count})
        return HeaderVerdict::cannotBeReal;
    uint8_t components[3 * 255];
    if (!readAt(source, offset + frameFieldBytes, components, 3 * size_t{count}))
        return HeaderVerdict::cannotBeReal;
    uint32_t largestAcross = 0, largestDown = 0;
    for (int i = 0; i < count; ++i) {
        const uint32_t across = components[3 * i + 1] >> 4, down = components[3 * i + 1] & 0x0F;
        if (across < 1 || across > 4 || down < 1 || down > 4)
            return HeaderVerdict::cannotBeReal;
        largestAcross = across > largestAcross ? across : largestAcross;
        largestDown = down > largestDown ? down : largestDown;
    }
    if (isArithmetic(marker))
        return HeaderVerdict::declared;
    uint64_t largestBlocks = 0;
    for (int i = 0; i < count; ++i) {
        const uint64_t blocks =
            jpegComponentBlocks(size.width, components[3 * i + 1] >> 4, largestAcross)
            * jpegComponentBlocks(size.height, components[3 * i + 1] & 0x0F, largestDown);
        largestBlocks = blocks > largestBlocks ? blocks : largestBlocks;
    }
    return source.fileSize < minimumJpegStreamBytes(largestBlocks) ? HeaderVerdict::cannotBeReal
                                                                   : HeaderVerdict::declared;
}

}  // namespace

DeclaredSize readJpegHeader(HeaderSource& source)
{
    uint64_t offset = 2;
    for (;;) {
        const uint8_t marker = nextMarker(source, offset);
        if (marker == 0 || marker == startOfScan || marker == endOfImage)
            return {};  // no frame before the data: the decoder fails on its own
        if (isStandalone(marker))
            continue;
        uint8_t fields[frameFieldBytes];
        if (!readAt(source, offset, fields, 2))
            return {};
        const uint16_t length = be16(fields);
        // A length that cannot hold itself, or a segment that runs past the
        // end, does not come from a real file.
        if (length < 2 || length > source.fileSize - offset)
            return {HeaderVerdict::cannotBeReal};
        if (isStartOfFrame(marker)) {
            if (length < frameFieldBytes || !readAt(source, offset, fields, frameFieldBytes))
                return {HeaderVerdict::cannotBeReal};
            DeclaredSize size{HeaderVerdict::declared, be16(fields + 5), be16(fields + 3)};
            size.verdict = judgeComponents(source, offset, length, marker, size, fields[7]);
            return size;
        }
        offset += length;
    }
}
