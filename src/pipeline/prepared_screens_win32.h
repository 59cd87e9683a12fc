// Building the prepared screens and moving them between the slots, on the
// worker that prepares them and on the window thread. The slots and their
// handshake are in state/prepared_slots_win32.h.
#pragma once

#include <windows.h>

struct FileEntry;

// Builds one complete screen on the calling thread: a screenWidth x
// screenHeight DIB section with the decoded image fitted, centred on black,
// optionally as an anaglyph and colour-managed. A null successorOf prepares
// the screen of currentEntry into currentBitmap; otherwise the screen of the
// entry after successorOf (the entry that was current when the preparation
// was started) goes into nextBitmap. Once the viewer quits, the decoded
// picture is dropped and the screen stays black; otherwise its bitmap is
// kept as the next decode's spare target. Leaves preloadBusy alone.
void prepareScreen(const FileEntry* successorOf);

// Raises preloadBusy and starts a worker that runs prepareScreen(successorOf),
// lowers preloadBusy and then posts message to window, with wParam 1 when
// the current screen was prepared and 0 for the next one. False, with
// preloadBusy down again, when no thread could be made.
bool startScreenPreparation(const FileEntry* successorOf, HWND window, UINT message);

// Slot rotations for a step forward and back; both wait for a running
// preparation first. The screen that leaves the slots becomes retiredBitmap.
void advanceScreens();
void retreatScreens();
// Deletes retiredBitmap, if any.
void releaseRetiredScreen();

// Waits until no preparation runs.
void waitForPreparation();
// The same for at most milliseconds; false when one still runs.
bool waitForPreparationAtMost(DWORD milliseconds);

// Waits for a running preparation, then deletes the three slot bitmaps, the
// retired one and the spare decode target, and empties the slots.
void releasePreparedScreens();

// Milliseconds the last preparation spent in each step (0 for a step that did
// not run), for the tools that time the pipeline.
struct PreparationTimes {
    double decode, anaglyph, stretch, colourManagement;
};
extern PreparationTimes lastPreparationTimes;
