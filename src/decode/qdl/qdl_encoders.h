// The pixel-stream encoders behind writeQdlImage. Each appends the stream of
// the picture's pixels, in the reader's order, to out; the picture's depth
// has been checked by the caller.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/qdl/qdl_writer.h"

// 1 bit, compression 1.
QdlWriteResult encodeQdlBitRuns(const Picture& picture, std::vector<uint8_t>& out);
// 8 bits, compressions 1 to 4.
QdlWriteResult encodeQdlIndexRuns(const Picture& picture, int compression, std::vector<uint8_t>& out);
// 24 and 32 bits, compression 1.
QdlWriteResult encodeQdlColourRuns(const Picture& picture, std::vector<uint8_t>& out);
// 32 bits, compression 2.
QdlWriteResult encodeQdlMarkedRuns(const Picture& picture, std::vector<uint8_t>& out);
// 24 bits compression 2, 32 bits compression 3.
QdlWriteResult encodeQdlColourGroups(const Picture& picture, std::vector<uint8_t>& out);
