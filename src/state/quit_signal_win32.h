// The process-wide signal that the viewer is quitting. The window's
// destruction raises it; a preparation that waits for an outside program
// waits on it as well and gives up at once, so that quitting never waits for
// a slow or hostile file. The portable decoders see it as quitRequested.
#pragma once

#include <windows.h>

// A manual-reset event, made on first use; null only when the platform
// refused to make it.
HANDLE quitEvent();

void signalQuit();
bool quitSignalled();
