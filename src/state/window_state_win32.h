// The window part of the process-wide viewer state: the main window, the
// screen it covers and the overlay buttons.
//
// Written on the window thread by the main window's creation and its commands
// (app). Read by the window, painting and buttons (app), the open dialog and
// the directory scan's message boxes (filelist), and colour management
// (pipeline); the worker reads screenWidth and screenHeight.
#pragma once

#include <windows.h>

#include <cstdint>

extern HWND mainWindow;
extern int32_t screenWidth, screenHeight;
extern HWND nextButton, prevButton, closeButton;
extern int32_t nextAlpha, prevAlpha, closeAlpha;  // 64..128
extern bool infoOverlay;
extern UINT fileNameFormat, fileNameWFormat;
