// Turns the program's arguments into the start path and the option flags.
#pragma once

#include <cstddef>

#include "state/path_buffer.h"

// arguments[0] is the program. Copies argument 1 into startPath (a path that
// does not fit is refused: startPath stays empty and startPathRefused is set)
// and, when exactly one more argument follows and it begins with '/', sets
// the flags of the letters a, c, s and 3 found in it. Never clears a flag.
void applyCommandLine(int argumentCount, const char16_t* const* arguments);

// The registry value of the editor's open command, units long (it need not
// be terminated), reduced to the program path: the first character (the
// opening quote) is dropped and the text ends at the next quote. Gives an
// empty path when the result would not fit.
void editorCommandFromValue(const char16_t* value, size_t units, PathBuffer& command);
