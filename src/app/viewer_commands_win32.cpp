#include "app/viewer_commands_win32.h"

#include <windows.h>

#include "app/context_menu_win32.h"
#include "app/deferred_commands_win32.h"
#include "app/main_window_win32.h"
#include "app/overlay_buttons_win32.h"
#include "app/painting_win32.h"
#include "filelist/file_list.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/prepared_slots_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

void goNext()
{
    if (currentEntry == nullptr || deferWhilePreparing(goNext))
        return;
    currentEntry = nextEntry(currentEntry);
    advanceScreens();
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void goPrevious()
{
    if (currentEntry == nullptr || deferWhilePreparing(goPrevious))
        return;
    currentEntry = previousEntry(currentEntry);
    retreatScreens();
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void quitViewer()
{
    if (desktopCompositionEnabled())
        fadeOut();
    DestroyWindow(mainWindow);
}

void quitOrMinimize()
{
    if (primaryButtonPressedSinceQuery())
        quitViewer();
    else
        ShowWindow(mainWindow, SW_MINIMIZE);
}

void toggleInfoOverlay()
{
    if (currentEntry == nullptr)
        return;
    infoOverlay = !infoOverlay;
    // While the current screen is prepared, its repaint draws the overlay.
    if (infoOverlay && currentScreenShown()) {
        HDC context = GetDC(mainWindow);
        if (context != nullptr) {
            drawInfoOverlay(context);
            ReleaseDC(mainWindow, context);
        }
    } else {
        InvalidateRect(mainWindow, nullptr, FALSE);
    }
}

void toggleButtons()
{
    const int show = IsWindowVisible(prevButton) ? SW_HIDE : SW_SHOW;
    ShowWindow(nextButton, show);
    ShowWindow(prevButton, show);
    ShowWindow(closeButton, show);
    if (show == SW_SHOW)
        SetFocus(mainWindow);
}

void toggleAnaglyphView()
{
    if (deferWhilePreparing(toggleAnaglyphView))
        return;
    anaglyphView = !anaglyphView;
    if (currentEntry != nullptr)
        discardPreparedScreens();
}

void toggleColorManagement()
{
    if (deferWhilePreparing(toggleColorManagement))
        return;
    colorManagement = !colorManagement;
    discardPreparedScreens();
}

void discardPreparedScreens()
{
    releasePreparedScreens();
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void takePreparedScreen(bool current)
{
    if (current || currentBitmap == nullptr) {
        InvalidateRect(mainWindow, nullptr, FALSE);
        UpdateWindow(mainWindow);
    }
    runDeferredCommands();
}

// The worker gets the entry that is current now, so that a step taken right
// after the start does not change which file it prepares.
void useIdleTime()
{
    releaseRetiredScreen();
    if (currentEntry != nullptr && nextBitmap == nullptr && !preloadBusy.load(std::memory_order_acquire))
        startScreenPreparation(currentEntry, mainWindow, screenPreparedMessage);
}
