// The file-type filter of the open dialog: every file first, as the dialog
// has always started, then the pictures the list takes.
#pragma once

#include <string>

// "All Files", "*.*", "Pictures" and the list's patterns joined by ";", each
// text ended by a NUL and the whole by a second one, as the dialog wants it.
std::u16string openDialogFilter();
