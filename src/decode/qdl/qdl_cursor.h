// The read position inside a QDL file image. Every decoder asks has(n) before
// it takes n bytes, so nothing is ever read past the end of the block.
#pragma once

#include <cstddef>
#include <cstdint>

struct QdlCursor {
    const uint8_t* data;
    size_t size;
    size_t position;

    size_t remaining() const { return size - position; }
    bool has(size_t n) const { return n <= size - position; }

    // The take functions expect has() to have been checked.
    uint8_t take8() { return data[position++]; }
    uint16_t take16()
    {
        const uint16_t value = static_cast<uint16_t>(data[position] | (data[position + 1] << 8));
        position += 2;
        return value;
    }
    const uint8_t* take(size_t n)
    {
        const uint8_t* start = data + position;
        position += n;
        return start;
    }
};
