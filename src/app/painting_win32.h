// Painting of the main window: the prepared screen copied one to one, the
// information overlay, and the help screen shown while no image is current.
#pragma once

#include <windows.h>

// WM_PAINT: shows the current screen. A missing current screen is prepared
// in the background first; the window shows nothing new until it is
// complete. The next screen is prepared from useIdleTime.
void paintMainWindow(HWND window);

// Whether the window shows the current screen: there is one and no
// preparation writes it.
bool currentScreenShown();

// WM_ERASEBKGND: the whole screen black.
void eraseMainWindow(HDC context);

// The file's path on the first line and its position and full size on the
// second, white on black at the top left.
void drawInfoOverlay(HDC context);

void drawHelpScreen(HDC context);
