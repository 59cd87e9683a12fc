// Painting of the main window: the prepared screen copied one to one, the
// information overlay, and the help screen shown while no image is current.
#pragma once

#include <windows.h>

// WM_PAINT: shows the current screen (preparing it first when it is
// missing), then starts the background preparation of the next one.
void paintMainWindow(HWND window);

// WM_ERASEBKGND: the whole screen black.
void eraseMainWindow(HDC context);

// The file's path on the first line and its position and full size on the
// second, white on black at the top left.
void drawInfoOverlay(HDC context);

void drawHelpScreen(HDC context);
