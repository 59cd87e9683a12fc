// Opacity of the overlay buttons: hover raise and lower, and the closing fade.
#include <gtest/gtest.h>

#include "app/button_alpha.h"

namespace {

TEST(ButtonAlpha, RaiseAndLowerStepByEightWithinRestAndHover)
{
    const struct {
        int32_t alpha, raised, lowered;
    } cases[] = {
        {64, 72, 64},    {72, 80, 64},    {71, 79, 64},   {73, 81, 65},    {119, 127, 111},
        {120, 128, 112}, {121, 128, 113}, {127, 128, 119}, {128, 128, 120}, {129, 129, 121},
        {63, 71, 63},    {0, 8, 0},       {255, 255, 247},  // outside the range in use
    };
    for (const auto& c : cases) {
        EXPECT_EQ(raisedAlpha(c.alpha), c.raised) << c.alpha;
        EXPECT_EQ(loweredAlpha(c.alpha), c.lowered) << c.alpha;
        EXPECT_EQ(hoverAlpha(c.alpha, true), c.raised) << c.alpha;
        EXPECT_EQ(hoverAlpha(c.alpha, false), c.lowered) << c.alpha;
    }
}

TEST(ButtonAlpha, FadeStepsScaleFromFullToFifteen)
{
    const struct {
        int32_t n;
        FadeStep expected;
    } cases[] = {
        {16, {255, 64, 96}}, {15, {239, 59, 89}}, {8, {127, 31, 47}}, {2, {31, 7, 11}}, {1, {15, 3, 5}},
    };
    for (const auto& c : cases) {
        const FadeStep step = fadeStep(c.n);
        EXPECT_EQ(step.windowAlpha, c.expected.windowAlpha) << c.n;
        EXPECT_EQ(step.arrowAlpha, c.expected.arrowAlpha) << c.n;
        EXPECT_EQ(step.closeAlpha, c.expected.closeAlpha) << c.n;
    }
}

}  // namespace
