// The overlay buttons and the About box of the real viewer: the button
// windows, their images, hovering, F1, the /s option and quitting without
// desktop composition.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "viewer_driver.h"

std::wstring viewerProgram;

namespace {

struct ButtonCase {
    const wchar_t* title;
    int bitmapId;
    int left, top;            // screen position, from the screen size below
    POINT probe;              // an opaque pixel of the image, top-down
};

std::vector<ButtonCase> buttonCases()
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    return {{L"Next", 102, w - 65, h - 65, {18, 20}},
            {L"Prev", 103, w - 120, h - 65, {21, 20}},
            {L"CLOSE", 111, w - 65, 25, {20, 20}}};
}

HWND windowOfProcess(DWORD process, const wchar_t* className, const wchar_t* title)
{
    struct Search {
        DWORD process;
        const wchar_t *className, *title;
        HWND found;
    } search{process, className, title, nullptr};
    EnumWindows([](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64];
        if (owner == s->process && GetClassNameW(window, name, 64) && lstrcmpW(name, s->className) == 0
            && windowText(window) == s->title) {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The 40 x 40 image of a button resource as top-down 0xAARRGGBB words.
std::vector<uint32_t> buttonImage(HMODULE module, int id)
{
    auto bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib{};
    std::vector<uint32_t> pixels;
    if (bitmap && GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmWidth == 40
        && dib.dsBm.bmHeight == 40 && dib.dsBm.bmBitsPixel == 32 && dib.dsBmih.biHeight > 0) {
        auto bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
        for (int row = 39; row >= 0; --row)
            pixels.insert(pixels.end(), bits + row * 40, bits + row * 40 + 40);
    }
    DeleteObject(bitmap);
    return pixels;
}

// The green level a button shows at one of its pixels: its premultiplied
// green times the button's constant alpha. Wine keeps the constant alpha
// multiplied into the layered window's own surface, which the window's DC
// gives back; where that surface is not readable (Windows), the composed
// screen over the black main window shows the same level.
int shownGreen(HWND button, POINT at, POINT screenCorner)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, target);
    HDC source = GetDC(button);
    BitBlt(memory, 0, 0, 1, 1, source, at.x, at.y, SRCCOPY);
    ReleaseDC(button, source);
    GdiFlush();
    const uint32_t pixel = *static_cast<uint32_t*>(bits);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(target);
    if (pixel >> 24 != 0)
        return (pixel >> 8) & 0xFF;
    return GetGValue(screenPixel(screenCorner.x + at.x, screenCorner.y + at.y));
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
    HWND button(const wchar_t* title) const { return windowOfProcess(viewer_->id(), L"Dummy", title); }

    // The three levels of Next, Prev and CLOSE reach the expected ones.
    bool levelsBecome(const int (&expected)[3], int milliseconds = 3000)
    {
        return waitFor([&] {
            const auto cases = buttonCases();
            for (int i = 0; i < 3; ++i) {
                const int level = shownGreen(button(cases[i].title), cases[i].probe, {cases[i].left, cases[i].top});
                if (std::abs(level - expected[i]) > 2)
                    return false;
            }
            return true;
        }, milliseconds);
    }

    TemporaryDirectory folder_{L"vellora-e2e-buttons"};
    std::unique_ptr<ViewerProcess> viewer_;
    HWND window_ = nullptr;
};

TEST_F(ButtonsAndAbout, ExecutableCarriesThreePremultipliedButtonImages)
{
    HMODULE module = LoadLibraryExW(viewerProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (const ButtonCase& c : buttonCases()) {
        const std::vector<uint32_t> image = buttonImage(module, c.bitmapId);
        ASSERT_EQ(image.size(), 1600u) << c.bitmapId;
        for (uint32_t p : image) {
            const uint32_t a = p >> 24;
            ASSERT_TRUE(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a) << c.bitmapId;
        }
        EXPECT_EQ(image[0] | image[39] | image[39 * 40] | image[1599], 0u) << "transparent corners " << c.bitmapId;
        const uint32_t centre = image[c.probe.y * 40 + c.probe.x];
        const int r = (centre >> 16) & 0xFF, g = (centre >> 8) & 0xFF, b = centre & 0xFF;
        EXPECT_EQ(centre >> 24, 255u) << c.bitmapId;
        if (c.bitmapId == 111)
            EXPECT_TRUE(r == g && g == b && g > 120) << "grey cross";
        else
            EXPECT_TRUE(g > 2 * r && g > 2 * b) << "green triangle " << c.bitmapId;
        int partial = 0;
        for (uint32_t p : image)
            partial += (p >> 24) > 0 && (p >> 24) < 255;
        EXPECT_GT(partial, 20) << "anti-aliased edges " << c.bitmapId;
    }
    // Next points right and Prev left: on the middle row Next is solid at
    // x 28 and clear at x 11, Prev the other way round.
    const auto next = buttonImage(module, 102), prev = buttonImage(module, 103);
    EXPECT_EQ(next[20 * 40 + 28] >> 24, 255u);
    EXPECT_EQ(next[20 * 40 + 11] >> 24, 0u);
    EXPECT_EQ(prev[20 * 40 + 11] >> 24, 255u);
    EXPECT_LT(prev[20 * 40 + 28] >> 24, 128u);
    FreeLibrary(module);
}

TEST_F(ButtonsAndAbout, ButtonsSitAtTheirPlacesAndBrightenUnderTheCursor)
{
    start();
    for (const ButtonCase& c : buttonCases()) {
        HWND b = button(c.title);
        ASSERT_NE(b, nullptr) << c.title;
        EXPECT_TRUE(IsWindowVisible(b)) << c.title;
        EXPECT_EQ(GetWindow(b, GW_OWNER), window_) << c.title;
        const LONG exStyle = GetWindowLongW(b, GWL_EXSTYLE);
        EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW),
                  WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW) << c.title;
        RECT r{};
        GetWindowRect(b, &r);
        EXPECT_EQ(r.left, c.left) << c.title;
        EXPECT_EQ(r.top, c.top) << c.title;
        EXPECT_EQ(r.right - r.left, 40) << c.title;
        EXPECT_EQ(r.bottom - r.top, 40) << c.title;
    }

    // Expected levels: the image's green at the probe times 64 or 128 / 255.
    HMODULE module = LoadLibraryExW(viewerProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    int green[3];
    const auto cases = buttonCases();
    for (int i = 0; i < 3; ++i)
        green[i] = (buttonImage(module, cases[i].bitmapId).at(cases[i].probe.y * 40 + cases[i].probe.x) >> 8) & 0xFF;
    FreeLibrary(module);
    auto level = [&](int i, int alpha) { return (green[i] * alpha + 127) / 255; };
    const int resting[3] = {level(0, 64), level(1, 64), level(2, 64)};
    EXPECT_TRUE(levelsBecome(resting)) << "all at rest";

    // The last pixel of Next's square still counts as Next.
    SetCursorPos(cases[0].left + 40, cases[0].top + 40);
    const int nextHovered[3] = {level(0, 128), level(1, 64), level(2, 64)};
    EXPECT_TRUE(levelsBecome(nextHovered)) << "Next hovered";
    SetCursorPos(cases[1].left + 20, cases[1].top + 20);
    const int prevHovered[3] = {level(0, 64), level(1, 128), level(2, 64)};
    EXPECT_TRUE(levelsBecome(prevHovered)) << "Prev hovered";
    SetCursorPos(cases[2].left + 20, cases[2].top + 20);
    const int closeHovered[3] = {level(0, 64), level(1, 64), level(2, 128)};
    EXPECT_TRUE(levelsBecome(closeHovered)) << "CLOSE hovered";
    SetCursorPos(cases[2].left - 1, cases[2].top + 20);
    EXPECT_TRUE(levelsBecome(resting)) << "back at rest";
}

TEST_F(ButtonsAndAbout, OptionSHidesTheButtons)
{
    start(L" /s");
    for (const ButtonCase& c : buttonCases()) {
        HWND b = button(c.title);
        ASSERT_NE(b, nullptr) << c.title;
        EXPECT_FALSE(IsWindowVisible(b)) << c.title;
    }
}

// F1 shows the About box centred in the full-screen client area; Escape and
// Enter each close it and leave the viewer running.
TEST_F(ButtonsAndAbout, F1ShowsTheAboutBoxCentredAndEscapeOrEnterClosesIt)
{
    start();
    for (WORD closingKey : {VK_ESCAPE, VK_RETURN}) {
        pressKeys(window_, {VK_F1});
        HWND about = viewer_->findWindow(L"#32770", 5000);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(windowText(about), L"About Vellora");
        EXPECT_EQ(GetWindow(about, GW_OWNER), window_);
        wchar_t link[128] = {};
        GetDlgItemTextW(about, 1000, link, 128);
        EXPECT_STREQ(link, L"www.vellora.org/other/VLR");
        EXPECT_NE(GetDlgItem(about, IDOK), nullptr);
        RECT r{};
        GetWindowRect(about, &r);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXFULLSCREEN) - (r.right - r.left)) / 2);
        EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYFULLSCREEN) - (r.bottom - r.top)) / 2);

        pressKeys(about, {closingKey});
        EXPECT_TRUE(waitFor([&] { return !IsWindow(about); }, 5000)) << "closing key " << closingKey;
        EXPECT_EQ(viewer_->waitForExit(300), -1) << "the viewer keeps running";
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

// Escape fades the window out (it turns layered) only where the desktop
// composes; Wine answers that it does not.
TEST_F(ButtonsAndAbout, EscapeQuitsWithAFadeOnlyOnAComposedDesktop)
{
    start();
    pressKeys(window_, {VK_ESCAPE});
    bool turnedLayered = false;
    const DWORD deadline = GetTickCount() + 15000;
    while (IsWindow(window_) && GetTickCount() < deadline)
        turnedLayered |= (GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    EXPECT_EQ(turnedLayered, desktopComposes());
    EXPECT_EQ(viewer_->waitForExit(), 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: buttons_about_e2e PATH-OF-Vellora.exe\n");
        return 2;
    }
    viewerProgram = windowsPathOf(argv[1]);
    return RUN_ALL_TESTS();
}
