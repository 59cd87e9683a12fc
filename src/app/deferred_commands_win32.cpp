#include "app/deferred_commands_win32.h"

#include <deque>

#include "state/prepared_slots_win32.h"

namespace {

std::deque<DeferredCommand> queued;
// A command taken from the queue, until it has asked deferWhilePreparing.
bool runningQueued = false;
// Commands that show a dialog let messages in, among them the message of a
// completed preparation: the running loop goes on after them instead.
bool running = false;

}  // namespace

bool deferWhilePreparing(DeferredCommand command)
{
    if (runningQueued) {
        runningQueued = false;
        return false;
    }
    if (!preloadBusy.load(std::memory_order_acquire) && queued.empty())
        return false;
    queued.push_back(command);
    runDeferredCommands();
    return true;
}

void runDeferredCommands()
{
    if (running)
        return;
    running = true;
    while (!queued.empty() && !preloadBusy.load(std::memory_order_acquire)) {
        const DeferredCommand command = queued.front();
        queued.pop_front();
        runningQueued = true;
        command();
        runningQueued = false;
    }
    running = false;
}
