#include "app/viewer_main_win32.h"

#include <windows.h>
// gdiplus.h needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include "app/absolute_start_path_win32.h"
#include "app/command_line.h"
#include "app/editor_command_win32.h"
#include "app/main_window_win32.h"
#include "app/viewer_commands_win32.h"
#include "filelist/start_path.h"
#include "state/prepared_slots_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

constexpr int iconResourceId = 105;
HINSTANCE moduleInstance;

bool registerWindowClass(const wchar_t* name, WNDPROC procedure, UINT style)
{
    WNDCLASSW windowClass{};
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = moduleInstance;
    windowClass.hIcon = LoadIconW(moduleInstance, MAKEINTRESOURCEW(iconResourceId));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass) != 0;
}

// Every waiting message first; idle work only when none is left.
void runMessageLoop()
{
    MSG message;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        useIdleTime();
        WaitMessage();
    }
}

}  // namespace

int viewerMain(int argumentCount, wchar_t** arguments)
{
    moduleInstance = GetModuleHandleW(nullptr);
    startPath[0] = 0;
    applyCommandLine(argumentCount, reinterpret_cast<const char16_t* const*>(arguments));
    if (argumentCount >= 2) {
        makeStartPathAbsolute();
        resolveStartPath();
    }
    readEditorCommand();

    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

    // Double-clicks must reach the window for the middle button.
    if (registerWindowClass(L"Plant", mainWindowProcedure, CS_DBLCLKS)
        && registerWindowClass(L"Dummy", DefWindowProcW, CS_DBLCLKS)) {
        HWND window = CreateWindowExW(0, L"Plant", L"Vellorex", WS_POPUP, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                      nullptr, nullptr, moduleInstance, nullptr);
        mainWindow = window;
        if (window != nullptr) {
            ShowWindow(window, SW_SHOWMAXIMIZED);
            runMessageLoop();
        }
    }

    // A preparation still inside a decode that cannot be interrupted would
    // use GDI+ and the process's state while they are torn down; its
    // temporary files are already gone, so the process ends on the spot.
    if (preloadBusy.load(std::memory_order_acquire))
        TerminateProcess(GetCurrentProcess(), 0);
    Gdiplus::GdiplusShutdown(gdiplusToken);
    return 0;
}
