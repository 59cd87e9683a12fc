#include "pipeline/embedded_profile.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "decode/common/file_bytes.h"

namespace {

// Profiles are only looked for where at least this many bytes follow.
constexpr size_t searchMargin = 100;
// "ICC_PROFILE", its zero terminator, then the chunk number and chunk count.
constexpr char jpegChunkName[] = "ICC_PROFILE";
constexpr size_t jpegChunkNameLength = 11;
constexpr size_t jpegProfileSkip = 14;
constexpr char profileSignature[] = "acsp";
constexpr size_t profileSignatureLength = 4;
constexpr size_t profileSignatureOffset = 36;
// A chunk's segment: the name with its zero, then its number and the count.
constexpr char chunkSegmentName[] = "ICC_PROFILE";
constexpr size_t chunkHeaderLength = 14;
constexpr uint8_t app2Marker = 0xE2;
constexpr uint8_t scanMarker = 0xDA;
constexpr uint8_t endMarker = 0xD9;

bool endsWithAsciiIgnoringCase(const char16_t* text, size_t textLength, const char* suffix)
{
    const size_t suffixLength = std::strlen(suffix);
    if (textLength < suffixLength)
        return false;
    const char16_t* tail = text + (textLength - suffixLength);
    for (size_t k = 0; k < suffixLength; ++k) {
        char16_t c = tail[k];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<unsigned char>(suffix[k]))
            return false;
    }
    return true;
}

// The first position p with first <= p < end at which needle occurs; end when
// there is none. The caller guarantees that a needle starting below end lies
// inside the data.
size_t findNeedle(const uint8_t* data, size_t first, size_t end, const char* needle, size_t needleLength)
{
    if (first >= end)
        return end;
    const uint8_t* pattern = reinterpret_cast<const uint8_t*>(needle);
    const uint8_t* rangeEnd = data + end + needleLength - 1;
    const uint8_t* found = std::search(data + first, rangeEnd, pattern, pattern + needleLength);
    return found == rangeEnd ? end : static_cast<size_t>(found - data);
}

// Markers that stand alone, without a length: TEM and the restart markers.
bool isStandaloneMarker(uint8_t marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// The declared length of the profile whose header starts at header; the size
// field's top byte is ignored.
size_t declaredProfileLength(const uint8_t* header)
{
    return size_t{header[1]} << 16 | size_t{header[2]} << 8 | size_t{header[3]};
}

// The chunks joined in number order, and the length their header declares;
// false when memory runs out or that length runs past the joined bytes.
bool joinProfileChunks(const uint8_t* data, const ProfileChunks& chunks, EmbeddedProfile& profile)
{
    // At most 255 chunks of under 64 KiB each: the sum cannot overflow.
    size_t total = 0;
    for (size_t k = 0; k < chunks.count; ++k)
        total += chunks.pieces[k].length;
    if (total < 4)
        return false;
    ByteArray joined = allocateBytes(total);
    if (!joined)
        return false;
    size_t used = 0;
    for (size_t k = 0; k < chunks.count; ++k) {
        std::memcpy(joined.get() + used, data + chunks.pieces[k].offset, chunks.pieces[k].length);
        used += chunks.pieces[k].length;
    }
    const size_t length = declaredProfileLength(joined.get());
    if (length > total)
        return false;
    profile.bytes = joined.get();
    profile.size = length;
    profile.storage = std::move(joined);
    return true;
}

}  // namespace

bool isJpegProfileName(const char16_t* path)
{
    size_t length = 0;
    while (path[length] != 0)
        ++length;
    return endsWithAsciiIgnoringCase(path, length, ".jpg") || endsWithAsciiIgnoringCase(path, length, ".jpe") ||
           endsWithAsciiIgnoringCase(path, length, ".jpeg") || endsWithAsciiIgnoringCase(path, length, ".jfif");
}

bool locateEmbeddedProfile(const uint8_t* data, size_t size, bool jpegFile, ProfileLocation& location)
{
    if (size <= searchMargin)
        return false;
    const size_t searchEnd = size - searchMargin;
    size_t start;
    if (jpegFile) {
        // The segment structure is not parsed: the first occurrence anywhere
        // counts, and only its chunk is used.
        const size_t name = findNeedle(data, 0, searchEnd, jpegChunkName, jpegChunkNameLength);
        if (name == searchEnd)
            return false;
        start = name + jpegProfileSkip;
    } else {
        const size_t signature = findNeedle(data, profileSignatureOffset, searchEnd + profileSignatureOffset,
                                            profileSignature, profileSignatureLength);
        if (signature == searchEnd + profileSignatureOffset)
            return false;
        start = signature - profileSignatureOffset;
    }
    if (start >= searchEnd)
        return false;
    // start + 3 < size: at least 100 bytes follow the start.
    const size_t length = declaredProfileLength(data + start);
    if (length > size - start)
        return false;
    location.offset = start;
    location.length = length;
    return true;
}

bool locateJpegProfileChunks(const uint8_t* data, size_t size, ProfileChunks& chunks)
{
    chunks.count = 0;
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    ProfileLocation byNumber[256];
    bool seen[256] = {};
    size_t count = 0;
    size_t at = 2;
    // Header segments end where the first scan starts; a thumbnail inside an
    // APP1 segment is skipped whole, so its own chunks never count.
    while (at + 2 <= size) {
        if (data[at] != 0xFF)
            return false;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        if (marker == scanMarker || marker == endMarker)
            break;
        if (isStandaloneMarker(marker)) {
            at += 2;
            continue;
        }
        if (size - at < 4)
            return false;
        const size_t length = size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2 || length > size - at - 2)
            return false;
        const size_t body = at + 4;
        const size_t bodyLength = length - 2;
        if (marker == app2Marker && bodyLength >= chunkHeaderLength &&
            std::memcmp(data + body, chunkSegmentName, sizeof chunkSegmentName) == 0) {
            const uint8_t number = data[body + 12];
            const uint8_t total = data[body + 13];
            if (total == 0 || number == 0 || number > total || seen[number] || (count != 0 && total != count))
                return false;
            count = total;
            seen[number] = true;
            byNumber[number] = {body + chunkHeaderLength, bodyLength - chunkHeaderLength};
        }
        at += 2 + length;
    }
    if (count < 2)
        return false;
    for (size_t number = 1; number <= count; ++number)
        if (!seen[number])
            return false;
    for (size_t number = 1; number <= count; ++number)
        chunks.pieces[number - 1] = byNumber[number];
    chunks.count = count;
    return true;
}

bool embeddedProfileInBytes(ByteArray fileBytes, size_t size, bool jpegFile, EmbeddedProfile& profile)
{
    if (jpegFile) {
        ProfileChunks chunks;
        if (locateJpegProfileChunks(fileBytes.get(), size, chunks) && joinProfileChunks(fileBytes.get(), chunks, profile))
            return true;
    }
    // A single chunk, a damaged set or another format: the first match.
    ProfileLocation location;
    if (!locateEmbeddedProfile(fileBytes.get(), size, jpegFile, location))
        return false;
    profile.bytes = fileBytes.get() + location.offset;
    profile.size = location.length;
    profile.storage = std::move(fileBytes);
    return true;
}

bool findEmbeddedProfile(const char16_t* path, EmbeddedProfile& profile)
{
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(path, bytes, size) != FileReadResult::ok)
        return false;
    return embeddedProfileInBytes(std::move(bytes), size, isJpegProfileName(path), profile);
}
