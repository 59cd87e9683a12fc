// The second chance for WebP files the imaging component cannot decode: the
// converter of the Quadrel editor's package, or the one shipped beside the
// viewer, writes the first frame as a QDL file, which the own reader then
// decodes.
#pragma once

#include <windows.h>

// Copies the file into the temporary directory, runs the converter (beside
// the editor of editorCommand, else in Utilities-WebP beside the viewer's
// own program) hidden, waits for it without a time limit, and reads its
// output. When the viewer quits meanwhile the converter is ended and its
// output is never read. The temporary files carry the process id and are
// gone on return, read-only or not. Sets imageWidth and imageHeight when the
// output holds a picture.
// Null when there is no converter, it writes nothing readable, or a path
// does not fit.
HBITMAP decodeWithWebpConverter(const char16_t* path);
