// The fullscreen main window of class "Plant". Its state is in
// state/window_state_win32.h.
#pragma once

#include <windows.h>

constexpr UINT openCommandId = 40004;
// Posted by a completed screen preparation; wParam 1 for the current screen.
constexpr UINT screenPreparedMessage = WM_APP + 1;
// Drives the hover fades of the buttons, every 25 ms.
constexpr UINT_PTR hoverTimerId = 4001;

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
