// The three prepared screens and the handshake that guards them.
//
// Ownership: the slot bitmaps belong to the slots. Only the window thread
// deletes, rotates or replaces them (the screen preparation and its rotations
// in pipeline, the main window and the delete command in app), and only while
// preloadBusy is false. The worker writes nextBitmap and its sizes only.
// Painting (app) reads the current slot and raises preloadBusy before it
// starts the worker; the screen preparation reads all three.
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
