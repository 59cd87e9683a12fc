// The fullscreen main window of class "Plant" and the window part of the
// process-wide viewer state.
#pragma once

#include <windows.h>

#include <cstdint>

extern HWND mainWindow;
extern int32_t screenWidth, screenHeight;
extern HWND nextButton, prevButton, closeButton;
extern int32_t nextAlpha, prevAlpha, closeAlpha;  // 64..128
extern bool infoOverlay;
extern UINT fileNameFormat, fileNameWFormat;

constexpr UINT openCommandId = 40004;
// Drives the hover fades of the buttons, every 25 ms.
constexpr UINT_PTR hoverTimerId = 4001;

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
