#include "app/painting_win32.h"

#include "app/main_window_win32.h"
#include "app/screen_texts.h"
#include "filelist/file_list.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/path_buffer.h"
#include "state/prepared_slots_win32.h"
#include "state/window_state_win32.h"

namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

void useOverlayColours(HDC context)
{
    SetTextColor(context, RGB(255, 255, 255));
    SetBkColor(context, RGB(0, 0, 0));
}

// Draws one line with its left edge at 0 and returns its height.
int drawLine(HDC context, int y, const char16_t* text, int length)
{
    TextOutW(context, 0, y, wide(text), length);
    SIZE extent{};
    GetTextExtentPoint32W(context, wide(text), length, &extent);
    return extent.cy;
}

void copyCurrentScreen(HDC context)
{
    HDC memory = CreateCompatibleDC(context);
    if (memory == nullptr)
        return;
    HGDIOBJ previous = SelectObject(memory, currentBitmap);
    BitBlt(context, 0, 0, screenWidth, screenHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

// Whether the current screen cannot be shown yet: it is being prepared, or
// it is missing and its preparation starts now. Where no worker can be
// made it is prepared here instead.
bool currentScreenPending()
{
    if (preloadBusy.load(std::memory_order_acquire))
        return preparingCurrentScreen || currentBitmap == nullptr;
    if (currentBitmap != nullptr)
        return false;
    if (startScreenPreparation(nullptr, mainWindow, screenPreparedMessage))
        return true;
    prepareScreen(nullptr);
    return false;
}

// While the current screen is prepared the window keeps what it shows: the
// last screen after a step, black where the platform asked for erasing.
// The completed preparation repaints.
void paintCurrentScreen(HDC context)
{
    if (currentScreenPending())
        return;
    if (currentBitmap != nullptr)
        copyCurrentScreen(context);
    else
        eraseMainWindow(context);
    if (infoOverlay)
        drawInfoOverlay(context);
}

}  // namespace

void paintMainWindow(HWND window)
{
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    if (context == nullptr)
        return;
    if (currentEntry != nullptr)
        paintCurrentScreen(context);
    else
        drawHelpScreen(context);
    EndPaint(window, &paint);
}

bool currentScreenShown()
{
    return currentEntry != nullptr && currentBitmap != nullptr
           && !(preloadBusy.load(std::memory_order_acquire) && preparingCurrentScreen);
}

void eraseMainWindow(HDC context)
{
    PatBlt(context, 0, 0, screenWidth, screenHeight, BLACKNESS);
}

void drawInfoOverlay(HDC context)
{
    useOverlayColours(context);
    WideString fileLine = infoFileLine(currentEntry->path);
    int height = drawLine(context, 0, fileLine.text(), fileLine.length());
    WideString imageLine = infoImageLine(positionOf(currentEntry), entryCount, currentImageWidth, currentImageHeight);
    drawLine(context, height, imageLine.text(), imageLine.length());
}

void drawHelpScreen(HDC context)
{
    useOverlayColours(context);
    const char16_t* title = helpScreenLine(0);
    int height = drawLine(context, 0, title, int(textLength(title)));
    for (int line = 1; line < helpLineCount; ++line) {
        const char16_t* text = helpScreenLine(line);
        if (text != nullptr)
            TextOutW(context, 0, line * height, wide(text), int(textLength(text)));
    }
}
