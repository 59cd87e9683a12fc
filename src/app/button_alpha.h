// Constant opacity of the overlay buttons (0..255 scale): 64 at rest, 128
// while the cursor rests on a button, and the steps of the closing fade.
#pragma once

#include <cstdint>

constexpr int32_t restingButtonAlpha = 64;
constexpr int32_t hoveredButtonAlpha = 128;

// One hover tick brighter: +8, capped at 128; 128 and above stay.
int32_t raisedAlpha(int32_t alpha);

// One tick dimmer: -8, floored at 64; 64 and below stay.
int32_t loweredAlpha(int32_t alpha);

// The alpha after one tick: raised while the cursor is on the button,
// lowered otherwise.
int32_t hoverAlpha(int32_t alpha, bool hovered);

// Opacities of fade step n (16 down to 1): the main window at 16n - 1, Next
// and Prev scaled from 64 and CLOSE from 96 by the same factor.
struct FadeStep {
    int32_t windowAlpha;
    int32_t arrowAlpha;
    int32_t closeAlpha;
};
constexpr int32_t fadeStepCount = 16;
FadeStep fadeStep(int32_t n);
