#include "app/main_window_win32.h"

#include "app/about_dialog_win32.h"
#include "app/context_menu_win32.h"
#include "app/file_operations_win32.h"
#include "app/overlay_buttons_win32.h"
#include "app/painting_win32.h"
#include "app/screen_regions.h"
#include "app/viewer_commands_win32.h"
#include "filelist/file_list.h"
#include "app/open_dialog_win32.h"
#include "filelist/start_path.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/prepared_slots_win32.h"
#include "state/quit_signal_win32.h"
#include "state/temporary_files_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

constexpr DWORD quitWaitMilliseconds = 1000;

LRESULT onCreate(HWND window)
{
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    createButtons(window);
    drawButtons(allButtons);
    // A start path that could not be taken still gets a list build, which
    // then reports that it found nothing, as for a path that names nothing.
    if (listDirectory[0] != 0 || startPathRefused)
        buildFileList();
    else
        PostMessageW(window, WM_COMMAND, openCommandId, 0);
    SetTimer(window, hoverTimerId, 25, nullptr);
    currentBitmap = nextBitmap = previousBitmap = nullptr;
    fileNameFormat = RegisterClipboardFormatW(L"FileName");
    fileNameWFormat = RegisterClipboardFormatW(L"FileNameW");
    return 0;
}

LRESULT onDestroy(HWND window)
{
    KillTimer(window, hoverTimerId);
    destroyButtons();
    // Quitting never waits long for a file: a running converter is ended at
    // once. A decode that cannot be interrupted keeps its screen slot, and the
    // process ends around it (viewerMain); its temporary files go here.
    signalQuit();
    if (waitForPreparationAtMost(quitWaitMilliseconds))
        releasePreparedScreens();
    removeTemporaryFilesForExit();
    PostQuitMessage(0);
    return 0;
}

LRESULT onKeyDown(HWND window, WPARAM key)
{
    switch (key) {
    case VK_RETURN:
    case VK_SPACE:
    case VK_NEXT:
    case VK_RIGHT:
    case VK_DOWN: goNext(); break;
    case VK_BACK:
    case VK_PRIOR:
    case VK_LEFT:
    case VK_UP: goPrevious(); break;
    case VK_ESCAPE: quitViewer(); break;
    case VK_INSERT: copyPathToClipboard(); break;
    case VK_DELETE: deleteCurrentFile(); break;
    case VK_F1: showAboutDialog(window); break;
    case VK_F2: toggleInfoOverlay(); break;
    case VK_F9: toggleAnaglyphView(); break;
    case VK_F11: toggleButtons(); break;
    case VK_F12: toggleColorManagement(); break;
    default: break;
    }
    return 0;
}

LRESULT onCommand(WPARAM command)
{
    switch (LOWORD(command)) {
    case openCommandId: openFileCommand(); break;
    case editorCommandId: openInEditor(); break;
    case nextCommandId: goNext(); break;
    case previousCommandId: goPrevious(); break;
    case quitCommandId: quitOrMinimize(); break;
    default: break;
    }
    return 0;
}

// The coordinates come unsigned: the window covers the screen from 0,0.
ScreenRegion regionOf(LPARAM position)
{
    return screenRegionAt(LOWORD(position), HIWORD(position), screenWidth, screenHeight);
}

// Clicks are taken on release. The buttons let clicks through, so a click on
// a button arrives here at its square.
LRESULT onLeftButtonUp(LPARAM position)
{
    if (!IsWindowVisible(prevButton))
        return 0;
    switch (regionOf(position)) {
    case ScreenRegion::nextButton: goNext(); break;
    case ScreenRegion::prevButton: goPrevious(); break;
    case ScreenRegion::closeButton: quitViewer(); break;
    case ScreenRegion::none: break;
    }
    return 0;
}

// Over the Next and Prev squares the buttons come back even while hidden.
LRESULT onMiddleDoubleClick(LPARAM position)
{
    ScreenRegion region = regionOf(position);
    if (region == ScreenRegion::nextButton || region == ScreenRegion::prevButton)
        toggleButtons();
    else
        toggleInfoOverlay();
    return 0;
}

// Turned towards the user (negative) or not at all goes forward.
LRESULT onMouseWheel(WPARAM wheel)
{
    if (GET_WHEEL_DELTA_WPARAM(wheel) > 0)
        goPrevious();
    else
        goNext();
    return 0;
}

LRESULT onTimer()
{
    hoverStepButtons();
    return 0;
}

LRESULT onPaint(HWND window)
{
    paintMainWindow(window);
    return 0;
}

LRESULT onScreenPrepared(WPARAM current)
{
    takePreparedScreen(current != 0);
    return 0;
}

LRESULT onEraseBackground(HDC context)
{
    eraseMainWindow(context);
    return 1;
}

LRESULT onEnterIdle()
{
    useIdleTime();
    return 0;
}

LRESULT onContextMenu(HWND window)
{
    showContextMenu(window);
    return 0;
}

}  // namespace

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return onCreate(window);
    case WM_DESTROY: return onDestroy(window);
    case WM_PAINT: return onPaint(window);
    case WM_ERASEBKGND: return onEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_CONTEXTMENU: return onContextMenu(window);
    case WM_ENTERIDLE: return onEnterIdle();
    case WM_KEYDOWN: return onKeyDown(window, wParam);
    case WM_COMMAND: return onCommand(wParam);
    case WM_TIMER: return onTimer();
    case WM_LBUTTONUP: return onLeftButtonUp(lParam);
    case WM_MBUTTONDBLCLK: return onMiddleDoubleClick(lParam);
    case WM_MOUSEWHEEL: return onMouseWheel(wParam);
    case screenPreparedMessage: return onScreenPrepared(wParam);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
