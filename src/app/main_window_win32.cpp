#include "app/main_window_win32.h"

#include "app/about_dialog_win32.h"
#include "app/overlay_buttons_win32.h"
#include "app/viewer_options.h"
#include "filelist/file_list.h"
#include "filelist/start_path.h"
#include "pipeline/prepared_screens_win32.h"

HWND mainWindow;
int32_t screenWidth, screenHeight;
HWND nextButton, prevButton, closeButton;
int32_t nextAlpha, prevAlpha, closeAlpha;
bool infoOverlay;
UINT fileNameFormat, fileNameWFormat;

namespace {

constexpr UINT_PTR hoverTimerId = 4001;
constexpr UINT hoverTimerMilliseconds = 25;

void fillBlack(HDC context)
{
    RECT screen{0, 0, screenWidth, screenHeight};
    FillRect(context, &screen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

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
    SetTimer(window, hoverTimerId, hoverTimerMilliseconds, nullptr);
    currentBitmap = nextBitmap = previousBitmap = nullptr;
    return 0;
}

LRESULT onDestroy(HWND window)
{
    KillTimer(window, hoverTimerId);
    destroyButtons();
    PostQuitMessage(0);
    return 0;
}

void quitViewer(HWND window)
{
    if (desktopCompositionEnabled())
        fadeOut();
    DestroyWindow(window);
}

// Keys without a command are swallowed.
LRESULT onKeyDown(HWND window, WPARAM key)
{
    switch (key) {
    case VK_ESCAPE: quitViewer(window); break;
    case VK_F1: showAboutDialog(window); break;
    default: break;
    }
    return 0;
}

LRESULT onTimer()
{
    hoverStepButtons();
    return 0;
}

LRESULT onEraseBackground(HDC context)
{
    fillBlack(context);
    return 1;
}

LRESULT onPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    fillBlack(context);
    EndPaint(window, &paint);
    return 0;
}

}  // namespace

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return onCreate(window);
    case WM_DESTROY: return onDestroy(window);
    case WM_KEYDOWN: return onKeyDown(window, wParam);
    case WM_TIMER: return onTimer();
    case WM_ERASEBKGND: return onEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_PAINT: return onPaint(window);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
