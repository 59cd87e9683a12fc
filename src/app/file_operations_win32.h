// The operations on the file of currentEntry: delete it, copy its path to
// the clipboard, open it in the Quadrel editor. Each does nothing while no
// entry is current. UI thread only.
#pragma once

// Asks first; a plain delete (read-only files stay). On success the entry
// leaves the list and the screen prepared for its successor is shown.
void deleteCurrentFile();

// Puts the path as text, as a dropped file, and in the shell's "FileName"
// (8-bit short form) and "FileNameW" formats.
void copyPathToClipboard();

// Starts the editor with the path, unquoted, as its whole parameter string.
void openInEditor();
