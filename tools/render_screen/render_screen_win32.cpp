// render_screen [/c] [/3] [--time] [--warm] INPUT OUTPUT.bmp
//
// Prepares the screen that the viewer would show for INPUT, with the viewer's
// own decoding and screen preparation on the desktop this runs on, and writes
// it as a 32-bit BMP. /c and /3 switch on colour management and the anaglyph
// view as the viewer's options do; --time adds the milliseconds of each step
// beside one plain copy of the screen. --warm prepares the screen once before
// the one that counts, as a viewer stepping through pictures of one size
// has prepared the last one.
//
// Exit codes: 0 written (an undecodable file gives a black screen, as in the
// viewer), 1 OUTPUT not writable, 2 wrong command line.
#include <windows.h>
// gdiplus.h needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/editor_command_win32.h"
#include "filelist/file_list.h"
#include "pipeline/gdi_handles_win32.h"
#include "pipeline/prepared_screens_win32.h"
#include "state/decode_results.h"
#include "state/prepared_slots_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

struct Arguments {
    std::wstring input, output;
    bool colour = false, anaglyph = false, time = false, warm = false;
};

bool parseArguments(int count, wchar_t** values, Arguments& arguments)
{
    std::vector<std::wstring> paths;
    for (int i = 1; i < count; ++i) {
        const std::wstring word = values[i];
        if (word == L"/c")
            arguments.colour = true;
        else if (word == L"/3")
            arguments.anaglyph = true;
        else if (word == L"--time")
            arguments.time = true;
        else if (word == L"--warm")
            arguments.warm = true;
        else
            paths.push_back(word);
    }
    if (paths.size() != 2)
        return false;
    arguments.input = paths[0];
    arguments.output = paths[1];
    return true;
}

std::wstring fullPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : path;
}

// The prepared screen as a BMP file: file header, info header, bottom-up rows.
bool writeScreen(HBITMAP screen, const std::wstring& output)
{
    BITMAPINFOHEADER header = screenDibHeader(screenWidth, screenHeight);
    const size_t rowsBytes = size_t{4} * static_cast<size_t>(screenWidth) * static_cast<size_t>(screenHeight);
    std::vector<uint8_t> rows(rowsBytes);
    if (screen) {
        MemoryContext context;
        GetDIBits(context.get(), screen, 0, static_cast<UINT>(screenHeight), rows.data(),
                  reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    }
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + rowsBytes);
    header.biSizeImage = static_cast<DWORD>(rowsBytes);

    HANDLE handle = CreateFileW(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(handle, &file, sizeof file, &written, nullptr) && written == sizeof file;
    ok = ok && WriteFile(handle, &header, sizeof header, &written, nullptr) && written == sizeof header;
    ok = ok && WriteFile(handle, rows.data(), static_cast<DWORD>(rowsBytes), &written, nullptr) && written == rowsBytes;
    CloseHandle(handle);
    if (!ok)
        DeleteFileW(output.c_str());
    return ok;
}

// One plain screen-sized copy, the reference the step times are read against.
double screenCopyMilliseconds(HBITMAP screen)
{
    void* bits = nullptr;
    ScopedBitmap target(createScreenDib(screenWidth, screenHeight, &bits));
    MemoryContext source, destination;
    source.select(screen);
    destination.select(target.get());
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    BitBlt(destination.get(), 0, 0, screenWidth, screenHeight, source.get(), 0, 0, SRCCOPY);
    GdiFlush();
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int count, wchar_t** values)
{
    Arguments arguments;
    if (!parseArguments(count, values, arguments)) {
        std::fwprintf(stderr, L"usage: render_screen [/c] [/3] [--time] [--warm] INPUT OUTPUT.bmp\n");
        return 2;
    }
    colorManagement = arguments.colour;
    anaglyphView = arguments.anaglyph;
    readEditorCommand();
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);

    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

    const std::wstring input = fullPath(arguments.input);
    append(WideString(reinterpret_cast<const char16_t*>(input.c_str())));
    currentEntry = listHead;
    if (arguments.warm)
        prepareScreen(nullptr);
    prepareScreen(nullptr);

    const bool decoded = currentImageWidth > 0 && currentImageHeight > 0 && scaledWidth > 0 && scaledHeight > 0;
    const int32_t width = decoded ? scaledWidth : 0, height = decoded ? scaledHeight : 0;
    const int32_t x = decoded ? (screenWidth - width) / 2 : 0, y = decoded ? (screenHeight - height) / 2 : 0;
    std::printf("image %dx%d scaled %dx%d at %d,%d\n", static_cast<int>(currentImageWidth),
                static_cast<int>(currentImageHeight), static_cast<int>(width), static_cast<int>(height),
                static_cast<int>(x), static_cast<int>(y));
    if (arguments.time) {
        const PreparationTimes& t = lastPreparationTimes;
        std::printf("decode %.2f ms, anaglyph %.2f ms, stretch %.2f ms, colour management %.2f ms, "
                    "screen copy %.2f ms\n",
                    t.decode, t.anaglyph, t.stretch, t.colourManagement, screenCopyMilliseconds(currentBitmap));
    }
    const bool written = writeScreen(currentBitmap, arguments.output);
    releasePreparedScreens();
    clear();
    Gdiplus::GdiplusShutdown(gdiplusToken);
    if (!written) {
        std::fwprintf(stderr, L"render_screen: cannot write %ls\n", arguments.output.c_str());
        return 1;
    }
    return 0;
}
