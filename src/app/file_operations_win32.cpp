#include "app/file_operations_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "app/clipboard_records.h"
#include "app/deferred_commands_win32.h"
#include "app/screen_texts.h"
#include "filelist/file_list.h"
#include "pipeline/gdi_handles_win32.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/path_buffer.h"
#include "state/prepared_slots_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The deleted entry's screen goes; its successor's prepared screen, when
// there is one, is shown at once. The previous screen still belongs to the
// entry before the new current one.
void showSuccessorAfterDelete()
{
    deleteScreenDib(currentBitmap);
    currentBitmap = nextBitmap;
    currentImageWidth = nextImageWidth;
    currentImageHeight = nextImageHeight;
    nextBitmap = nullptr;
    nextImageWidth = nextImageHeight = 0;
    // Only the help screen needs the black background: an image covers all.
    InvalidateRect(mainWindow, nullptr, entryCount == 0);
}

// Hands a moveable block of size bytes, filled by fill, to the clipboard as
// format; a block the clipboard refuses is freed.
template <typename Fill>
void putClipboardBlock(UINT format, size_t size, Fill fill)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    if (block == nullptr)
        return;
    void* bytes = GlobalLock(block);
    if (bytes == nullptr) {
        GlobalFree(block);
        return;
    }
    fill(static_cast<uint8_t*>(bytes));
    GlobalUnlock(block);
    if (SetClipboardData(format, block) == nullptr)
        GlobalFree(block);
}

void putWideText(UINT format, const WideString& path)
{
    const size_t bytes = (size_t(path.length()) + 1) * sizeof(char16_t);
    putClipboardBlock(format, bytes, [&](uint8_t* target) { std::memcpy(target, path.text(), bytes); });
}

// The 8-bit form of the short (8.3) path. Where the platform gives no short
// form (no 8.3 names, or a failure), the full path serves when it is plain
// ASCII; otherwise its low bytes could name another file, and the format
// is left out.
void putEightBitName(const WideString& path)
{
    wchar_t shortPath[pathCapacity];
    DWORD length = GetShortPathNameW(wide(path.text()), shortPath, pathCapacity);
    const char16_t* name = reinterpret_cast<const char16_t*>(shortPath);
    if (length == 0 || length >= DWORD(pathCapacity)) {
        if (!isPlainAscii(path.text(), size_t(path.length())))
            return;
        name = path.text();
        length = DWORD(path.length());
    }
    putClipboardBlock(fileNameFormat, size_t(length) + 1,
                      [&](uint8_t* target) { writeLowByteName(name, length, target); });
}

}  // namespace

void deleteCurrentFile()
{
    if (currentEntry == nullptr || deferWhilePreparing(deleteCurrentFile))
        return;
    WideString question = deleteQuestion(currentEntry->path);
    if (question.empty() || MessageBoxW(mainWindow, wide(question.text()), L"Vellora", MB_YESNO) != IDYES)
        return;
    // The question's idle time may have started a preparation, which reads
    // the list and a file that are about to change.
    waitForPreparation();
    if (!DeleteFileW(wide(currentEntry->path.text()))) {
        MessageBoxW(mainWindow, L"Unable to delete file!", L"Vellora", MB_OK);
        return;
    }
    removeEntry();
    showSuccessorAfterDelete();
}

void copyPathToClipboard()
{
    if (currentEntry == nullptr || !OpenClipboard(mainWindow))
        return;
    const WideString& path = currentEntry->path;
    EmptyClipboard();
    putWideText(CF_UNICODETEXT, path);
    putClipboardBlock(CF_HDROP, dropRecordSize(size_t(path.length())),
                      [&](uint8_t* target) { writeDropRecord(path.text(), size_t(path.length()), target); });
    putEightBitName(path);
    putWideText(fileNameWFormat, path);
    CloseClipboard();
}

void openInEditor()
{
    if (currentEntry == nullptr || editorCommand[0] == 0)
        return;
    ShellExecuteW(mainWindow, nullptr, wide(editorCommand), wide(currentEntry->path.text()), nullptr,
                  SW_SHOWNORMAL);
}
