// The prepared screens and the decode results shared between the window
// thread and the worker that prepares the next screen.
//
// Ownership: the three slot bitmaps belong to the slots. Only the window
// thread deletes, rotates or replaces them, and only while preloadBusy is
// false. Of the slots the worker writes nextBitmap and its sizes only; it
// also writes the decode sizes and the colour-management flags, which the
// window thread reads only while no preparation runs.
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

// Builds one complete screen: a screenWidth x screenHeight DIB section with
// the decoded image fitted, centred on black, optionally as an anaglyph and
// colour-managed. A thread start routine: a null argument prepares the screen
// of currentEntry into currentBitmap; otherwise the argument is the FileEntry
// that was current when the run was started, and the screen of its successor
// goes into nextBitmap, after which preloadBusy is lowered. Once the viewer
// quits, the decoded picture is dropped and the screen stays black. Returns 0.
DWORD WINAPI prepareScreen(LPVOID successorOf);

// Slot rotations for a step forward and back; both wait for a running
// preparation first.
void advanceScreens();
void retreatScreens();

// Sleeps in 15 ms steps until no preparation of the next screen runs.
void waitForPreparation();
// The same for at most about milliseconds; false when one still runs.
bool waitForPreparationAtMost(DWORD milliseconds);

// Waits for a running preparation, then deletes the three slot bitmaps and
// empties the slots.
void releasePreparedScreens();

// Milliseconds the last preparation spent in each step (0 for a step that did
// not run), for the tools that time the pipeline.
struct PreparationTimes {
    double decode, anaglyph, stretch, colourManagement;
};
extern PreparationTimes lastPreparationTimes;
