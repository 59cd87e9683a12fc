// Size of the image decoded last: its full resolution and the size at which it
// fits the screen. The decoders write them and the screen preparation reads
// them; the worker and the window thread take turns through the preparation
// handshake, so they are plain variables.
#pragma once

#include <cstdint>

extern int32_t imageWidth;
extern int32_t imageHeight;
extern int32_t scaledWidth;
extern int32_t scaledHeight;
