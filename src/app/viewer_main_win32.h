#pragma once

// The whole run of the viewer: command line, window, message loop. Returns
// the process exit code, which is always 0.
int viewerMain(int argumentCount, wchar_t** arguments);
