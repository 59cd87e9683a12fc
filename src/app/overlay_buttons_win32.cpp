#include "app/overlay_buttons_win32.h"

#include "app/button_alpha.h"
#include "app/screen_regions.h"
#include "resources/resource_ids.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

constexpr int buttonSize = 40;

struct OverlayButton {
    unsigned selection;
    const wchar_t* title;
    int bitmapId;
    HWND* window;
    int32_t* alpha;
    ScreenRegion region;
};

const OverlayButton overlayButtons[] = {
    {nextButtonOnly, L"Next", NEXT_BUTTON_BITMAP, &nextButton, &nextAlpha, ScreenRegion::nextButton},
    {prevButtonOnly, L"Prev", PREV_BUTTON_BITMAP, &prevButton, &prevAlpha, ScreenRegion::prevButton},
    {closeButtonOnly, L"CLOSE", CLOSE_BUTTON_BITMAP, &closeButton, &closeAlpha, ScreenRegion::closeButton},
};

// Top-left corners of the 40 x 40 squares that hover and clicks test.
POINT buttonCorner(ScreenRegion region)
{
    switch (region) {
    case ScreenRegion::nextButton: return {screenWidth - 65, screenHeight - 65};
    case ScreenRegion::prevButton: return {screenWidth - 120, screenHeight - 65};
    default: return {screenWidth - 65, 25};
    }
}

HWND createButtonWindow(HWND owner, const wchar_t* title)
{
    // Layered for per-pixel alpha, transparent so that every click reaches
    // the main window below, a tool window so that it has no taskbar button.
    const DWORD style = WS_POPUP | (buttonsHidden ? 0 : WS_VISIBLE);
    return CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT, L"Dummy", title, style, 0, 0, 0,
                           0, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void drawButton(const OverlayButton& button, HDC windowContext)
{
    auto image = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(button.bitmapId),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (image == nullptr)
        return;
    HDC imageContext = CreateCompatibleDC(windowContext);
    HGDIOBJ previous = SelectObject(imageContext, image);
    POINT position = buttonCorner(button.region);
    SIZE size{buttonSize, buttonSize};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(*button.alpha), AC_SRC_ALPHA};
    UpdateLayeredWindow(*button.window, nullptr, &position, &size, imageContext, &source, 0, &blend, ULW_ALPHA);
    SelectObject(imageContext, previous);
    DeleteDC(imageContext);
    DeleteObject(image);
}

}  // namespace

void createButtons(HWND owner)
{
    for (const OverlayButton& button : overlayButtons) {
        *button.window = createButtonWindow(owner, button.title);
        *button.alpha = restingButtonAlpha;
    }
}

void destroyButtons()
{
    for (const OverlayButton& button : overlayButtons) {
        DestroyWindow(*button.window);
        *button.window = nullptr;
    }
}

void drawButtons(unsigned selection)
{
    // While the main window is still being created mainWindow is null, and
    // GetDC gives the screen's context, which serves as well.
    HDC windowContext = GetDC(mainWindow);
    for (const OverlayButton& button : overlayButtons)
        if (selection & button.selection)
            drawButton(button, windowContext);
    ReleaseDC(mainWindow, windowContext);
}

void hoverStepButtons()
{
    POINT cursor{};
    GetCursorPos(&cursor);
    const ScreenRegion under = screenRegionAt(cursor.x, cursor.y, screenWidth, screenHeight);
    unsigned changed = 0;
    for (const OverlayButton& button : overlayButtons) {
        const int32_t alpha = hoverAlpha(*button.alpha, button.region == under);
        if (alpha != *button.alpha) {
            *button.alpha = alpha;
            changed |= button.selection;
        }
    }
    if (changed != 0)
        drawButtons(changed);
}

void fadeOut()
{
    SetWindowLongW(mainWindow, GWL_EXSTYLE, WS_EX_LAYERED);
    for (int32_t n = fadeStepCount; n >= 1; --n) {
        const FadeStep step = fadeStep(n);
        nextAlpha = prevAlpha = step.arrowAlpha;
        closeAlpha = step.closeAlpha;
        drawButtons(allButtons);
        SetLayeredWindowAttributes(mainWindow, 0, static_cast<BYTE>(step.windowAlpha), LWA_ALPHA);
        Sleep(10);
    }
}

bool desktopCompositionEnabled()
{
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    if (dwm == nullptr)
        return false;
    using IsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
    // Through a plain function pointer type: GCC warns on a direct cast
    // from FARPROC to a pointer of another signature.
    auto isEnabled = reinterpret_cast<IsCompositionEnabled>(
        reinterpret_cast<void (*)()>(GetProcAddress(dwm, "DwmIsCompositionEnabled")));
    BOOL enabled = FALSE;
    if (isEnabled != nullptr && FAILED(isEnabled(&enabled)))
        enabled = FALSE;
    FreeLibrary(dwm);
    return enabled != FALSE;
}
