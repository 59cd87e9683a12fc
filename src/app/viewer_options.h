// The command line's part of the process-wide viewer state.
#pragma once

#include "filelist/path_buffer.h"

extern PathBuffer startPath;      // file or directory the user asked for
extern bool startPathRefused;     // a start path was given but does not fit a path buffer
extern bool includeSubdirs;       // /a: list the images of all subdirectories too
extern bool colorManagement;      // /c: ICC colour management on
extern bool buttonsHidden;        // /s: overlay buttons start hidden
extern bool anaglyphView;         // /3: red-cyan anaglyph view on
extern PathBuffer editorCommand;  // the Quadrel editor's program, or empty
