#include "state/path_buffer.h"

#include <cstring>

size_t textLength(const char16_t* text)
{
    size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

bool copyPath(PathBuffer& buffer, const char16_t* text)
{
    size_t length = textLength(text);
    if (length >= pathCapacity) {
        buffer[0] = 0;
        return false;
    }
    std::memcpy(buffer, text, (length + 1) * sizeof(char16_t));
    return true;
}

bool appendPath(PathBuffer& buffer, const char16_t* text)
{
    size_t used = textLength(buffer);
    size_t length = textLength(text);
    if (used + length >= pathCapacity)
        return false;
    std::memcpy(buffer + used, text, (length + 1) * sizeof(char16_t));
    return true;
}
