// Whether the viewer is quitting, for the portable decoders: a long decode
// looks at it between its steps and gives up, so that quitting never waits
// for a large or hostile file. Raised once, when the window goes; never
// lowered.
#pragma once

#include <atomic>

extern std::atomic<bool> quitRequested;
