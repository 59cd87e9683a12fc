// The DCT scale M/8 a JPEG is decoded at: the cheapest of those whose
// picture still leaves the screen's scaler a shrink of at least 2 in both
// directions, so that the screen differs from a full decode averaged down by
// well under a level (a reduced IDCT is sharper than an area average, and
// the averaging after it hides that). Cheapest, not smallest: libjpeg-turbo
// has SIMD code only for the full-size IDCT and the 1/2 and 1/4 ones, and
// its other reductions can cost more than the full-size decode.
#pragma once

#include <cstdint>

#include "decode/libraries/jpeg_memory_decode.h"
#include "picture/orientation_turn.h"

constexpr int jpegFullScaleEighths = 8;

// The side of the decoded picture at scale eighths/8, as libjpeg rounds it.
int32_t jpegScaledSide(int32_t side, int eighths);

// The time of a decode of a stream of this kind at scale eighths/8 (1 to 8),
// in hundredths of its full-size decode.
int jpegScaleCost(JpegStreamKind kind, int eighths);

// eighths (1 to 8) for a width x height JPEG of the given kind on a screen
// of the given size: of equal costs the smaller scale.
// anaglyphPath is null without the anaglyph view; with it, the fit is taken
// from the composed size of the full picture, and a scale is used only when
// its picture composes the same way: a stereo pair then splits exactly where
// the full picture does, and a stereo name keeps its layout. The sizes are
// those stored; the fit is taken from the picture turned by orientation, so a
// quarter turn swaps which side limits it.
int chooseJpegScale(int32_t width, int32_t height, JpegStreamKind kind, int32_t screenWidth, int32_t screenHeight,
                    const char16_t* anaglyphPath, Orientation orientation = Orientation::upright);
