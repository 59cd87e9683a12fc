#include "app/painting_win32.h"

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

// The worker gets the entry that is current now, so that a step taken right
// after the start does not change which file it prepares. preloadBusy goes
// up before the thread exists, so no second preparation can start meanwhile.
void startNextPreparation()
{
    preloadBusy = true;
    HANDLE worker = CreateThread(nullptr, 0, prepareScreen, currentEntry, 0, nullptr);
    if (worker != nullptr)
        CloseHandle(worker);
    else
        preloadBusy = false;
}

void paintCurrentScreen(HDC context)
{
    if (currentBitmap == nullptr) {
        // A preparation left running by an earlier paint writes the same
        // decode results, so the synchronous one waits for it.
        waitForPreparation();
        prepareScreen(nullptr);
    }
    if (currentBitmap != nullptr)
        copyCurrentScreen(context);
    else
        eraseMainWindow(context);
    if (infoOverlay)
        drawInfoOverlay(context);
    if (nextBitmap == nullptr && !preloadBusy)
        startNextPreparation();
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
