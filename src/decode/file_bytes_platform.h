// The two platform-dependent steps of readFileBytes: opening a file by its
// UTF-16 path, and taking its length in 64 bits.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens path for binary reading, or returns null.
FILE* openFileForReading(const char16_t* path);

// The byte length of an open regular file, with the position back at its
// start; -1 when it has none (a directory, a pipe) or seeking fails.
int64_t lengthOfOpenFile(FILE* file);
