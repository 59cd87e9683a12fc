// Turning 32-bit pixels upright by an EXIF orientation. The pixels are kept
// as stored until the screen-size picture is made; this is the one place they
// are turned, so a picture is turned exactly once.
#pragma once

#include <cstdint>

#include "picture/area_scale.h"

// The EXIF numbering: where the stored first row and first column belong.
enum class Orientation : uint8_t {
    upright = 1,         // row 0 at the top, column 0 on the left
    mirrored = 2,        // column 0 on the right
    halfTurn = 3,        // row 0 at the bottom, column 0 on the right
    flipped = 4,         // row 0 at the bottom
    transposed = 5,      // row 0 on the left, column 0 at the top
    clockwise = 6,       // row 0 on the right, column 0 at the top: turn a quarter clockwise
    transverse = 7,      // row 0 on the right, column 0 at the bottom
    anticlockwise = 8,   // row 0 on the left, column 0 at the bottom: turn a quarter anticlockwise
};

// An EXIF value; anything but 1 to 8 is upright.
Orientation orientationFromExif(uint32_t value);

// True for the orientations that stand a stored row upright as a column.
bool swapsSides(Orientation orientation);

// The upright size of a stored width x height, or the stored size of an
// upright one (the same swap).
void turnSides(Orientation orientation, int32_t& width, int32_t& height);

// Writes source, turned upright, into target. False, with target untouched,
// when target's size is not source's turned size or either is empty.
bool turnPixels(const PixelRows& source, const PixelRows& target, Orientation orientation);
