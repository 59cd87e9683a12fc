// The About box (dialog 106): name and version, a notice line, and a link
// line that opens the product page in the browser.
#pragma once

#include <windows.h>

extern HFONT linkFont;  // underlined font of the link line; made on its first colouring, freed with the dialog

// The product page that a click on the link line opens.
extern const wchar_t productPageAddress[];

// Runs the About box modally, owned by owner; returns when it is closed.
void showAboutDialog(HWND owner);

// Moves the window, keeping its size, to the centre of the primary screen's
// full-screen client area. Not clamped: a window larger than that area gets
// a negative position.
void centerOnScreen(HWND window);

INT_PTR CALLBACK aboutDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
