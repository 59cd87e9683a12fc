// Writing a picture as the smallest QDL file its own pixel type allows.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/qdl_writer.h"
#include "picture/picture.h"

// Encodes picture in its natural pixel type with every compression that type
// accepts and keeps the shortest file (the plainer compression on a tie).
// Compressions that cannot store the picture, or run out of memory, are
// passed over; plain always can. Replaces out with the file on success, leaves it empty on failure.
QdlWriteResult writeSmallestQdl(const Picture& picture, std::vector<uint8_t>& out);
