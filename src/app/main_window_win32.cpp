#include "app/main_window_win32.h"

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

void fillBlack(HDC context)
{
    RECT screen{0, 0, screenWidth, screenHeight};
    FillRect(context, &screen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

LRESULT onCreate(HWND window)
{
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // A start path that could not be taken still gets a list build, which
    // then reports that it found nothing, as for a path that names nothing.
    if (listDirectory[0] != 0 || startPathRefused)
        buildFileList();
    else
        PostMessageW(window, WM_COMMAND, openCommandId, 0);
    currentBitmap = nextBitmap = previousBitmap = nullptr;
    return 0;
}

LRESULT onDestroy()
{
    PostQuitMessage(0);
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
    case WM_DESTROY: return onDestroy();
    case WM_ERASEBKGND: return onEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_PAINT: return onPaint(window);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
