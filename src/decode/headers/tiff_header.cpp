// TIFF, either byte order: the first image file directory, whose offset
// follows the 4-byte signature. Each 12-byte entry holds a tag, a type, a
// count and either the value itself (when count x type size is at most 4
// bytes) or the offset of its data. ImageWidth and ImageLength give the
// size; every entry's data must lie inside the file.
#include "decode/headers/declared_size.h"

#include <vector>

namespace {

constexpr uint16_t imageWidthTag = 256, imageLengthTag = 257;
constexpr uint16_t shortType = 3, longType = 4;
constexpr uint64_t entryBytes = 12;

// Bytes per value of the classic TIFF field types; 0 for types a reader
// does not know, whose entries it skips.
uint64_t typeBytes(uint16_t type)
{
    static const uint8_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < sizeof sizes ? sizes[type] : 0;
}

struct ByteOrder {
    bool little;
    uint16_t read16(const uint8_t* p) const { return little ? le16(p) : be16(p); }
    uint32_t read32(const uint8_t* p) const { return little ? le32(p) : be32(p); }
};

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
    bool dataInFile = true;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = entries.data() + i * entryBytes;
        const uint16_t tag = order.read16(entry), type = order.read16(entry + 2);
        const uint64_t values = order.read32(entry + 4);
        const uint64_t dataBytes = values * typeBytes(type);  // below 2^35
        const uint64_t dataOffset = order.read32(entry + 8);
        if (dataBytes > 4 && (dataOffset > source.fileSize || dataBytes > source.fileSize - dataOffset))
            dataInFile = false;
        if ((tag == imageWidthTag || tag == imageLengthTag) && values >= 1 && (type == shortType || type == longType)) {
            const uint32_t side = type == shortType ? order.read16(entry + 8) : order.read32(entry + 8);
            (tag == imageWidthTag ? size.width : size.height) = side;
        }
    }
    if (!dataInFile)
        size.verdict = HeaderVerdict::cannotBeReal;
    else if (size.width != 0 && size.height != 0)
        size.verdict = HeaderVerdict::declared;
    return size;
}
