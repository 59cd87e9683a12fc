// Replacing a file so that it is either the complete new file or what it was
// before, also when the program is stopped by a signal or the machine stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

struct ByteSpan {
    const uint8_t* data;
    size_t size;
};

// Writes the parts one after the other to a temporary file beside path (or
// beside the file a link at path points to) and renames it over that file,
// so that it is either the complete new file or what it was before, also
// after a crash: the data reach the disk before the rename. A replaced file
// keeps its permission bits; a new one gets them from the umask. SIGINT,
// SIGTERM and SIGHUP during the write remove the temporary file.
bool writeFileWhole(const std::string& path, std::initializer_list<ByteSpan> parts, std::string& error);
