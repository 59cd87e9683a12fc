#pragma once

// Makes a relative startPath (a bare file name from a command prompt
// included) absolute against the current directory, so that the list is
// built from the right folder and the named file becomes current. A result
// that does not fit the path buffer refuses the start path.
void makeStartPathAbsolute();
