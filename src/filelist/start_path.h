// From the start path (a file or a directory) to the directory prefix that
// the list is scanned from.
#pragma once

#include "state/path_buffer.h"

// The directory whose images form the list, ending in a backslash; empty
// when there is none.
extern PathBuffer listDirectory;

enum class PathKind { missing, directory, file };

// Turns startPath into listDirectory, asking what is at a path through
// query:
// - an empty startPath leaves listDirectory as it is;
// - a path ending in a backslash is taken as it is;
// - a directory gets its backslash; when that does not fit, the start path
//   is refused (listDirectory empty, startPathRefused set);
// - a file gives everything up to and including its last backslash;
// - a path that names nothing, or that holds the wildcards '*' or '?' (no
//   stored name can), is taken as it is; the scan then finds nothing.
void resolveStartPathWith(PathKind (*query)(const char16_t* path));

// resolveStartPathWith over the platform's directory enumeration. Windows
// only.
void resolveStartPath();
