// The main window's context menu (menu resource 101).
#pragma once

#include <windows.h>

constexpr UINT editorCommandId = 200;
constexpr UINT nextCommandId = 40001;
constexpr UINT previousCommandId = 40002;
constexpr UINT quitCommandId = 40003;

// Tracks the menu at the mouse cursor; the chosen item arrives as
// WM_COMMAND. "Quadrel" is offered only while an entry is current and an
// editor is registered.
void showContextMenu(HWND window);

// Whether the primary mouse button went down since the previous query;
// showContextMenu queries once, so that afterwards the answer tells whether
// an item was clicked with that button.
bool primaryButtonPressedSinceQuery();
