// The platform-dependent steps of reading files: opening a file by its UTF-16
// path, taking its length and moving to a position, in 64 bits.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens path for binary reading, or returns null.
FILE* openFileForReading(const char16_t* path);

// The byte length of an open regular file, with the position back at its
// start; -1 when it has none (a directory, a pipe) or seeking fails.
int64_t lengthOfOpenFile(FILE* file);

// Moves the position of an open file to offset; false when that fails.
bool seekOpenFile(FILE* file, uint64_t offset);
