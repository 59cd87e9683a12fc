// The Open command: the platform's open-file dialog picks one file; its
// directory (with the check box, its whole subtree) becomes the new list with
// that file current.
#pragma once

#include <windows.h>

// Shows the dialog over the main window. A cancelled dialog changes nothing
// that is visible; a chosen file replaces the list and all prepared screens.
void openFileCommand();

// Replaces the list by the one resolveStartPath derived from the chosen
// file, once no preparation reads the old list, and repaints.
void listChosenFolder();

// Retitles the dialog, relabels its read-only box "Include subdirectories"
// and centres it over the main window.
UINT_PTR CALLBACK openDialogHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);

// Moves window, size unchanged, so that its centre meets other's centre.
void centerOnWindow(HWND window, HWND other);
