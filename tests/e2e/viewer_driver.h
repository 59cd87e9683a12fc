// Drives the real Vellora.exe from a test: starts it, finds its windows,
// reads the screen, sends keys, and collects the exit code. Works the same
// under Wine and on Windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

// The path of Vellora.exe, from the test's command line.
extern std::wstring viewerProgram;

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
    explicit ViewerProcess(const std::wstring& arguments)
    {
        std::wstring commandLine = L"\"" + viewerProgram + L"\" " + arguments;
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
// them in reverse, through the real input queue.
inline void pressKeys(HWND window, std::initializer_list<WORD> keys)
{
    SetForegroundWindow(window);
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

// A fresh directory under the temporary directory, removed with its files.
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
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }

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
