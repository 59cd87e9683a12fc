// The overlay buttons and the About box of the real viewer: the button
// windows, hovering, the /s option, F1, and quitting without
// desktop composition.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "viewer_driver.h"

namespace {

struct ButtonCase {
    const wchar_t* title;
    int bitmapId;
    POINT corner;  // on the screen
    POINT probe;   // an opaque pixel of the image, top-down
};

std::vector<ButtonCase> buttonCases()
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    return {{L"Next", 102, {w - 65, h - 65}, {18, 20}},
            {L"Prev", 103, {w - 120, h - 65}, {21, 20}},
            {L"CLOSE", 111, {w - 65, 25}, {20, 20}}};
}

// A button resource as 1600 top-down 0xAARRGGBB words; empty unless it is a
// bottom-up 40 x 40 32-bit DIB.
std::vector<uint32_t> buttonImage(int id)
{
    HMODULE module = LoadLibraryExW(viewerProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    auto bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib{};
    std::vector<uint32_t> pixels;
    if (bitmap && GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmWidth == 40
        && dib.dsBmih.biHeight == 40 && dib.dsBm.bmBitsPixel == 32)
        for (int row = 39; row >= 0; --row)
            pixels.insert(pixels.end(), static_cast<uint32_t*>(dib.dsBm.bmBits) + row * 40,
                          static_cast<uint32_t*>(dib.dsBm.bmBits) + row * 40 + 40);
    DeleteObject(bitmap);
    FreeLibrary(module);
    return pixels;
}

// The green level a button shows at a pixel: its premultiplied green times
// the button's constant alpha. Wine keeps the constant alpha multiplied into
// the layered window's own surface, which the window's DC gives back; where
// that reads empty (Windows), the screen composed over the black main window
// shows the same level.
int shownGreen(HWND button, const ButtonCase& c)
{
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr), source = GetDC(button);
    HGDIOBJ previous = SelectObject(memory, target);
    BitBlt(memory, 0, 0, 1, 1, source, c.probe.x, c.probe.y, SRCCOPY);
    GdiFlush();
    const uint32_t pixel = *static_cast<uint32_t*>(bits);
    ReleaseDC(button, source);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(target);
    if (pixel >> 24 != 0)
        return (pixel >> 8) & 0xFF;
    return GetGValue(screenPixel(c.corner.x + c.probe.x, c.corner.y + c.probe.y));
}

// The longest horizontal run of link-blue pixels on the screen within the
// rectangle: an underline spans the text, glyph strokes do not.
int longestBlueRun(RECT r)
{
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr), screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, target);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    int longest = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0, run = 0; x < width; ++x) {
            const uint32_t p = static_cast<uint32_t*>(bits)[y * width + x];
            const int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF, blue = p & 0xFF;
            run = blue > red + 80 && blue > green + 60 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    ReleaseDC(nullptr, screen);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(target);
    return longest;
}

class ButtonsAndAbout : public ::testing::Test {
protected:
    void start(const std::wstring& option = L"")
    {
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
        folder_.addFile(L"a.bmp");
        viewer_ = std::make_unique<ViewerProcess>(L"\"" + folder_.path() + L"\"" + option);
        ASSERT_TRUE(viewer_->started());
        window_ = viewer_->findWindow(L"Plant");
        ASSERT_NE(window_, nullptr);
    }

    HWND button(const wchar_t* title) const
    {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"Dummy", title)) != nullptr;) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            if (process == viewer_->id())
                return w;
        }
        return nullptr;
    }

    // Next, Prev and CLOSE show their images at these constant alphas.
    bool alphasBecome(std::initializer_list<int> alphas)
    {
        const auto cases = buttonCases();
        std::vector<int> expected;
        for (size_t i = 0; i < cases.size(); ++i) {
            const uint32_t pixel = buttonImage(cases[i].bitmapId).at(cases[i].probe.y * 40 + cases[i].probe.x);
            expected.push_back((int((pixel >> 8) & 0xFF) * alphas.begin()[i] + 127) / 255);
        }
        return waitFor([&] {
            for (size_t i = 0; i < cases.size(); ++i)
                if (std::abs(shownGreen(button(cases[i].title), cases[i]) - expected[i]) > 2)
                    return false;
            return true;
        }, 3000);
    }

    TemporaryDirectory folder_{L"vellora-e2e-buttons"};
    std::unique_ptr<ViewerProcess> viewer_;
    HWND window_ = nullptr;
};

TEST_F(ButtonsAndAbout, ButtonsSitAtTheirPlacesAndBrightenUnderTheCursor)
{
    start();
    const LONG layeredClickThrough = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW;
    for (const ButtonCase& c : buttonCases()) {
        HWND b = button(c.title);
        ASSERT_NE(b, nullptr) << c.title;
        EXPECT_TRUE(IsWindowVisible(b)) << c.title;
        EXPECT_EQ(GetWindow(b, GW_OWNER), window_) << c.title;
        EXPECT_EQ(GetWindowLongW(b, GWL_EXSTYLE) & layeredClickThrough, layeredClickThrough) << c.title;
        RECT r{};
        GetWindowRect(b, &r);
        EXPECT_TRUE(r.left == c.corner.x && r.top == c.corner.y && r.right == r.left + 40 && r.bottom == r.top + 40)
            << c.title;
    }
    const auto cases = buttonCases();
    EXPECT_TRUE(alphasBecome({64, 64, 64})) << "at rest";
    SetCursorPos(cases[0].corner.x + 40, cases[0].corner.y + 40);  // the squares' bounds are inclusive
    EXPECT_TRUE(alphasBecome({128, 64, 64})) << "Next hovered";
    SetCursorPos(cases[1].corner.x + 20, cases[1].corner.y + 20);
    EXPECT_TRUE(alphasBecome({64, 128, 64})) << "Prev hovered";
    SetCursorPos(cases[2].corner.x, cases[2].corner.y);
    EXPECT_TRUE(alphasBecome({64, 64, 128})) << "CLOSE hovered";
    SetCursorPos(cases[2].corner.x - 1, cases[2].corner.y);
    EXPECT_TRUE(alphasBecome({64, 64, 64})) << "back at rest";
}

TEST_F(ButtonsAndAbout, OptionSHidesTheButtons)
{
    start(L" /s");
    for (const ButtonCase& c : buttonCases()) {
        ASSERT_NE(button(c.title), nullptr) << c.title;
        EXPECT_FALSE(IsWindowVisible(button(c.title))) << c.title;
    }
}

// Each time the box is centred in the full-screen client area and the
// closing key leaves the viewer running.
TEST_F(ButtonsAndAbout, F1ShowsTheAboutBoxCentredAndEscapeOrEnterClosesIt)
{
    start();
    for (WORD closingKey : {VK_ESCAPE, VK_RETURN}) {
        pressKeys(window_, {VK_F1});
        HWND about = viewer_->findWindow(L"#32770", 5000);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(windowText(about), L"About Vellora");
        EXPECT_EQ(GetWindow(about, GW_OWNER), window_);
        wchar_t link[64] = {};
        GetDlgItemTextW(about, 1000, link, 64);
        EXPECT_STREQ(link, L"www.vellora.org/other/VLR");
        RECT linkRect{};
        GetWindowRect(GetDlgItem(about, 1000), &linkRect);
        EXPECT_TRUE(waitFor([&] { return longestBlueRun(linkRect) > 80; }, 3000)) << "blue underline";
        RECT r{};
        GetWindowRect(about, &r);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXFULLSCREEN) - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYFULLSCREEN) - (r.bottom - r.top)) / 2);

        pressKeys(about, {closingKey});
        EXPECT_TRUE(waitFor([&] { return !IsWindow(about); }, 5000)) << "closing key " << closingKey;
        EXPECT_EQ(viewer_->waitForExit(300), -1) << "closing key " << closingKey;
    }
}

bool desktopComposes()
{
    BOOL enabled = FALSE;
    if (HMODULE dwm = LoadLibraryW(L"dwmapi.dll")) {
        using IsEnabled = HRESULT(WINAPI*)(BOOL*);
        auto isEnabled = reinterpret_cast<IsEnabled>(reinterpret_cast<void (*)()>(GetProcAddress(dwm, "DwmIsCompositionEnabled")));
        if (isEnabled == nullptr || FAILED(isEnabled(&enabled)))
            enabled = FALSE;
        FreeLibrary(dwm);
    }
    return enabled != FALSE;
}

// The fade makes the main window layered; it runs only on a composed
// desktop, and Wine's dwmapi answers that composition is off.
TEST_F(ButtonsAndAbout, EscapeQuitsWithAFadeOnlyOnAComposedDesktop)
{
    start();
    pressKeys(window_, {VK_ESCAPE});
    bool turnedLayered = false;
    for (const DWORD deadline = GetTickCount() + 15000; IsWindow(window_) && GetTickCount() < deadline;)
        turnedLayered |= (GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    EXPECT_EQ(turnedLayered, desktopComposes());
    EXPECT_EQ(viewer_->waitForExit(), 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return runEndToEndTests(argc, argv);
}
