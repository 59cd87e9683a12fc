// Paths live in fixed buffers of 260 UTF-16 code units, terminator included,
// as the platform's classic path limit. Anything that does not fit is refused
// rather than cut, so a buffer can never be overrun and a shortened path can
// never name a different file.
#pragma once

#include <cstddef>

constexpr int pathCapacity = 260;
using PathBuffer = char16_t[pathCapacity];

// Length of a NUL-terminated UTF-16 text.
size_t textLength(const char16_t* text);

// Copies text into buffer when it fits with its terminator; otherwise leaves
// the buffer empty and returns false.
bool copyPath(PathBuffer& buffer, const char16_t* text);

// Appends text when the result fits; otherwise leaves the buffer unchanged
// and returns false.
bool appendPath(PathBuffer& buffer, const char16_t* text);
