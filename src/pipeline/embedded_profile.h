// Finding the ICC profile embedded in an image file, without parsing the
// file's structure: JPEG files are searched for their first APP2
// "ICC_PROFILE" chunk, every other file for the "acsp" signature of a profile
// header. The search works on bytes in memory; findEmbeddedProfile reads the
// file first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/picture.h"

// True when path ends in ".jpg", ".jpe", ".jpeg" or ".jfif" (ASCII case
// ignored): those files are searched by their APP2 chunk name.
bool isJpegProfileName(const char16_t* path);

struct ProfileLocation {
    size_t offset = 0;
    size_t length = 0;
};

// Looks for a profile in size bytes of data. Only starts below size - 100 are
// searched, so files of 100 bytes or fewer hold none. The length is the low
// three bytes of the header's big-endian size field, counted from the
// profile's start. A profile whose declared length runs past the data is
// taken as none: a cut-off profile would describe a colour space the file
// never had, and sRGB is the safer guess.
bool locateEmbeddedProfile(const uint8_t* data, size_t size, bool jpegFile, ProfileLocation& location);

struct EmbeddedProfile {
    ByteArray fileBytes;           // the whole file; bytes points into it
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Reads the file at path (UTF-16, NUL-terminated) and locates its profile.
// False when the file cannot be read, memory runs out or no profile is there.
bool findEmbeddedProfile(const char16_t* path, EmbeddedProfile& profile);
