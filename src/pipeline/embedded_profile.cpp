#include "pipeline/embedded_profile.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "decode/file_bytes.h"

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
    // start + 3 < size: at least 100 bytes follow the start. The size field's
    // top byte is ignored.
    const size_t length = size_t{data[start + 1]} << 16 | size_t{data[start + 2]} << 8 | size_t{data[start + 3]};
    if (length > size - start)
        return false;
    location.offset = start;
    location.length = length;
    return true;
}

bool findEmbeddedProfile(const char16_t* path, EmbeddedProfile& profile)
{
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(path, bytes, size) != FileReadResult::ok)
        return false;
    ProfileLocation location;
    if (!locateEmbeddedProfile(bytes.get(), size, isJpegProfileName(path), location))
        return false;
    profile.bytes = bytes.get() + location.offset;
    profile.size = location.length;
    profile.fileBytes = std::move(bytes);
    return true;
}
