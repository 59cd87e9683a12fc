#include "app/button_alpha.h"

int32_t raisedAlpha(int32_t alpha)
{
    if (alpha >= hoveredButtonAlpha)
        return alpha;
    return alpha > hoveredButtonAlpha - 8 ? hoveredButtonAlpha : alpha + 8;
}

int32_t loweredAlpha(int32_t alpha)
{
    if (alpha <= restingButtonAlpha)
        return alpha;
    return alpha < restingButtonAlpha + 8 ? restingButtonAlpha : alpha - 8;
}

int32_t hoverAlpha(int32_t alpha, bool hovered) { return hovered ? raisedAlpha(alpha) : loweredAlpha(alpha); }

FadeStep fadeStep(int32_t n)
{
    const int32_t a = 16 * n - 1;
    return {a, a * 64 / 255, a * 96 / 255};
}
