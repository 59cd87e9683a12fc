#include "decode/headers/exif_orientation.h"

#include <cstring>

#include "decode/common/file_bytes_platform.h"

namespace {

constexpr uint16_t orientationTag = 0x0112;
constexpr uint16_t shortType = 3;
constexpr uint64_t entryBytes = 12;

bool hasBytes(HeaderSource& source, uint64_t offset, const char* expected, size_t count)
{
    uint8_t held[8];
    return count <= sizeof held && readAt(source, offset, held, count) && std::memcmp(held, expected, count) == 0;
}

// TIFF: "II" or "MM", 42, then the first directory's offset from the
// structure's start; each 12-byte entry holds tag, type, count and a 4-byte
// field whose first two bytes are a single SHORT value. Nothing outside the
// length bytes from start is read (a segment's or chunk's own bytes).
Orientation tiffOrientation(HeaderSource& source, uint64_t start, uint64_t length)
{
    uint8_t header[8];
    if (length < sizeof header || !readAt(source, start, header, sizeof header))
        return Orientation::upright;
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M'))
        return Orientation::upright;
    auto read16 = [little](const uint8_t* p) { return little ? le16(p) : be16(p); };
    auto read32 = [little](const uint8_t* p) { return little ? le32(p) : be32(p); };
    if (read16(header + 2) != 42)
        return Orientation::upright;
    const uint64_t directory = read32(header + 4);
    uint8_t countField[2];
    if (directory > length - 2 || !readAt(source, start + directory, countField, 2))
        return Orientation::upright;
    const uint64_t entries = read16(countField);
    const uint64_t first = directory + 2;
    for (uint64_t i = 0; i < entries; ++i) {
        const uint64_t offset = first + i * entryBytes;  // below 2^33
        uint8_t entry[entryBytes];
        if (offset > length || entryBytes > length - offset || !readAt(source, start + offset, entry, entryBytes))
            return Orientation::upright;
        if (read16(entry) != orientationTag)
            continue;
        if (read16(entry + 2) != shortType || read32(entry + 4) != 1)
            return Orientation::upright;
        return orientationFromExif(read16(entry + 8));
    }
    return Orientation::upright;
}

// JPEG: segments from the start-of-image marker up to the first scan; the
// first APP1 whose data begins "Exif\0\0" holds a TIFF structure.
Orientation jpegOrientation(HeaderSource& source)
{
    constexpr uint8_t app1 = 0xE1, startOfScan = 0xDA, endOfImage = 0xD9;
    uint64_t offset = 2;
    for (;;) {
        uint8_t marker[2];
        if (!readAt(source, offset, marker, 2) || marker[0] != 0xFF)
            return Orientation::upright;
        if (marker[1] == 0xFF) {  // a fill byte before the marker
            ++offset;
            continue;
        }
        offset += 2;
        if (marker[1] == startOfScan || marker[1] == endOfImage)
            return Orientation::upright;
        if (marker[1] == 0x01 || (marker[1] >= 0xD0 && marker[1] <= 0xD7))
            continue;  // standalone markers carry no length
        uint8_t lengthField[2];
        if (!readAt(source, offset, lengthField, 2) || be16(lengthField) < 2)
            return Orientation::upright;
        const uint64_t length = be16(lengthField);
        if (marker[1] == app1 && length >= 8 && hasBytes(source, offset + 2, "Exif\0\0", 6))
            return tiffOrientation(source, offset + 8, length - 8);
        offset += length;
    }
}

// PNG: chunks of a 4-byte big-endian length, a type, the data and a CRC.
Orientation pngOrientation(HeaderSource& source)
{
    uint64_t offset = 8;
    for (;;) {
        uint8_t head[8];
        if (!readAt(source, offset, head, sizeof head))
            return Orientation::upright;
        const uint64_t length = be32(head);
        if (length > 0x7FFFFFFF || std::memcmp(head + 4, "IDAT", 4) == 0 || std::memcmp(head + 4, "IEND", 4) == 0)
            return Orientation::upright;
        if (std::memcmp(head + 4, "eXIf", 4) == 0)
            return tiffOrientation(source, offset + 8, length);
        offset += 8 + length + 4;  // below 2^64: each step adds below 2^32
    }
}

// WebP: RIFF chunks of a fourCC, a 4-byte little-endian size and the data,
// padded to an even size. Some writers begin the EXIF data with "Exif\0\0"
// as in a JPEG.
Orientation webpOrientation(HeaderSource& source)
{
    if (!hasBytes(source, 12, "VP8X", 4))
        return Orientation::upright;
    uint64_t offset = 12;
    for (;;) {
        uint8_t head[8];
        if (!readAt(source, offset, head, sizeof head))
            return Orientation::upright;
        const uint64_t size = le32(head + 4);
        if (std::memcmp(head, "EXIF", 4) == 0) {
            const bool exifPrefix = size >= 6 && hasBytes(source, offset + 8, "Exif\0\0", 6);
            return exifPrefix ? tiffOrientation(source, offset + 14, size - 6)
                              : tiffOrientation(source, offset + 8, size);
        }
        offset += 8 + size + (size & 1);
    }
}

}  // namespace

Orientation readExifOrientation(HeaderSource& source)
{
    if (hasBytes(source, 0, "\xFF\xD8", 2))
        return jpegOrientation(source);
    if (hasBytes(source, 0, "II*\0", 4) || hasBytes(source, 0, "MM\0*", 4))
        return tiffOrientation(source, 0, source.fileSize);
    if (hasBytes(source, 0, "\x89PNG\r\n\x1A\n", 8))
        return pngOrientation(source);
    if (hasBytes(source, 0, "RIFF", 4) && hasBytes(source, 8, "WEBP", 4))
        return webpOrientation(source);
    return Orientation::upright;
}

Orientation readFileOrientation(const char16_t* path)
{
    FILE* file = openFileForReading(path);
    if (!file)
        return Orientation::upright;
    Orientation orientation = Orientation::upright;
    const int64_t length = lengthOfOpenFile(file);
    if (length >= 0) {
        HeaderSource source = fileSource(file, static_cast<uint64_t>(length));
        orientation = readExifOrientation(source);
    }
    fclose(file);
    return orientation;
}
