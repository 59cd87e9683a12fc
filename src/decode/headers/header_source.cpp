#include "decode/headers/header_source.h"

#include <algorithm>
#include <cstring>

#include "decode/common/file_bytes_platform.h"

namespace {

// The first read brings in the head of the file, where nearly every header
// lies whole; later reads elsewhere (a TIFF directory at the end, a JPEG
// segment behind a large profile) move the window there.
constexpr size_t windowBytes = 64 * 1024;

bool inFile(const HeaderSource& source, uint64_t offset, size_t count)
{
    return offset <= source.fileSize && count <= source.fileSize - offset;
}

bool moveWindow(HeaderSource& source, uint64_t offset, size_t count)
{
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(std::max(count, windowBytes), source.fileSize - offset));
    source.window.resize(wanted);
    source.windowStart = offset;
    const bool read = seekOpenFile(source.file, offset) && fread(source.window.data(), 1, wanted, source.file) == wanted;
    if (!read)
        source.window.clear();
    return read;
}

}  // namespace

HeaderSource memorySource(const uint8_t* data, size_t size)
{
    HeaderSource source;
    source.fileSize = size;
    source.memory = data;
    return source;
}

HeaderSource fileSource(FILE* file, uint64_t fileSize)
{
    HeaderSource source;
    source.fileSize = fileSize;
    source.file = file;
    return source;
}

bool readAt(HeaderSource& source, uint64_t offset, uint8_t* out, size_t count)
{
    if (!inFile(source, offset, count))
        return false;
    if (count == 0)
        return true;
    if (source.memory) {
        std::memcpy(out, source.memory + offset, count);
        return true;
    }
    const bool inWindow = offset >= source.windowStart && offset - source.windowStart <= source.window.size()
                          && count <= source.window.size() - (offset - source.windowStart);
    if (!inWindow && !moveWindow(source, offset, count))
        return false;
    std::memcpy(out, source.window.data() + (offset - source.windowStart), count);
    return true;
}
