// Byte blocks for the embedded-profile search: a stand-in profile header and
// a JPEG-like APP2 chunk around a profile. The search parses no structure,
// so neither needs to be a complete file.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

using Bytes = std::vector<uint8_t>;

// length bytes: size field (top byte topByte, then the low 24 bits of
// length, big-endian), "acsp" at 36, the rest 0x5A.
inline Bytes profileBlock(size_t length, uint8_t topByte = 0)
{
    Bytes block(length, 0x5A);
    const uint8_t header[] = {topByte, uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length)};
    std::memcpy(block.data(), header, sizeof header);
    std::memcpy(block.data() + 36, "acsp", 4);
    return block;
}

// "ICC_PROFILE", its zero, chunk 1 of 1, then the profile.
inline Bytes iccChunk(const Bytes& profile)
{
    Bytes chunk = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
    chunk.insert(chunk.end(), profile.begin(), profile.end());
    return chunk;
}
