// The picture size an HEVC sequence parameter set declares. The decoder
// allocates its frames from this size, whatever the container says, so the
// container's reader compares it with the item's own size before any frame
// is decoded.
#pragma once

#include <cstddef>
#include <cstdint>

struct HevcSpsSize {
    // pic_width/height_in_luma_samples: what the decoder allocates.
    uint32_t codedWidth = 0, codedHeight = 0;
    // The same less the conformance window: the picture the decoder outputs.
    uint32_t width = 0, height = 0;
};

// True when the NAL unit in nal[0, size), starting with its two-byte header,
// is a sequence parameter set.
bool isHevcSps(const uint8_t* nal, size_t size);

// Reads the sizes of the sequence parameter set in nal[0, size), header
// included. False when the unit ends early, an Exp-Golomb code is longer
// than 32 bits, or the conformance window is larger than the picture.
bool readHevcSpsSize(const uint8_t* nal, size_t size, HevcSpsSize& out);
