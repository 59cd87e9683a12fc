// Reading a whole file into one block, the first step of every own-format
// reader: the parsers then work on (data, size) and never touch the file.
#pragma once

#include <cstddef>

#include "picture/picture.h"

enum class FileReadResult { ok, cannotOpen, outOfMemory };

// Opens path (UTF-16, NUL-terminated) for binary reading, takes its length by
// seeking to the end and reads it with one read into a newly allocated block.
// On ok, bytes holds size bytes (a non-null block even for an empty file); on
// failure both are left as they were.
FileReadResult readFileBytes(const char16_t* path, ByteArray& bytes, size_t& size);
