#include "app/open_dialog_win32.h"

#include <commdlg.h>
#include <dlgs.h>

#include "app/deferred_commands_win32.h"
#include "app/open_dialog_filter.h"
#include "filelist/file_list.h"
#include "filelist/start_path.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

constexpr DWORD openDialogFlags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST
                                  | OFN_ENABLESIZING | OFN_DONTADDTORECENT;
static_assert(openDialogFlags == 0x2881820, "the dialog's flags");

// The read-only box serves as the subdirectory switch.
constexpr int readOnlyCheckBox = chx1;
static_assert(readOnlyCheckBox == 1040, "the dialog's read-only check box");

}  // namespace

void centerOnWindow(HWND window, HWND other)
{
    RECT own{}, target{};
    GetWindowRect(window, &own);
    GetWindowRect(other, &target);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    const LONG left = target.left + ((target.right - target.left) - width) / 2;
    const LONG top = target.top + ((target.bottom - target.top) - height) / 2;
    MoveWindow(window, left, top, width, height, TRUE);
}

UINT_PTR CALLBACK openDialogHook(HWND hook, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return 0;
    // With OFN_EXPLORER the hook runs in a child of the actual dialog.
    HWND dialog = GetParent(hook);
    centerOnWindow(dialog, mainWindow);
    SetWindowTextW(dialog, L"Choose any file to open entire directory");
    SetDlgItemTextW(dialog, readOnlyCheckBox, L"Include subdirectories");
    return 1;
}

void openFileCommand()
{
    includeSubdirs = false;
    startPath[0] = 0;
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow;
    dialog.hInstance = GetModuleHandleW(nullptr);
    const std::u16string filter = openDialogFilter();
    dialog.lpstrFilter = reinterpret_cast<const wchar_t*>(filter.c_str());
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = reinterpret_cast<wchar_t*>(startPath);
    dialog.nMaxFile = pathCapacity;
    dialog.Flags = openDialogFlags;
    dialog.lpfnHook = openDialogHook;
    if (!GetOpenFileNameW(&dialog))
        return;
    includeSubdirs = (dialog.Flags & OFN_READONLY) != 0;
    resolveStartPath();
    listChosenFolder();
}

void listChosenFolder()
{
    // A preparation started while the dialog was open still reads the list.
    if (deferWhilePreparing(listChosenFolder))
        return;
    clear();
    currentEntry = nullptr;
    buildFileList();
    releasePreparedScreens();
    InvalidateRect(mainWindow, nullptr, TRUE);
}
