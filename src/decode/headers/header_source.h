// Where the header readers take their bytes from: a file held whole in memory
// (tests, fuzzing) or an open file read on demand through one window, so that
// reading the header of a large picture costs one small read instead of the
// whole file. A read that reaches past the end of the file fails; nothing is
// ever taken from beyond the bytes held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

struct HeaderSource {
    uint64_t fileSize = 0;
    const uint8_t* memory = nullptr;  // the whole file, or null to read from file
    FILE* file = nullptr;
    std::vector<uint8_t> window;      // the file's bytes from windowStart on
    uint64_t windowStart = 0;
};

HeaderSource memorySource(const uint8_t* data, size_t size);

// The caller keeps the file open while the source is used, and closes it.
HeaderSource fileSource(FILE* file, uint64_t fileSize);

// Copies count bytes from offset into out. False, with out undefined, when
// they do not all lie inside the file or cannot be read.
bool readAt(HeaderSource& source, uint64_t offset, uint8_t* out, size_t count);

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t le32(const uint8_t* p) { return uint32_t{le16(p)} | uint32_t{le16(p + 2)} << 16; }
inline uint32_t be32(const uint8_t* p) { return uint32_t{be16(p)} << 16 | uint32_t{be16(p + 2)}; }
