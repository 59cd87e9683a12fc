// The prepared screens and the decode results shared between the window
// thread and the worker that prepares the next screen.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

extern HBITMAP currentBitmap, nextBitmap, previousBitmap;
extern int32_t currentImageWidth, currentImageHeight;
extern int32_t nextImageWidth, nextImageHeight;
extern int32_t previousImageWidth, previousImageHeight;
// Raised before a preparation of nextBitmap starts and lowered (release) when
// it is complete; the window thread waits for it before touching any slot.
extern std::atomic<bool> preloadBusy;
// Colour-management hand-over between the decoder and the screen preparation.
extern bool skipEmbeddedProfile, forceGdiplusIcm;
