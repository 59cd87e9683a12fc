// JPEG: after the start-of-image marker, segments up to the first
// start-of-frame marker (SOF0 to SOF15 less DHT, JPG and DAC), whose
// precision, height and width follow its length. Every other marker that is
// not one of the standalone ones (TEM, RST0-7, SOI) carries a big-endian
// length counting itself. Bytes between segments are skipped the way
// libjpeg skips them, so a decoder that tolerates them finds the same frame.
#include "decode/headers/declared_size.h"

namespace {

constexpr uint8_t markerPrefix = 0xFF;
constexpr uint8_t startOfScan = 0xDA, endOfImage = 0xD9;
constexpr uint64_t frameFieldBytes = 8;  // length, precision, height, width, components

bool isStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
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
            return {HeaderVerdict::declared, be16(fields + 5), be16(fields + 3)};
        }
        offset += length;
    }
}
