// PNG: the signature, then the IHDR chunk, which must come first: its length
// and type at 8 and 12, width and height (big-endian) at 16 and 20.
#include "decode/headers/declared_size.h"

#include <cstring>

namespace {

constexpr uint32_t largestSide = 0x7FFFFFFF;  // the format's own bound on each side

}  // namespace

DeclaredSize readPngHeader(HeaderSource& source)
{
    uint8_t header[24];
    if (!readAt(source, 0, header, sizeof header) || std::memcmp(header + 12, "IHDR", 4) != 0)
        return {};
    DeclaredSize size{HeaderVerdict::declared, be32(header + 16), be32(header + 20)};
    if (size.width == 0 || size.height == 0 || size.width > largestSide || size.height > largestSide)
        size.verdict = HeaderVerdict::cannotBeReal;
    return size;
}
