// Commands that move, replace or delete prepared screens, or change what a
// preparation reads, taken in turn with the screen preparation: while a
// preparation runs they queue instead of waiting for it, so the window keeps
// reading keys, and they run in the order they came once it is done. Window
// thread only.
#pragma once

using DeferredCommand = void (*)();

// Called first by each such command with itself. True when it was queued
// (it returns at once and runs later); false when it is to run now: no
// preparation runs and none is queued before it, or it is being run from the
// queue.
bool deferWhilePreparing(DeferredCommand command);

// Runs the queued commands in order as long as no preparation runs; called
// when a preparation is complete. A command that starts a preparation (or
// shows a dialog whose idle time starts one) leaves the rest queued.
void runDeferredCommands();
