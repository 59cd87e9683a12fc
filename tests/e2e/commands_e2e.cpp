// The viewer's toggles, buttons, context menu and open dialog, driven through
// the real input queue and checked on the screen.
#include <gtest/gtest.h>

#include "solid_pictures.h"
#include "viewer_driver.h"

namespace {

const COLORREF red = RGB(0xC8, 0x1E, 0x1E), green = RGB(0x1E, 0xC8, 0x1E), blue = RGB(0x1E, 0x1E, 0xC8);

// Three pictures in list order: red, green, blue.
void addThreePictures(const TemporaryDirectory& folder)
{
    folder.addFile(L"a.bmp", solidBmp(96, 64, 0xC8, 0x1E, 0x1E));
    folder.addFile(L"b.bmp", solidBmp(96, 64, 0x1E, 0xC8, 0x1E));
    folder.addFile(L"c.tga", solidTga(96, 64, 0x1E, 0x1E, 0xC8));
}

bool buttonsShown(const ViewerProcess& viewer) { return viewer.findWindow(L"Dummy", 500) != nullptr; }

TEST(Commands, InformationOverlayAndColourManagementToggle)
{
    TemporaryDirectory folder(L"vellora-e2e-overlay");
    addThreePictures(folder);
    ViewerProcess viewer(quoted(folder.file(L"b.bmp")));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(green));
    const int h = defaultLineHeight();
    EXPECT_FALSE(bandHasText(0, 2 * h));

    pressKeys(window, {VK_F2});
    EXPECT_TRUE(waitFor([&] { return screenShowsText(0, L"File \"" + folder.file(L"b.bmp") + L"\""); }, 5000));
    EXPECT_TRUE(screenShowsText(h, L"Image 2 of 3 (original resolution: 96x64)"));
    // The overlay stays on across steps and shows the new file.
    pressKeys(window, {VK_SPACE});
    ASSERT_TRUE(waitForCentre(blue));
    EXPECT_TRUE(waitFor([&] { return screenShowsText(h, L"Image 3 of 3 (original resolution: 96x64)"); }, 5000));
    EXPECT_TRUE(screenShowsText(0, L"File \"" + folder.file(L"c.tga") + L"\""));
    // A middle double-click away from the button squares toggles it too.
    middleDoubleClickAt(200, 300);
    EXPECT_TRUE(waitFor([&] { return !bandHasText(0, 2 * h); }, 5000));

    // Colour management drops the screens; the picture comes back prepared
    // anew with it on and off.
    pressKeys(window, {VK_F12});
    EXPECT_TRUE(waitForCentre(blue));
    pressKeys(window, {VK_F12});
    EXPECT_TRUE(waitForCentre(blue));
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

TEST(Commands, AnaglyphViewShowsStereoPairsInRedAndCyan)
{
    TemporaryDirectory folder(L"vellora-e2e-stereo");
    folder.addPicture(L"a.stereo.png");  // white left view, black right view
    folder.addPicture(L"b.stereo.png");  // the mirror image
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
    // Both views side by side, 320 pixels each, centred.
    ASSERT_TRUE(waitFor([&] { return screenPixel(cx - 160, cy) == RGB(255, 255, 255); }));
    EXPECT_EQ(screenPixel(cx + 160, cy), RGB(0, 0, 0));

    pressKeys(window, {VK_F9});
    EXPECT_TRUE(waitForCentre(RGB(255, 0, 0))) << std::hex << centreColour();
    pressKeys(window, {VK_SPACE});
    EXPECT_TRUE(waitForCentre(RGB(0, 255, 255))) << std::hex << centreColour();
    pressKeys(window, {VK_F9});
    EXPECT_TRUE(waitFor([&] { return screenPixel(cx + 160, cy) == RGB(255, 255, 255); }));
    EXPECT_EQ(screenPixel(cx - 160, cy), RGB(0, 0, 0));
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

TEST(Commands, ButtonsStepAndCloseAndF11HidesThem)
{
    TemporaryDirectory folder(L"vellora-e2e-buttons");
    addThreePictures(folder);
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(red));
    if (!buttonsShown(viewer)) {
        pressKeys(window, {VK_ESCAPE});
        GTEST_SKIP() << "this build has no overlay buttons";
    }
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const POINT next{w - 45, h - 45}, previous{w - 100, h - 45}, close{w - 45, 45};

    clickAt(next.x, next.y);
    EXPECT_TRUE(waitForCentre(green));
    clickAt(previous.x, previous.y);
    EXPECT_TRUE(waitForCentre(red));
    clickAt(previous.x, previous.y);
    EXPECT_TRUE(waitForCentre(blue));

    pressKeys(window, {VK_F11});
    EXPECT_TRUE(waitFor([&] { return !buttonsShown(viewer); }, 5000));
    clickAt(next.x, next.y);
    clickAt(close.x, close.y);
    Sleep(1000);
    EXPECT_TRUE(similarColour(centreColour(), blue));
    // A middle double-click over Next or Prev brings them back even hidden;
    // over CLOSE it toggles the overlay instead.
    middleDoubleClickAt(next.x, next.y);
    EXPECT_TRUE(waitFor([&] { return buttonsShown(viewer); }, 5000));
    middleDoubleClickAt(previous.x, previous.y);
    EXPECT_TRUE(waitFor([&] { return !buttonsShown(viewer); }, 5000));
    pressKeys(window, {VK_F11});
    EXPECT_TRUE(waitFor([&] { return buttonsShown(viewer); }, 5000));
    middleDoubleClickAt(close.x, close.y);
    EXPECT_TRUE(waitFor([&] { return bandHasText(0, defaultLineHeight()); }, 5000));
    EXPECT_TRUE(buttonsShown(viewer));

    clickAt(close.x, close.y);
    EXPECT_EQ(viewer.waitForExit(), 0);
}

TEST(Commands, QuitChosenWithTheKeyboardMinimises)
{
    TemporaryDirectory folder(L"vellora-e2e-menu");
    addThreePictures(folder);
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(red));
    sendMouse(400, 300, {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
    ASSERT_NE(viewer.findWindow(L"#32768", 5000), nullptr);
    pressKeys(window, {VK_UP});  // from nothing selected to the last item
    pressKeys(window, {VK_RETURN});
    EXPECT_TRUE(waitFor([&] { return IsIconic(window) != 0; }, 5000));
    EXPECT_EQ(viewer.waitForExit(1000), -1);
}

// The open dialog is the viewer's top-level "#32770" window.
HWND openDialogOf(const ViewerProcess& viewer)
{
    HWND dialog = viewer.findWindow(L"#32770");
    if (dialog == nullptr)
        return nullptr;
    EXPECT_EQ(windowText(dialog), L"Choose any file to open entire directory");
    wchar_t label[128] = {};
    GetDlgItemTextW(dialog, 1040, label, 128);
    EXPECT_STREQ(label, L"Include subdirectories");
    EXPECT_EQ(IsDlgButtonChecked(dialog, 1040), BST_UNCHECKED);
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
    return dialog;
}

TEST(Commands, WithoutAPathTheOpenDialogComesUpAndCancelLeavesTheHelpScreen)
{
    ViewerProcess viewer(L"");
    HWND dialog = openDialogOf(viewer);
    ASSERT_NE(dialog, nullptr);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    const int h = defaultLineHeight();
    ASSERT_TRUE(waitFor([&] { return screenShowsText(0, L"Vellora Help:"); }, 5000));
    const std::wstring lines[] = {
        L"Space, Enter or Mouswheel down - next image",
        L"Backspace or Mousewheel up - previous image",
        L"Escape or Alt+F4 - Quit Program",
        L"Right mouse button - show context menu",
        L"F1 - About dialog",
        L"F2 or double click with middle mouse button - toggle on/off current image file info",
        L"F9 - toggle on/off 3d view (red-cyan)",
        L"F11 - show/hide \"next\", \"previous\" and \"close\" buttons",
        L"F12 - toggle color management support on/off",
        L"Delete - try to delete the current graphic file",
        L"Insert - copy full filepath of current image file to the clipboard",
        L"",
        L"Command prompt syntax: \"Vellora.exe\" \"path to directory or file\" [/[a][c][s][3]]",
        L"(the optional \"/a\" parameter tells the program to search for images also in subdirectories)",
        L"(the optional \"/c\" parameter enables color management support on startup)",
        L"(the optional \"/s\" parameter tells the program to hide buttons at startup)",
        L"(the optional \"/3\" parameter enables 3d mode on startup)",
    };
    for (int k = 1; k <= 17; ++k) {
        if (lines[k - 1].empty())
            EXPECT_FALSE(bandHasText(k * h, h, GetSystemMetrics(SM_CXSCREEN))) << "line " << k;
        else
            EXPECT_TRUE(screenShowsText(k * h, lines[k - 1])) << "line " << k;
    }
    // Nothing to step or toggle; F12 flips the setting and redraws the help.
    pressKeys(window, {VK_SPACE});
    pressKeys(window, {VK_F2});
    pressKeys(window, {VK_F12});
    Sleep(500);
    EXPECT_TRUE(screenShowsText(0, L"Vellora Help:"));
    EXPECT_TRUE(screenShowsText(h, lines[0]));
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

TEST(Commands, ChoosingAFileInTheOpenDialogListsItsFolderWithItCurrent)
{
    TemporaryDirectory folder(L"vellora-e2e-open");
    addThreePictures(folder);
    ViewerProcess viewer(L"");
    HWND dialog = openDialogOf(viewer);
    ASSERT_NE(dialog, nullptr);
    // The name box is a combo box (cmb13) in the platform's dialog and a
    // plain edit (edt1) in older ones.
    SetDlgItemTextW(dialog, 1148, folder.file(L"b.bmp").c_str());
    SetDlgItemTextW(dialog, 1152, folder.file(L"b.bmp").c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(waitForCentre(green));
    pressKeys(window, {VK_SPACE});
    EXPECT_TRUE(waitForCentre(blue));
    pressKeys(window, {VK_SPACE});
    EXPECT_TRUE(waitForCentre(red));
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return runEndToEndTests(argc, argv);
}
