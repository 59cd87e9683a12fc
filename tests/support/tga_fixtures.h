// Uncompressed and run-length TGA files made from a header and the given
// pixel data. Used by the TGA reader tests and the seed corpus of its fuzz
// target.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes tgaFile(uint8_t imageType, uint16_t width, uint16_t height, uint8_t depth, const Bytes& data,
                     uint8_t descriptor = 0)
{
    Bytes file = {
        0,                                      // identification field length
        0,                                      // colour map type: none
        imageType,                              // 2 plain, 10 run-length encoded
        0, 0, 0, 0, 0,                          // colour map specification
        0, 0, 0, 0,                             // x and y origin
        uint8_t(width), uint8_t(width >> 8),    // width
        uint8_t(height), uint8_t(height >> 8),  // height
        depth,                                  // bits per pixel
        descriptor,                             // bit 5 top-left origin, bits 0-3 alpha bits
    };
    file.insert(file.end(), data.begin(), data.end());
    return file;
}
