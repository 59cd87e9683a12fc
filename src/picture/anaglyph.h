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

// Replaces picture by its 32-bit opaque anaglyph: width / 2 wide for a pair,
// width - 2s for a single view, same height. Meant for 24-bit pictures and
// 32-bit pictures without transparency, which take one fused pass; any
// other picture is composed operation by operation with the same result.
// When the result is no larger than the source it is written over the
// source's pixel array, which keeps its original size. A picture that holds
// no image is left as it is.
void composeAnaglyph(Picture& picture, const char16_t* path);
