#include "picture/stereo_names.h"

#include <cstddef>

namespace {

char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// True when the text just before the path's last '.' (that dot included)
// is marker, whose last character is a '.' as well. marker is lower case.
bool endsBeforeExtension(const char16_t* path, const char16_t* marker, size_t markerLength)
{
    if (path == nullptr)
        return false;
    size_t length = 0;
    size_t lastDot = 0;
    bool dotSeen = false;
    for (; path[length] != 0; ++length) {
        if (path[length] == u'.') {
            lastDot = length;
            dotSeen = true;
        }
    }
    if (!dotSeen || lastDot + 1 < markerLength)
        return false;
    const char16_t* start = path + lastDot + 1 - markerLength;
    for (size_t i = 0; i < markerLength; ++i) {
        if (asciiLower(start[i]) != marker[i])
            return false;
    }
    return true;
}

}  // namespace

bool isStereoName(const char16_t* path)
{
    return endsBeforeExtension(path, u".stereo.", 8);
}

bool isCrossStereoName(const char16_t* path)
{
    return endsBeforeExtension(path, u".stereo-x.", 10);
}
