// Stepping through a folder of one picture per readable format with every
// key and the wheel, checked by the colour at the centre of the screen; and
// through a portrait and a landscape photo, each shown upright; and the keys
// read while a slow current picture is prepared.
#include <gtest/gtest.h>

#include <cstdio>

#include "exif_fixtures.h"
#include "read_file_win32.h"
#include "slow_pictures.h"
#include "solid_pictures.h"
#include "viewer_driver.h"

namespace {

// In the list's order: the scan takes the patterns bmp, gif, jpg, png, qdl,
// tif, tga, heic, webp, jxr in this order.
const COLORREF formatColours[] = {
    RGB(0xB4, 0x28, 0x78),  // BMP
    RGB(0x1E, 0x1E, 0xC8),  // GIF
    RGB(0x1E, 0xC8, 0x1E),  // JPEG
    RGB(0xC8, 0x1E, 0x1E),  // PNG
    RGB(0x28, 0xB4, 0xB4),  // QDL
    RGB(0xC8, 0xC8, 0x1E),  // TIFF
    RGB(0x78, 0x50, 0xDC),  // TGA
    RGB(0xB4, 0x78, 0x1E),  // HEIC
    RGB(0x1E, 0x78, 0xB4),  // JPEG XR
};
constexpr int formatCount = 9;

void addEveryFormat(const TemporaryDirectory& folder)
{
    folder.addFile(L"1.bmp", solidBmp(96, 64, 0xB4, 0x28, 0x78));
    folder.addPicture(L"1e1ec8.gif");
    folder.addPicture(L"1ec81e.jpg");
    folder.addPicture(L"c81e1e.png");
    folder.addFile(L"5.qdl", solidQdl(96, 64, 0x28, 0xB4, 0xB4));
    folder.addPicture(L"c8c81e.tif");
    folder.addFile(L"7.tga", solidTga(96, 64, 0x78, 0x50, 0xDC));
    folder.addPicture(L"b4781e.heic");  // 97 x 61
    folder.addPicture(L"1e78b4.jxr");   // 93 x 59
}

struct Step {
    const char* what;
    WORD key;   // 0: the wheel
    int wheel;  // its delta
    int by;     // +1 forward, -1 back
};

TEST(Stepping, EveryKeyAndTheWheelStepThroughEveryFormatWithWrapAround)
{
    TemporaryDirectory folder(L"vellora-e2e-stepping");
    addEveryFormat(folder);
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    int position = 0;
    ASSERT_TRUE(waitForCentre(formatColours[position])) << std::hex << centreColour();

    const Step steps[] = {
        {"Space", VK_SPACE, 0, +1},       {"Enter", VK_RETURN, 0, +1},     {"Page Down", VK_NEXT, 0, +1},
        {"Right", VK_RIGHT, 0, +1},       {"Down", VK_DOWN, 0, +1},        {"wheel towards the user", 0, -120, +1},
        {"tail to head", VK_SPACE, 0, +1}, {"head to tail", VK_BACK, 0, -1}, {"Page Up", VK_PRIOR, 0, -1},
        {"Left", VK_LEFT, 0, -1},         {"Up", VK_UP, 0, -1},            {"wheel away", 0, 120, -1},
        {"wheel without delta", 0, 0, +1}, {"Backspace", VK_BACK, 0, -1},
    };
    for (const Step& step : steps) {
        if (step.key != 0)
            pressKeys(window, {step.key});
        else
            turnWheel(window, step.wheel);
        position = (position + step.by + formatCount) % formatCount;
        EXPECT_TRUE(waitForCentre(formatColours[position]))
            << step.what << ": expected picture " << position << ", centre " << std::hex << centreColour();
    }

    // About a second of auto-repeat: every repeat is one step.
    holdKey(window, VK_RIGHT, 30);
    position = (position + 30) % formatCount;
    EXPECT_TRUE(waitForCentre(formatColours[position], 30000)) << std::hex << centreColour();

    // The overlay shows the size the decoder published for the HEIC file,
    // then for the JPEG XR file.
    while (position != formatCount - 2) {
        pressKeys(window, {VK_SPACE});
        position = (position + 1) % formatCount;
        EXPECT_TRUE(waitForCentre(formatColours[position])) << std::hex << centreColour();
    }
    pressKeys(window, {VK_F2});
    EXPECT_TRUE(waitFor([&] {
        return screenShowsText(defaultLineHeight(), L"Image 8 of 9 (original resolution: 97x61)");
    }, 5000));
    pressKeys(window, {VK_SPACE});
    EXPECT_TRUE(waitForCentre(formatColours[formatCount - 1])) << std::hex << centreColour();
    EXPECT_TRUE(waitFor([&] {
        return screenShowsText(defaultLineHeight(), L"Image 9 of 9 (original resolution: 93x59)");
    }, 5000));

    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

// The formats of the viewer's newer libraries, in the list's order (the
// scan takes jpg, then avif, jxl and dng), forwards with wrap-around: each
// shows its colour, and F2 the size its decoder published; the RAW file's is
// its preview's upright size.
TEST(Stepping, NewerFormatsShowTheirColoursAndSizes)
{
    TemporaryDirectory folder(L"vellora-e2e-newer");
    folder.addPicture(L"1ec81e.jpg");
    folder.addPicture(L"3c8cdc.avif");
    folder.addPicture(L"dc8c3c.jxl");
    folder.addPicture(L"8c3cdc.dng");
    const struct {
        COLORREF colour;
        const wchar_t* overlay;
    } pictures[] = {
        {RGB(0x1E, 0xC8, 0x1E), L"Image 1 of 4 (original resolution: 96x64)"},
        {RGB(0x3C, 0x8C, 0xDC), L"Image 2 of 4 (original resolution: 91x57)"},
        {RGB(0xDC, 0x8C, 0x3C), L"Image 3 of 4 (original resolution: 89x55)"},
        {RGB(0x8C, 0x3C, 0xDC), L"Image 4 of 4 (original resolution: 53x83)"},
    };
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(pictures[0].colour)) << std::hex << centreColour();
    pressKeys(window, {VK_F2});
    for (int step = 0; step <= 4; ++step) {
        const auto& picture = pictures[step % 4];
        if (step > 0)
            pressKeys(window, {VK_SPACE});
        EXPECT_TRUE(waitForCentre(picture.colour)) << "picture " << step % 4 << std::hex << ", centre " << centreColour();
        EXPECT_TRUE(waitFor([&] { return screenShowsText(defaultLineHeight(), picture.overlay); }, 5000))
            << "picture " << step % 4;
    }
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

// The same 1200 x 800 JPEG, red above blue, tagged as a portrait (turned a
// quarter clockwise) and as a landscape: F2 shows each upright size, and the
// portrait's stored top stands on the right.
TEST(Stepping, PortraitAndLandscapePhotosStandUpright)
{
    const Bytes halves = readFile(picturesDirectory + L"\\halves.jpg");
    ASSERT_FALSE(halves.empty());
    TemporaryDirectory folder(L"vellora-e2e-upright");
    folder.addFile(L"1-portrait.jpg", asString(jpegWithExif(halves, exifBlock(true, 6))));
    folder.addFile(L"2-landscape.jpg", asString(jpegWithExif(halves, exifBlock(false, 1))));
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    const COLORREF red = RGB(0xC8, 0x1E, 0x1E), blue = RGB(0x1E, 0x1E, 0xC8);
    const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
    // 800 x 1200 fits 480 x 720 on a 1280 x 720 screen: a quarter of its
    // width either side of the centre.
    const int quarter = GetSystemMetrics(SM_CYSCREEN) * 800 / 1200 / 4;
    EXPECT_TRUE(waitFor([&] {
        return similarColour(screenPixel(cx + quarter, cy), red) && similarColour(screenPixel(cx - quarter, cy), blue);
    })) << std::hex << screenPixel(cx + quarter, cy) << " " << screenPixel(cx - quarter, cy);
    pressKeys(window, {VK_F2});
    EXPECT_TRUE(waitFor([&] {
        return screenShowsText(defaultLineHeight(), L"Image 1 of 2 (original resolution: 800x1200)");
    }, 5000));

    pressKeys(window, {VK_SPACE});
    const int fittedHeight = GetSystemMetrics(SM_CYSCREEN);  // 1080 x 720, height-limited
    EXPECT_TRUE(waitFor([&] {
        return similarColour(screenPixel(cx, cy - fittedHeight / 4), red) &&
               similarColour(screenPixel(cx, cy + fittedHeight / 4), blue);
    })) << std::hex << screenPixel(cx, cy - fittedHeight / 4);
    EXPECT_TRUE(waitFor([&] {
        return screenShowsText(defaultLineHeight(), L"Image 2 of 2 (original resolution: 1200x800)");
    }, 5000));
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

TEST(Stepping, GuiObjectsStayConstantOver200Steps)
{
    TemporaryDirectory folder(L"vellora-e2e-objects");
    addEveryFormat(folder);
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(formatColours[0]));
    auto steadyAt = [&](int position) {
        EXPECT_TRUE(waitForCentre(formatColours[position], 30000)) << std::hex << centreColour();
        Sleep(500);  // the background preparation of the next screen
    };
    // One round first, so that every lazily made object exists.
    holdKey(window, VK_RIGHT, formatCount);
    steadyAt(0);
    DWORD gdiBefore = GetGuiResources(viewer.process(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(viewer.process(), GR_USEROBJECTS);
    for (int round = 0; round < 10; ++round) {
        holdKey(window, VK_RIGHT, 10);
        holdKey(window, VK_LEFT, 10);
    }
    steadyAt(0);
    if (gdiBefore == 0 && userBefore == 0) {
        pressKeys(window, {VK_ESCAPE});
        GTEST_SKIP() << "the platform reports no GUI object counts";
    }
    EXPECT_EQ(GetGuiResources(viewer.process(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_EQ(GetGuiResources(viewer.process(), GR_USEROBJECTS), userBefore);
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

// Large enough that the platform's decoder takes seconds on it.
constexpr uint32_t largeSide = 8000;
const uint8_t largeTop[3] = {0xC8, 0x1E, 0x1E}, largeBottom[3] = {0x1E, 0x1E, 0xC8};

// The window reads Escape while the current picture is prepared, and the
// viewer ends at once around a decode that cannot be interrupted.
TEST(Stepping, EscapeEndsTheViewerWhileTheCurrentPictureIsPrepared)
{
    const struct {
        const char* what;
        const wchar_t* name;
        std::string bytes;
    } cases[] = {
        {"a progressive JPEG of 100,000 scans", L"scans.jpg", progressiveScanBomb(2048, 100000)},
        {"a large PNG", L"large.png", gradientPng(largeSide, largeSide, largeTop, largeBottom)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryDirectory folder(L"vellora-e2e-escape");
        folder.addFile(c.name, c.bytes);
        ViewerProcess viewer(quoted(folder.file(c.name)));
        HWND window = viewer.findWindow(L"Plant");
        ASSERT_NE(window, nullptr);
        Sleep(1000);
        pressKeys(window, {VK_ESCAPE});
        const auto pressed = std::chrono::steady_clock::now();
        EXPECT_EQ(viewer.waitForExit(1500), 0);
        // How long it did take, for the failure's message.
        viewer.waitForExit(120000);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - pressed);
        std::printf("%s: ended %lld ms after Escape\n", c.what, static_cast<long long>(took.count()));
    }
}

// Steps pressed while the current picture is prepared are each taken once,
// after it: none lost, none repeated.
TEST(Stepping, StepsPressedWhileTheCurrentPictureIsPreparedAreTakenOnceItIsReady)
{
    const uint8_t green[3] = {0x1E, 0xC8, 0x1E}, blue[3] = {0x1E, 0x1E, 0xC8};
    const struct {
        const char* what;
        int presses;
        COLORREF shown;
    } cases[] = {
        {"one step", 1, RGB(0x1E, 0xC8, 0x1E)},
        {"two steps", 2, RGB(0x1E, 0x1E, 0xC8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryDirectory folder(L"vellora-e2e-pending-steps");
        folder.addFile(L"a.png", gradientPng(largeSide, largeSide, largeTop, largeBottom));
        folder.addFile(L"b.png", gradientPng(96, 64, green, green));
        folder.addFile(L"c.png", gradientPng(96, 64, blue, blue));
        ViewerProcess viewer(quoted(folder.file(L"a.png")));
        HWND window = viewer.findWindow(L"Plant");
        ASSERT_NE(window, nullptr);
        for (int press = 0; press < c.presses; ++press)
            pressKeys(window, {VK_SPACE});
        EXPECT_EQ(centreColour(), RGB(0, 0, 0)) << "the picture was ready before the keys came";
        EXPECT_TRUE(waitForCentre(c.shown, 60000)) << std::hex << centreColour();
        Sleep(1500);
        EXPECT_TRUE(similarColour(centreColour(), c.shown)) << std::hex << centreColour();
        pressKeys(window, {VK_ESCAPE});
        EXPECT_EQ(viewer.waitForExit(), 0);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return runEndToEndTests(argc, argv);
}
