// The DCT scale M/8 a JPEG is decoded at: the smallest whose picture still
// leaves the screen's scaler a shrink of at least jpegMinimumShrink in both
// directions, so that the screen differs from a full decode averaged down by
// well under a level (a reduced IDCT is sharper than an area average, and
// the averaging after it hides that).
#pragma once

#include <cstdint>

#include "picture/orientation_turn.h"

constexpr int jpegFullScaleEighths = 8;

// The side of the decoded picture at scale eighths/8, as libjpeg rounds it.
int32_t jpegScaledSide(int32_t side, int eighths);

// eighths (1 to 8) for a width x height JPEG on a screen of the given size.
// anaglyphPath is null without the anaglyph view; with it, the fit is taken
// from the composed size of the full picture, and a scale is used only when
// its picture composes the same way: a stereo pair then splits exactly where
// the full picture does, and a stereo name keeps its layout. The sizes are
// those stored; the fit is taken from the picture turned by orientation, so a
// quarter turn swaps which side limits it.
int chooseJpegScale(int32_t width, int32_t height, int32_t screenWidth, int32_t screenHeight,
                    const char16_t* anaglyphPath, Orientation orientation = Orientation::upright);
