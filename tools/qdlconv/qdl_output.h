// Writing qdlconv's OUTPUT as a QDL file of the chosen pixel type and
// compression.
#pragma once

#include "command_line.h"
#include "picture/picture.h"

// Returns the exit status; a compression the picture's own type lacks is a
// wrong command line.
int writeQdlOutput(Picture& picture, Options options);
