#include "app/about_dialog_win32.h"

#include <shellapi.h>
#include <windowsx.h>

#include "resources/resource_ids.h"
#include "resources/version.h"

HFONT linkFont;

const wchar_t productPageAddress[] = L"https://www.vellora.org/other/VLR/?ver=" VELLORA_VERSION_TEXT;

namespace {

// The link control's window rectangle, bounds taken as inclusive.
bool linkHolds(HWND dialog, POINT screenPoint)
{
    RECT link{};
    GetWindowRect(GetDlgItem(dialog, ABOUT_LINK_CONTROL), &link);
    return screenPoint.x >= link.left && screenPoint.x <= link.right && screenPoint.y >= link.top
           && screenPoint.y <= link.bottom;
}

void showHandCursor() { SetCursor(LoadCursorW(nullptr, IDC_HAND)); }

INT_PTR onInitDialog(HWND dialog)
{
    centerOnScreen(dialog);
    SetFocus(GetDlgItem(dialog, ABOUT_LINK_CONTROL));
    return FALSE;  // the focus is set already
}

// The link line: the control's font, underlined, in link blue on the face
// colour. The font is made once per opening of the dialog. Some static
// controls (Wine's) select their own font only after this message, so the
// control's font is read explicitly and the link font is handed to the
// control as well; where the control selects its font first (Windows) that
// changes nothing.
INT_PTR onColourStatic(HDC context, HWND control)
{
    if (GetDlgCtrlID(control) != ABOUT_LINK_CONTROL)
        return 0;
    if (linkFont == nullptr) {
        if (auto controlFont = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)))
            SelectObject(context, controlFont);
        TEXTMETRICW metrics{};
        GetTextMetricsW(context, &metrics);
        wchar_t face[256] = {};
        GetTextFaceW(context, 256, face);
        // Only the family bits carry over: TEXTMETRIC's pitch bits mean
        // something else than LOGFONT's (TMPF_FIXED_PITCH is set for
        // proportional fonts) and would ask for a fixed-pitch font.
        linkFont = CreateFontW(metrics.tmHeight, 0, 0, 0, metrics.tmWeight, metrics.tmItalic, TRUE,
                               metrics.tmStruckOut, metrics.tmCharSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, metrics.tmPitchAndFamily & 0xF0, face);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont), FALSE);
    }
    SelectObject(context, linkFont);
    SetTextColor(context, RGB(0, 64, 180));
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

INT_PTR onMouseMove(HWND dialog, LPARAM lParam)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(dialog, &point);
    if (linkHolds(dialog, point))
        showHandCursor();
    return 0;
}

INT_PTR onLeftButtonDown(HWND dialog)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    if (linkHolds(dialog, cursor)) {
        showHandCursor();
        ShellExecuteW(dialog, nullptr, productPageAddress, nullptr, nullptr, SW_SHOWNORMAL);
    }
    return 0;
}

INT_PTR onDestroy()
{
    if (linkFont != nullptr) {
        DeleteObject(linkFont);
        linkFont = nullptr;
    }
    return 0;
}

}  // namespace

void showAboutDialog(HWND owner)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ABOUT_DIALOG), owner, aboutDialogProcedure, 0);
}

void centerOnScreen(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int areaWidth = GetSystemMetrics(SM_CXFULLSCREEN), areaHeight = GetSystemMetrics(SM_CYFULLSCREEN);
    MoveWindow(window, (areaWidth - width) / 2, (areaHeight - height) / 2, width, height, TRUE);
}

INT_PTR CALLBACK aboutDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog);
    case WM_CTLCOLORSTATIC: return onColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_MOUSEMOVE: return onMouseMove(dialog, lParam);
    case WM_LBUTTONDOWN: return onLeftButtonDown(dialog);
    case WM_COMMAND:
    case WM_CLOSE: EndDialog(dialog, 1); return 0;
    case WM_DESTROY: return onDestroy();
    default: return 0;
    }
}
