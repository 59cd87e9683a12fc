// Drives the real Vellora.exe from a test: starts it, finds its windows,
// reads the screen, sends keys, and collects the exit code. Works the same
// under Wine and on Windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

// The path of Vellora.exe and the directory the build wrote the ImageMagick
// pictures to, from the test's command line.
inline std::wstring viewerProgram;
inline std::wstring picturesDirectory;

// A path handed over from the Unix side (/work/...) becomes Z:\work\...
inline std::wstring windowsPathOf(const std::wstring& path)
{
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring result = L"Z:" + path;
    for (auto& c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

template <typename Predicate>
bool waitFor(Predicate done, int milliseconds = 15000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

class ViewerProcess {
public:
    // arguments: everything after the program name, already quoted.
    explicit ViewerProcess(const std::wstring& arguments, const std::wstring& program = viewerProgram)
    {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info_) != 0;
    }
    ~ViewerProcess()
    {
        if (!started_)
            return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return info_.dwProcessId; }
    HANDLE process() const { return info_.hProcess; }

    // The first visible top-level window of this process with the class.
    HWND findWindow(const wchar_t* className, int milliseconds = 15000) const
    {
        HWND found = nullptr;
        waitFor([&] {
            found = windowOfProcess(className);
            return found != nullptr;
        }, milliseconds);
        return found;
    }

    // Waits for the exit; returns the exit code, or -1 when it did not end.
    long waitForExit(int milliseconds = 15000) const
    {
        if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return long(code);
    }

private:
    HWND windowOfProcess(const wchar_t* className) const
    {
        struct Search {
            DWORD process;
            const wchar_t* className;
            HWND found;
        } search{info_.dwProcessId, className, nullptr};
        EnumWindows([](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64];
            if (owner == s->process && IsWindowVisible(window) && GetClassNameW(window, name, 64)
                && lstrcmpW(name, s->className) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

inline std::wstring windowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The colour of a screen pixel as 0x00BBGGRR.
inline COLORREF screenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// Presses and releases the keys in order (modifiers first), then releases
// them in reverse, through the real input queue. With several windows on
// the screen the keys must not go to the one that had the focus before.
inline void pressKeys(HWND window, std::initializer_list<WORD> keys)
{
    SetForegroundWindow(window);
    waitFor([&] { return GetForegroundWindow() == window; }, 2000);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The files under root\under, relative to root; folders end in a backslash.
inline void listTree(const std::wstring& root, const std::wstring& under, std::vector<std::wstring>& names)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"\\" + under + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        names.push_back(under + name + (folder ? L"\\" : L""));
        if (folder)
            listTree(root, names.back(), names);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

inline std::vector<std::wstring> treeOf(const std::wstring& root)
{
    std::vector<std::wstring> names;
    listTree(root, L"", names);
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh directory under the temporary directory, removed with everything
// in it.
class TemporaryDirectory {
public:
    explicit TemporaryDirectory(const std::wstring& name)
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + name + L"-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TemporaryDirectory()
    {
        // Sorted, so a folder's files come after it: reversed, before it.
        const auto names = treeOf(path_);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            SetFileAttributesW(file(*it).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (it->back() == L'\\')
                RemoveDirectoryW(file(*it).c_str());
            else
                DeleteFileW(file(*it).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }

    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

    // A picture made by the build, copied in under its own name or another.
    void addPicture(const std::wstring& name, const std::wstring& as = L"") const
    {
        CopyFileW((picturesDirectory + L"\\" + name).c_str(), file(as.empty() ? name : as).c_str(), FALSE);
    }

    void addFile(const std::wstring& name, const std::string& bytes = "x") const
    {
        HANDLE file = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }

private:
    std::wstring path_;
};

// Mouse and wheel input through the real input queue, at screen pixels.
inline void sendMouse(int x, int y, std::initializer_list<DWORD> actions, DWORD wheel = 0)
{
    SetCursorPos(x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Every event carries its position, so none lands where the cursor was.
    const LONG absoluteX = LONG(x * 65535LL / (GetSystemMetrics(SM_CXSCREEN) - 1));
    const LONG absoluteY = LONG(y * 65535LL / (GetSystemMetrics(SM_CYSCREEN) - 1));
    std::vector<INPUT> inputs;
    for (DWORD action : actions) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = absoluteX;
        input.mi.dy = absoluteY;
        input.mi.dwFlags = action | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        input.mi.mouseData = action == MOUSEEVENTF_WHEEL ? wheel : 0;
        inputs.push_back(input);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline void clickAt(int x, int y) { sendMouse(x, y, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}); }

inline void middleDoubleClickAt(int x, int y)
{
    sendMouse(x, y, {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP});
}

inline void turnWheel(HWND window, int delta)
{
    SetForegroundWindow(window);
    sendMouse(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, {MOUSEEVENTF_WHEEL},
              DWORD(delta));
}

// A key held down: presses key-downs (the first and those of the keyboard's
// auto-repeat), then the release.
inline void holdKey(HWND window, WORD key, int presses)
{
    SetForegroundWindow(window);
    std::vector<INPUT> inputs(size_t(presses) + 1);
    for (auto& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    inputs.back().ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline bool similarColour(COLORREF a, COLORREF b, int tolerance = 12)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
           && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

inline COLORREF centreColour()
{
    return screenPixel(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
}

inline bool waitForCentre(COLORREF colour, int milliseconds = 10000)
{
    return waitFor([&] { return similarColour(centreColour(), colour); }, milliseconds);
}

// Which pixels of a width x height block are bright (text is white on black).
inline std::vector<bool> brightPixels(HDC source, int x, int y, int width, int height)
{
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP block = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, block);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<bool> bright(size_t(width) * size_t(height));
    for (size_t i = 0; i < bright.size(); ++i)
        bright[i] = (static_cast<const uint32_t*>(bits)[i] & 0xFF00) > 0x8000;
    SelectObject(memory, old);
    DeleteObject(block);
    DeleteDC(memory);
    return bright;
}

// Height of a line in the default font of a drawing context.
inline int defaultLineHeight()
{
    HDC memory = CreateCompatibleDC(nullptr);
    SIZE extent{};
    GetTextExtentPoint32W(memory, L"Vellora", 7, &extent);
    DeleteDC(memory);
    return extent.cy;
}

// Whether the screen shows text at (0, y) in the default font, white on
// black, pixel for pixel as this process draws it.
inline bool screenShowsText(int y, const std::wstring& text)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    SIZE extent{};
    GetTextExtentPoint32W(memory, text.c_str(), int(text.size()), &extent);
    int width = std::min<int>(extent.cx, GetSystemMetrics(SM_CXSCREEN));
    HBITMAP canvas = CreateCompatibleBitmap(screen, width, extent.cy);
    HGDIOBJ old = SelectObject(memory, canvas);
    SetTextColor(memory, RGB(255, 255, 255));
    SetBkColor(memory, RGB(0, 0, 0));
    TextOutW(memory, 0, 0, text.c_str(), int(text.size()));
    bool same = brightPixels(memory, 0, 0, width, extent.cy) == brightPixels(screen, 0, y, width, extent.cy);
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return same;
}

// Whether any bright pixel lies in the screen's band of rows y .. y+height-1
// within the left width columns.
inline bool bandHasText(int y, int height, int width = 600)
{
    HDC screen = GetDC(nullptr);
    auto bright = brightPixels(screen, 0, y, width, height);
    ReleaseDC(nullptr, screen);
    for (bool b : bright)
        if (b)
            return true;
    return false;
}

// The message box of the viewer: its text (static control 0xFFFF).
inline std::wstring messageText(HWND box)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

inline std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The test program's main: VIEWER.exe [PICTURES-DIRECTORY] and GoogleTest's
// own options.
inline int runEndToEndTests(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: %ls PATH-OF-Vellora.exe [PICTURES-DIRECTORY]\n", argv[0]);
        return 2;
    }
    viewerProgram = windowsPathOf(argv[1]);
    if (argc >= 3)
        picturesDirectory = windowsPathOf(argv[2]);
    return RUN_ALL_TESTS();
}
