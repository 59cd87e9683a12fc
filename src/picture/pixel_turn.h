// Turning rows of 4-byte pixels upright. Each of the eight ways a camera can
// record a picture (turned by quarters, mirrored or both) is undone by an
// optional transposition followed by optional mirrors.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelTurn {
    bool transpose = false;       // source rows become columns: width and height swap
    bool reverseRows = false;     // then the source's last row comes first
    bool reverseColumns = false;  // then the source's last column comes first

    bool none() const { return !transpose && !reverseRows && !reverseColumns; }
};

// Rows of 4-byte pixels: row y starts at firstRow + y * stride.
struct PixelRows {
    uint8_t* firstRow;
    ptrdiff_t stride;
    int32_t width;
    int32_t height;
};

// Writes the source turned into destination, whose width and height must be
// the source's (swapped when transposing). Destination pixel (x, y) is source
// pixel (sx, sy) with (sx, sy) = (y, x) when transposing and (x, y)
// otherwise, then sy = height - 1 - sy for reverseRows and
// sx = width - 1 - sx for reverseColumns (the source's width and height).
// False, with nothing written, when the sizes do not match.
bool turnPixels(const PixelRows& source, PixelTurn turn, const PixelRows& destination);
