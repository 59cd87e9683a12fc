// The converter's whole job in memory: the bytes of a WebP file in, the
// bytes of a QDL file of its first frame out, in the encoding the viewer reads quickest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// On failure qdl is empty and error holds a short reason without a period,
// written to follow the input's name ("is not a WebP file").
bool convertWebpToQdl(const uint8_t* data, size_t size, uint64_t maxPixels, std::vector<uint8_t>& qdl,
                      std::string& error);
