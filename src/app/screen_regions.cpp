#include "app/screen_regions.h"

namespace {

bool within(int32_t value, int32_t from, int32_t to) { return value >= from && value <= to; }

}  // namespace

ScreenRegion screenRegionAt(int32_t x, int32_t y, int32_t screenWidth, int32_t screenHeight)
{
    const int32_t w = screenWidth, h = screenHeight;
    if (within(y, h - 65, h - 25)) {
        if (within(x, w - 65, w - 25))
            return ScreenRegion::nextButton;
        if (within(x, w - 120, w - 80))
            return ScreenRegion::prevButton;
    }
    if (within(y, 25, 65) && within(x, w - 65, w - 25))
        return ScreenRegion::closeButton;
    return ScreenRegion::none;
}
