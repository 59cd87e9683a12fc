// The commands of the main window that change what is shown. Keys, clicks,
// the wheel and the context menu all end here. UI thread only.
#pragma once

// Step to the successor (the head after the tail) or the predecessor (the
// tail before the head); nothing while no entry is current. These, the two
// toggles and the delete command wait their turn while a screen is prepared
// (app/deferred_commands_win32.h).
void goNext();
void goPrevious();

// Ends the viewer by destroying the main window.
void quitViewer();

// The context menu's Quit: quits when it was clicked with the primary mouse
// button, and only minimises when chosen with the keyboard or the other
// button.
void quitOrMinimize();

// Shows or hides the file's path, position and size over the image.
void toggleInfoOverlay();

// Hides the three overlay buttons when they are shown, else shows them.
void toggleButtons();

// F9 and F12: flip the setting and drop the screens prepared under the old
// one.
void toggleAnaglyphView();
void toggleColorManagement();

// Waits for a running preparation, releases the three prepared screens and
// repaints without erasing, so that the next paint prepares them again.
void discardPreparedScreens();

// A screen preparation is complete (current: it filled the current slot).
// Shows the current screen now, then runs the commands that waited for the
// preparation.
void takePreparedScreen(bool current);

// The window thread has no message waiting, in its own loop or in a modal
// one (WM_ENTERIDLE): what it painted is out by now (Wine puts a window's
// drawing on the screen only then). Deletes the screen the last step
// retired and starts preparing the next screen when it is missing.
void useIdleTime();
