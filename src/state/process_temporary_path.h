// Names of the temporary files a viewer process works with. Each carries the
// process id, so that viewers (or a viewer and render_screen) running at the
// same time in one temporary folder never read or delete each other's files.
#pragma once

#include <cstdint>

#include "state/path_buffer.h"

// directory (ending in a backslash) + stem + "-" + processId in decimal +
// extension. False, with path empty, when the result does not fit.
bool processTemporaryPath(const char16_t* directory, const char16_t* stem, uint32_t processId,
                          const char16_t* extension, PathBuffer& path);
