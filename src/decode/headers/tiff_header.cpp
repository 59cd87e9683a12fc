// TIFF, either byte order: the first image file directory, whose offset
// follows the 4-byte signature. Each 12-byte entry holds a tag, a type, a
// count and either the value itself (when count x type size is at most 4
// bytes) or the offset of its data. ImageWidth and ImageLength give the
// size, stored as any integer type libtiff reads for them (BYTE, SBYTE,
// SHORT, SSHORT, LONG, SLONG, LONG8, SLONG8); libtiff refuses a negative or
// missing side, and a side it cannot read leaves the size unknown to this
// check, so each of these refuses the file. Every entry's data must lie
// inside the file.
#include "decode/headers/declared_size.h"

#include <vector>

namespace {

constexpr uint16_t imageWidthTag = 256, imageLengthTag = 257;
constexpr uint64_t entryBytes = 12, inlineValueBytes = 4;

// Bytes per value of the TIFF field types (LONG8, SLONG8 and IFD8 from
// BigTIFF are 16 to 18); 0 for types a reader does not know, whose entries
// it skips.
uint64_t typeBytes(uint16_t type)
{
    static const uint8_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8};
    return type < sizeof sizes ? sizes[type] : 0;
}

bool isSignedInteger(uint16_t type)
{
    return type == 6 || type == 8 || type == 9 || type == 17;
}

bool isSideType(uint16_t type)
{
    return type == 1 || type == 3 || type == 4 || type == 16 || isSignedInteger(type);
}

struct ByteOrder {
    bool little;
    uint16_t read16(const uint8_t* p) const { return little ? le16(p) : be16(p); }
    uint32_t read32(const uint8_t* p) const { return little ? le32(p) : be32(p); }
    uint64_t read64(const uint8_t* p) const
    {
        const uint64_t first = read32(p), second = read32(p + 4);
        return little ? second << 32 | first : first << 32 | second;
    }
};

// The first value of an ImageWidth or ImageLength entry; false when it is no
// integer of those types, there is none, or it is not a side from 1 to
// 2^32 - 1.
bool readSide(HeaderSource& source, const ByteOrder& order, const uint8_t* entry, uint32_t& side)
{
    const uint16_t type = order.read16(entry + 2);
    const uint64_t values = order.read32(entry + 4);
    if (!isSideType(type) || values == 0)
        return false;
    const uint64_t bytes = typeBytes(type);
    uint8_t value[8];
    if (values * bytes <= inlineValueBytes)
        std::copy(entry + 8, entry + 8 + bytes, value);
    else if (!readAt(source, order.read32(entry + 8), value, bytes))
        return false;
    uint64_t raw = 0;
    switch (bytes) {
    case 1: raw = value[0]; break;
    case 2: raw = order.read16(value); break;
    case 4: raw = order.read32(value); break;
    default: raw = order.read64(value); break;
    }
    const uint64_t signBit = uint64_t{1} << (8 * bytes - 1);
    if (isSignedInteger(type) && (raw & signBit) != 0)
        return false;
    if (raw == 0 || raw > UINT32_MAX)
        return false;
    side = static_cast<uint32_t>(raw);
    return true;
}

}  // namespace

DeclaredSize readTiffHeader(HeaderSource& source)
{
    uint8_t header[8];
    if (!readAt(source, 0, header, sizeof header))
        return {};
    const ByteOrder order{header[0] == 'I'};
    const uint64_t directory = order.read32(header + 4);
    uint8_t countField[2];
    if (!readAt(source, directory, countField, sizeof countField))
        return {HeaderVerdict::cannotBeReal};
    const uint64_t count = order.read16(countField);
    std::vector<uint8_t> entries(count * entryBytes);  // at most 786,420 bytes
    if (!readAt(source, directory + 2, entries.data(), entries.size()))
        return {HeaderVerdict::cannotBeReal};

    DeclaredSize size;
    bool dataInFile = true, widthRead = false, lengthRead = false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = entries.data() + i * entryBytes;
        const uint16_t tag = order.read16(entry);
        const uint64_t dataBytes = order.read32(entry + 4) * typeBytes(order.read16(entry + 2));  // below 2^35
        const uint64_t dataOffset = order.read32(entry + 8);
        if (dataBytes > inlineValueBytes && (dataOffset > source.fileSize || dataBytes > source.fileSize - dataOffset))
            dataInFile = false;
        if (tag == imageWidthTag)
            widthRead = readSide(source, order, entry, size.width);
        else if (tag == imageLengthTag)
            lengthRead = readSide(source, order, entry, size.height);
    }
    size.verdict = dataInFile && widthRead && lengthRead ? HeaderVerdict::declared : HeaderVerdict::cannotBeReal;
    return size;
}
