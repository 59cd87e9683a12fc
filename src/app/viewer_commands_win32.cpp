#include "app/viewer_commands_win32.h"

#include <windows.h>

#include "app/context_menu_win32.h"
#include "app/overlay_buttons_win32.h"
#include "app/painting_win32.h"
#include "filelist/file_list.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

void goNext()
{
    if (currentEntry == nullptr)
        return;
    currentEntry = nextEntry(currentEntry);
    advanceScreens();
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void goPrevious()
{
    if (currentEntry == nullptr)
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
    if (infoOverlay) {
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
    anaglyphView = !anaglyphView;
    if (currentEntry != nullptr)
        discardPreparedScreens();
}

void toggleColorManagement()
{
    colorManagement = !colorManagement;
    discardPreparedScreens();
}

void discardPreparedScreens()
{
    releasePreparedScreens();
    InvalidateRect(mainWindow, nullptr, FALSE);
}
