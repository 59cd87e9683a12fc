// Building the prepared screens and moving them between the slots, on the
// window thread and on the worker that prepares the next screen. The slots
// and their handshake are in state/prepared_slots_win32.h.
#pragma once

#include <windows.h>

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
