// Red-cyan anaglyphs: the left eye's view keeps its red, the right eye's view
// its green and blue. A side-by-side stereo pair is composed from its two
// halves; any other picture from two copies of itself pushed s columns apart
// each way, keeping only the columns both copies cover.
#pragma once

#include <cstdint>

#include "picture/picture.h"

enum class StereoLayout { parallelPair, crossedPair, singleView };

struct StereoChoice {
    StereoLayout layout;
    int32_t shift;  // s: columns each copy of a single view moves; 0 for pairs
};

// Pairs need an even width; a stereo name with an odd width, like any other
// picture, is a single view with s = round(width / 50).
StereoChoice chooseStereoLayout(const char16_t* path, int32_t width);

// The width of the anaglyph of a picture width wide: width / 2 for a pair,
// width - 2s for a single view.
int32_t composedWidth(const StereoChoice& choice, int32_t width);

// The picture as the screen shows it on black: 1- and 8-bit pictures become
// 32 bits, and every partly transparent pixel is blended onto black and made
// opaque. Fully transparent pixels stay so: the screen shows them black, and
// the composition leaves them out of its levels, so that they stay black in
// the anaglyph instead of taking on a colour the screen never showed.
void flattenOntoBlack(Picture& picture);

// A 32-bit picture read back from a display bitmap, whose colours are
// already on black (premultiplied): its alpha only tells which pixels are
// fully transparent, and every other pixel becomes opaque as it stands. When
// no pixel has alpha the platform left the byte unset: all are opaque.
void markReadBackTransparency(Picture& picture);

// Replaces picture, of any depth, by its 32-bit anaglyph, composed from the
// picture as flattenOntoBlack leaves it: width / 2 wide for a pair, width -
// 2s for a single view, same height; opaque, except where both eyes see a
// fully transparent pixel. 24-bit pictures and 32-bit pictures without
// transparency take one fused pass; any other picture is composed operation
// by operation with the same result.
// When the result is no larger than the source it is written over the
// source's pixel array, which keeps its original size. A picture that holds
// no image is left as it is.
void composeAnaglyph(Picture& picture, const char16_t* path);
