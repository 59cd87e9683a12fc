// The command line's part of the process-wide viewer state.
//
// Written on the window thread only: by the command line at start-up (app),
// the F9 and F12 toggles (app), the open dialog, which replaces startPath and
// includeSubdirs, and the start path's resolution, which may refuse it
// (filelist). Read by the directory scan (filelist), the decoders (decode),
// the screen preparation on either thread (pipeline) and the window (app).
#pragma once

#include "state/path_buffer.h"

extern PathBuffer startPath;      // file or directory the user asked for
extern bool startPathRefused;     // a start path was given but does not fit a path buffer
extern bool includeSubdirs;       // /a: list the images of all subdirectories too
extern bool colorManagement;      // /c: ICC colour management on
extern bool buttonsHidden;        // /s: overlay buttons start hidden
extern bool anaglyphView;         // /3: red-cyan anaglyph view on
extern PathBuffer editorCommand;  // the Quadrel editor's program, or empty
