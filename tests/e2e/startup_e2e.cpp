// Starts the real viewer under the platform and checks what a user sees.
#include <gtest/gtest.h>

#include "viewer_driver.h"

#include <cstdlib>

namespace {

TEST(Startup, FolderShowsOneBlackBorderlessWindowOverTheWholeScreen)
{
    TemporaryDirectory folder(L"vellora-e2e-pictures");
    folder.addFile(L"a.bmp");
    folder.addFile(L"b.png");
    ViewerProcess viewer(quoted(folder.path()));
    ASSERT_TRUE(viewer.started());

    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), L"Vellorex");
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    ASSERT_TRUE(waitFor([&] {
        RECT r;
        GetWindowRect(window, &r);
        return r.left == 0 && r.top == 0 && r.right == GetSystemMetrics(SM_CXSCREEN)
               && r.bottom == GetSystemMetrics(SM_CYSCREEN);
    }, 5000));
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(waitFor([&] { return screenPixel(cx / 2, cy / 2) == RGB(0, 0, 0); }, 5000));
    for (POINT p : {POINT{0, 0}, POINT{cx - 1, 0}, POINT{0, cy - 1}, POINT{cx - 1, cy - 1}, POINT{cx / 3, cy / 4}})
        EXPECT_EQ(screenPixel(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;

    pressKeys(window, {VK_MENU, VK_F4});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

// The box that reports an empty list is a dialog of class "#32770" whose
// static text has the id 0xFFFF.
void expectEmptyFolderMessageThenClose(ViewerProcess& viewer)
{
    HWND box = viewer.findWindow(L"#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(windowText(box), L"Vellora");
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_STREQ(text, L"This directory doesn't contain any graphic files!");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    pressKeys(window, {VK_MENU, VK_F4});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

TEST(Startup, EmptyFolderReportsThatItHoldsNoGraphicFiles)
{
    TemporaryDirectory folder(L"vellora-e2e-empty");
    folder.addFile(L"notes.txt");
    folder.addFile(L"x.jpg.bak");
    ViewerProcess viewer(quoted(folder.path()) + L" /a");
    ASSERT_TRUE(viewer.started());
    expectEmptyFolderMessageThenClose(viewer);
}

TEST(Startup, MissingPathReportsAnEmptyList)
{
    TemporaryDirectory folder(L"vellora-e2e-missing");
    ViewerProcess viewer(quoted(folder.path() + L"\\missing\\x.png"));
    ASSERT_TRUE(viewer.started());
    expectEmptyFolderMessageThenClose(viewer);
}

TEST(Startup, PathTooLongForThePathBufferIsTreatedAsNamingNothing)
{
    ViewerProcess viewer(quoted(L"C:\\" + std::wstring(300, L'd') + L"\\x.png"));
    ASSERT_TRUE(viewer.started());
    expectEmptyFolderMessageThenClose(viewer);
}

TEST(Startup, ExecutableCarriesItsIconAndCommonControlsManifest)
{
    HMODULE module = LoadLibraryExW(viewerProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(105), RT_GROUP_ICON), nullptr);
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(105), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr)
        DestroyIcon(icon);

    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    std::string xml(text, SizeofResource(module, manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    FreeLibrary(module);
}

// One row per shipped program: the strings its version resource must carry.
TEST(Startup, BothProgramsCarryTheirVersion)
{
    const std::wstring folder = viewerProgram.substr(0, viewerProgram.find_last_of(L'\\') + 1);
    const struct {
        std::wstring program, description, originalName;
    } rows[] = {
        {viewerProgram, L"Vellora fullscreen image viewer", L"Vellora.exe"},
        {folder + L"Utilities-WebP\\WebP2QDL_only1stframe.exe", L"Vellora WebP converter (first frame to QDL)",
         L"WebP2QDL_only1stframe.exe"},
    };
    for (const auto& row : rows) {
        DWORD ignored = 0;
        std::vector<char> data(GetFileVersionInfoSizeW(row.program.c_str(), &ignored));
        ASSERT_FALSE(data.empty()) << row.originalName;
        ASSERT_TRUE(GetFileVersionInfoW(row.program.c_str(), 0, DWORD(data.size()), data.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010005u) << row.originalName;
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00010005u) << row.originalName;
        auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT units = 0;
            std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
            if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &units) || !value)
                return std::wstring(L"(missing)");
            return std::wstring(value);
        };
        EXPECT_EQ(text(L"FileVersion"), L"1.05") << row.originalName;
        EXPECT_EQ(text(L"ProductVersion"), L"1.05") << row.originalName;
        EXPECT_EQ(text(L"ProductName"), L"Vellora") << row.originalName;
        EXPECT_EQ(text(L"FileDescription"), row.description);
        EXPECT_EQ(text(L"OriginalFilename"), row.originalName);
        EXPECT_EQ(text(L"LegalCopyright"), L"Copyright (C) 2026 the Vellora team") << row.originalName;
    }
}

// The download as a user unpacks it, in a folder whose path has spaces and
// letters beyond ASCII: the viewer shows a PNG and, through the converter
// beside it, a WebP, and writes nothing into its own folder.
TEST(Startup, DownloadRunsFromAFolderWithSpacesAndAccentedLetters)
{
    const wchar_t* unpacked = _wgetenv(L"VELLORA_UNPACKED_DOWNLOAD");
    ASSERT_NE(unpacked, nullptr) << "ctest passes the folder that scripts/package unpacks the download into";
    const std::wstring download = windowsPathOf(unpacked);
    const auto shipped = treeOf(download);
    ASSERT_FALSE(shipped.empty()) << "run scripts/package first";

    TemporaryDirectory folder(L"Bilder für Jürgen ñ");
    for (const auto& name : shipped) {
        const std::wstring target = folder.file(name);
        if (name.back() == L'\\')
            ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
        else
            ASSERT_TRUE(CopyFileW((download + L"\\" + name).c_str(), target.c_str(), TRUE));
    }
    for (const wchar_t* picture : {L"c81e1e.png", L"1ec8c8.webp"})
        folder.addPicture(picture);
    const auto before = treeOf(folder.path());

    ViewerProcess viewer(quoted(folder.path()), folder.file(L"Vellora.exe"));
    ASSERT_TRUE(viewer.started());
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(waitForCentre(RGB(0xC8, 0x1E, 0x1E))) << std::hex << centreColour();
    pressKeys(window, {VK_SPACE});
    EXPECT_TRUE(waitForCentre(RGB(0x1E, 0xC8, 0xC8))) << std::hex << centreColour();
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
    EXPECT_EQ(treeOf(folder.path()), before);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return runEndToEndTests(argc, argv);
}
