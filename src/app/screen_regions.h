// The fixed squares of the three overlay buttons, in screen coordinates
// (the main window sits at 0,0). Hover and clicks test the same squares,
// bounds inclusive.
#pragma once

#include <cstdint>

enum class ScreenRegion { none, nextButton, prevButton, closeButton };

ScreenRegion screenRegionAt(int32_t x, int32_t y, int32_t screenWidth, int32_t screenHeight);
