#include "state/quit_signal_win32.h"

#include "state/quit_request.h"

HANDLE quitEvent()
{
    // Lives until the process ends; both threads may ask first.
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void signalQuit()
{
    quitRequested.store(true, std::memory_order_release);
    if (HANDLE event = quitEvent())
        SetEvent(event);
}

bool quitSignalled()
{
    HANDLE event = quitEvent();
    return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}
