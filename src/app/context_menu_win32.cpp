#include "app/context_menu_win32.h"

#include "filelist/file_list.h"
#include "state/viewer_options.h"

namespace {

constexpr UINT contextMenuResourceId = 101;

}  // namespace

bool primaryButtonPressedSinceQuery()
{
    // The physical left button is the secondary one when the user swapped
    // them, and GetAsyncKeyState reports physical buttons.
    int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    return (GetAsyncKeyState(primary) & 1) != 0;
}

void showContextMenu(HWND window)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(contextMenuResourceId));
    if (menu == nullptr)
        return;
    HMENU items = GetSubMenu(menu, 0);
    if (items != nullptr) {
        if (currentEntry != nullptr && editorCommand[0] != 0)
            InsertMenuW(items, 1, MF_BYPOSITION | MF_STRING, editorCommandId, L"Quadrel");
        primaryButtonPressedSinceQuery();
        TrackPopupMenu(items, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    }
    DestroyMenu(menu);
}
