// Native builds (tests, tools, fuzzing): the UTF-16 path is turned into UTF-8
// for fopen. The Windows build has its own version in file_bytes_win32.cpp.
#ifndef _WIN32

#include "decode/common/file_bytes_platform.h"

#include <sys/stat.h>

#include <string>

namespace {

// Unpaired surrogates become U+FFFD, so the result is always valid UTF-8.
std::string utf8FromUtf16(const char16_t* text)
{
    std::string out;
    for (size_t i = 0; text[i] != 0; ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace

FILE* openFileForReading(const char16_t* path)
{
    return fopen(utf8FromUtf16(path).c_str(), "rb");
}

int64_t lengthOfOpenFile(FILE* file)
{
    // fopen accepts a directory here; only regular files have a length.
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || fseeko(file, 0, SEEK_END) != 0)
        return -1;
    const off_t length = ftello(file);
    if (length < 0 || fseeko(file, 0, SEEK_SET) != 0)
        return -1;
    return length;
}

bool seekOpenFile(FILE* file, uint64_t offset)
{
    return offset <= uint64_t{INT64_MAX} && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

#endif
