// The three prepared screens and the handshake that guards them.
//
// Screens are prepared on a worker thread, one at a time and in this order:
// the current screen when it is missing, then the next one. The window
// thread never decodes, so keys (Escape above all) are read while a slow or
// hostile file is prepared. The next screen's preparation starts once the
// window thread has nothing left to do, so that the screen just painted is
// out before a worker is made and competes for the processor.
//
// Handshake: the window thread raises preloadBusy, and sets
// preparingCurrentScreen to the slot it hands over, before the worker
// exists. The worker fills that one slot, lowers preloadBusy (release) when
// the slot is complete, and only then posts its message to the window.
//
// Ownership: the slot bitmaps belong to the slots. While preloadBusy is up,
// the worker owns the slot it fills (bitmap and sizes) and the decode
// results; the window thread reads only the other slots (painting shows the
// current one while the next is prepared, and shows nothing of its own while
// the current one is) and queues every command that would move, replace or
// delete a slot or change what the worker reads. While preloadBusy is down,
// only the window thread deletes, rotates or replaces slots (the screen
// preparation's rotations in pipeline, the main window, its commands and the
// delete command in app). A worker still inside a decode that cannot be
// interrupted when the viewer quits keeps its slot: the process ends around
// it, and nobody frees it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

extern HBITMAP currentBitmap, nextBitmap, previousBitmap;
extern int32_t currentImageWidth, currentImageHeight;
extern int32_t nextImageWidth, nextImageHeight;
extern int32_t previousImageWidth, previousImageHeight;
// The screen a step pushed out of the three slots, deleted once the window
// thread is idle rather than before the step is painted. Window thread only.
extern HBITMAP retiredBitmap;
// Raised before a preparation starts and lowered (release) when its slot is
// complete; the window thread waits for it, or queues its command, before
// touching any slot.
extern std::atomic<bool> preloadBusy;
// Which slot the preparation under preloadBusy fills: the current one (true)
// or the next. Window thread only.
extern bool preparingCurrentScreen;
