// Finding the ICC profile embedded in an image file. A JPEG profile too large
// for one APP2 segment is stored as numbered "ICC_PROFILE" chunks (ICC.1,
// annex B.4), which are joined when the set is whole. Otherwise the file's
// structure is not parsed: JPEG files are searched for their first APP2
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

// The chunks of a profile split over several APP2 segments, in chunk-number
// order: offset and length of each chunk's profile bytes in the data.
struct ProfileChunks {
    size_t count = 0;
    ProfileLocation pieces[255];
};

// Walks the JPEG's marker segments from the start of the file up to its first
// scan and collects the APP2 "ICC_PROFILE" chunks in whatever order they
// stand. True only for a whole, consistent set of two or more: every chunk
// names the same count, and each number from 1 to that count occurs exactly
// once. A file that does not start as a JPEG, a segment running past the
// data, or any chunk missing, repeated or out of range gives false.
bool locateJpegProfileChunks(const uint8_t* data, size_t size, ProfileChunks& chunks);

struct EmbeddedProfile {
    ByteArray storage;             // the file, or the joined chunks; bytes points into it
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// The profile in size bytes of fileBytes, which it keeps: the joined chunks
// of a JPEG when they form a whole set whose declared length lies within
// them, else the profile that locateEmbeddedProfile finds.
bool embeddedProfileInBytes(ByteArray fileBytes, size_t size, bool jpegFile, EmbeddedProfile& profile);

// Reads the file at path (UTF-16, NUL-terminated) and locates its profile.
// False when the file cannot be read, memory runs out or no profile is there.
bool findEmbeddedProfile(const char16_t* path, EmbeddedProfile& profile);
