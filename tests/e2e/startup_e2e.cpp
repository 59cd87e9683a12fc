// Starts the real viewer under the platform and checks what a user sees.
#include <gtest/gtest.h>

#include "viewer_driver.h"

#include <algorithm>
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

// The files under root, relative to it, sorted; folders end in a backslash.
void listTree(const std::wstring& root, const std::wstring& under, std::vector<std::wstring>& names)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"\\" + under + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            names.push_back(under + name + L"\\");
            listTree(root, under + name + L"\\", names);
        } else {
            names.push_back(under + name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::vector<std::wstring> treeOf(const std::wstring& root)
{
    std::vector<std::wstring> names;
    listTree(root, L"", names);
    std::sort(names.begin(), names.end());
    return names;
}

// Removes a folder with everything in it when the test ends.
struct FolderTree {
    std::wstring root;
    ~FolderTree()
    {
        auto names = treeOf(root);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            const std::wstring path = root + L"\\" + *it;
            if (it->back() == L'\\')
                RemoveDirectoryW(path.c_str());
            else
                DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(root.c_str());
    }
};

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

    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    FolderTree folder{std::wstring(temporary) + L"Bilder für Jürgen ñ " + std::to_wstring(GetCurrentProcessId())};
    ASSERT_TRUE(CreateDirectoryW(folder.root.c_str(), nullptr));
    for (const auto& name : shipped) {
        const std::wstring target = folder.root + L"\\" + name;
        if (name.back() == L'\\')
            ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
        else
            ASSERT_TRUE(CopyFileW((download + L"\\" + name).c_str(), target.c_str(), TRUE));
    }
    for (const wchar_t* picture : {L"c81e1e.png", L"1ec8c8.webp"})
        ASSERT_TRUE(CopyFileW((picturesDirectory + L"\\" + picture).c_str(),
                              (folder.root + L"\\" + picture).c_str(), TRUE));
    const auto before = treeOf(folder.root);

    const std::wstring& root = folder.root;
    ViewerProcess viewer(quoted(root), root + L"\\Vellora.exe");
    ASSERT_TRUE(viewer.started());
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(waitForCentre(RGB(0xC8, 0x1E, 0x1E))) << std::hex << centreColour();
    pressKeys(window, {VK_SPACE});
    EXPECT_TRUE(waitForCentre(RGB(0x1E, 0xC8, 0xC8))) << std::hex << centreColour();
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
    EXPECT_EQ(treeOf(folder.root), before);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return runEndToEndTests(argc, argv);
}
