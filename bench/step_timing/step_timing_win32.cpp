// step_timing.exe ROUNDS FOLDER VIEWER.exe...
// Times the real viewer from input to changed pixels on the screen: the start
// to the first picture, a step forward onto a screen prepared in advance, and
// a second step back (beyond the one held screen, so prepared once shown).
// Each beside one screen-sized BitBlt measured in the same run. Prints
// medians in milliseconds for the desktop it runs on, for each viewer given
// (builds to compare take turns).
//
// FOLDER holds four pictures that sort in the order of the colours below and
// show them at their centres (a lossy file's centre within a few levels).
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

const COLORREF colours[] = {RGB(200, 40, 40), RGB(40, 200, 40), RGB(40, 40, 200), RGB(200, 200, 40)};
constexpr int pictureCount = 4;

// Within this of each channel a centre shows a picture's colour: JPEG and
// the area scaling move a flat colour by a few levels, and the colours above
// are far further apart.
constexpr int colourTolerance = 24;

bool looksLike(COLORREF seen, COLORREF colour)
{
    auto close = [](int a, int b) { return a - b <= colourTolerance && b - a <= colourTolerance; };
    return close(GetRValue(seen), GetRValue(colour)) && close(GetGValue(seen), GetGValue(colour))
           && close(GetBValue(seen), GetBValue(colour));
}

COLORREF centre()
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    ReleaseDC(nullptr, screen);
    return colour;
}

// Reads of the screen back to back for this long, then one a millisecond:
// a prepared step shows within it, and a longer wait then leaves the
// processors to the viewer, whose decode runs on every core, as a person
// watching the screen would.
constexpr double busyPollMilliseconds = 10;

// Milliseconds from start until the centre shows colour; -1 after 20 s.
double timeUntilCentre(COLORREF colour, Clock::time_point start)
{
    while (!looksLike(centre(), colour)) {
        const double waited = millisecondsSince(start);
        if (waited > 20000)
            return -1;
        if (waited > busyPollMilliseconds)
            Sleep(1);
    }
    return millisecondsSince(start);
}

void press(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Adds the times of count screen-sized BitBlts of what the screen shows back
// onto it, so that nothing visible changes. Taken beside each step, so that
// the reference sees the same load as the steps on a shared machine.
void timeScreenCopies(std::vector<double>& times, int count)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        BitBlt(screen, 0, 0, w, h, memory, 0, 0, SRCCOPY);
        GdiFlush();
        times.push_back(millisecondsSince(start));
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

struct ViewerTimes {
    std::vector<double> start, preparedSteps, unpreparedSteps;
};

// One run of the viewer over the folder: start, four steps forward onto
// prepared screens, two back. False when the first picture never showed.
bool timeOneRun(const std::wstring& viewer, const std::wstring& folder, ViewerTimes& times,
                std::vector<double>& copies)
{
    std::wstring commandLine = L"\"" + viewer + L"\" \"" + folder + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    auto start = Clock::now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fprintf(stderr, "cannot start %ls\n", viewer.c_str());
        return false;
    }
    times.start.push_back(timeUntilCentre(colours[0], start));
    if (times.start.back() < 0) {
        fprintf(stderr, "the first picture never showed at the centre (found 0x%06lx)\n", centre());
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return false;
    }
    HWND window = nullptr;
    while (window == nullptr && millisecondsSince(start) < 20000)
        window = FindWindowW(L"Plant", nullptr);
    SetForegroundWindow(window);
    int position = 0;
    for (int step = 0; step < pictureCount; ++step) {
        Sleep(1500);  // the next screen is prepared by now
        timeScreenCopies(copies, 5);
        position = (position + 1) % pictureCount;
        auto pressed = Clock::now();
        press(VK_SPACE);
        times.preparedSteps.push_back(timeUntilCentre(colours[position], pressed));
    }
    for (int step = 0; step < 2; ++step) {
        Sleep(1500);
        position = (position + pictureCount - 1) % pictureCount;
        auto pressed = Clock::now();
        press(VK_BACK);
        if (step == 1)
            times.unpreparedSteps.push_back(timeUntilCentre(colours[position], pressed));
        else
            timeUntilCentre(colours[position], pressed);
    }
    press(VK_ESCAPE);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: step_timing ROUNDS FOLDER VIEWER.exe...\n");
        return 2;
    }
    // Sleep(1) sleeps a millisecond, not a 15.6 ms tick of the default timer.
    timeBeginPeriod(1);
    const int rounds = std::max(1, _wtoi(argv[1]));
    const std::wstring folder = argv[2];
    const std::vector<std::wstring> viewers(argv + 3, argv + argc);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);

    // The viewers take turns round by round, so that a shared machine's load
    // falls on each of them alike.
    std::vector<ViewerTimes> times(viewers.size());
    std::vector<double> copies;
    for (int round = 0; round < rounds; ++round)
        for (size_t v = 0; v < viewers.size(); ++v)
            if (!timeOneRun(viewers[v], folder, times[v], copies))
                return 1;

    const double copy = median(copies);
    printf("desktop %dx%d, pictures in %ls, median of %d rounds\n", w, h, folder.c_str(), rounds);
    printf("%-28s %9.2f ms  (beside each step)\n", "one screen-sized BitBlt", copy);
    for (size_t v = 0; v < viewers.size(); ++v) {
        const ViewerTimes& t = times[v];
        printf("%ls\n", viewers[v].c_str());
        printf("  %-26s %9.1f ms  (%.1f x copy)\n", "start to first picture", median(t.start), median(t.start) / copy);
        printf("  %-26s %9.2f ms  (copy + %.2f ms)\n", "step onto a prepared screen", median(t.preparedSteps),
               median(t.preparedSteps) - copy);
        printf("  %-26s %9.1f ms  (%.1f x copy)\n", "step back, not prepared", median(t.unpreparedSteps),
               median(t.unpreparedSteps) / copy);
    }
    return 0;
}
