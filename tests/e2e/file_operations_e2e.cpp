// Delete, Insert and the editor hand-off on the real viewer: the files on
// disk, the clipboard's bytes and the stand-in editor's command line; and the
// WebP converter found beside the editor, run by two viewers at once.
#include <gtest/gtest.h>

#include <fstream>

#include "solid_pictures.h"
#include "viewer_driver.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace {

const COLORREF red = RGB(0xC8, 0x1E, 0x1E), green = RGB(0x1E, 0xC8, 0x1E), blue = RGB(0x1E, 0x1E, 0xC8);

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Answers the viewer's next message box after checking its text.
void answerBox(const ViewerProcess& viewer, const std::wstring& text, int button)
{
    HWND box = viewer.findWindow(L"#32770", 5000);
    ASSERT_NE(box, nullptr) << "no box for: " << std::string(text.begin(), text.end());
    EXPECT_EQ(windowText(box), L"Vellora");
    EXPECT_EQ(messageText(box), text);
    EXPECT_NE(GetDlgItem(box, button), nullptr);
    PostMessageW(box, WM_COMMAND, button, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(box); }, 5000));
}

std::wstring deleteQuestionFor(const std::wstring& path)
{
    return L"Are you sure you want to delete this file (\"" + path + L"\")?";
}

TEST(FileOperations, DeleteAsksThenRemovesTheFileAndShowsTheNext)
{
    TemporaryDirectory folder(L"vellora-e2e-delete");
    folder.addFile(L"a.bmp", solidBmp(96, 64, 0xC8, 0x1E, 0x1E));
    folder.addFile(L"b.bmp", solidBmp(96, 64, 0x1E, 0xC8, 0x1E));
    folder.addFile(L"c.bmp", solidBmp(96, 64, 0x1E, 0x1E, 0xC8));
    SetFileAttributesW(folder.file(L"b.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    ViewerProcess viewer(quoted(folder.file(L"c.bmp")));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(blue));

    pressKeys(window, {VK_DELETE});
    answerBox(viewer, deleteQuestionFor(folder.file(L"c.bmp")), IDNO);
    EXPECT_TRUE(exists(folder.file(L"c.bmp")));
    EXPECT_TRUE(waitForCentre(blue));

    // The tail goes; the head follows it.
    pressKeys(window, {VK_DELETE});
    answerBox(viewer, deleteQuestionFor(folder.file(L"c.bmp")), IDYES);
    EXPECT_FALSE(exists(folder.file(L"c.bmp")));
    EXPECT_TRUE(waitForCentre(red));

    pressKeys(window, {VK_SPACE});
    ASSERT_TRUE(waitForCentre(green));
    pressKeys(window, {VK_DELETE});
    answerBox(viewer, deleteQuestionFor(folder.file(L"b.bmp")), IDYES);
    answerBox(viewer, L"Unable to delete file!", IDOK);
    EXPECT_TRUE(exists(folder.file(L"b.bmp")));
    EXPECT_TRUE(waitForCentre(green));

    SetFileAttributesW(folder.file(L"b.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    pressKeys(window, {VK_DELETE});
    answerBox(viewer, deleteQuestionFor(folder.file(L"b.bmp")), IDYES);
    EXPECT_TRUE(waitForCentre(red));
    pressKeys(window, {VK_DELETE});
    answerBox(viewer, deleteQuestionFor(folder.file(L"a.bmp")), IDYES);
    EXPECT_FALSE(exists(folder.file(L"a.bmp")));
    // The last file gone: the help screen on black.
    EXPECT_TRUE(waitFor([&] { return screenShowsText(0, L"Vellora Help:"); }, 5000));
    EXPECT_EQ(centreColour(), RGB(0, 0, 0));
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

std::string clipboardBytes(UINT format)
{
    HANDLE data = GetClipboardData(format);
    if (data == nullptr)
        return "(missing)";
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    std::string copy(bytes, GlobalSize(data));
    GlobalUnlock(data);
    return copy;
}

std::string bytesOf(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

TEST(FileOperations, InsertPutsThePathInFourFormats)
{
    TemporaryDirectory folder(L"vellora e2e \u00e4");
    folder.addFile(L"long name \u00e9.bmp", solidBmp(96, 64, 0xC8, 0x1E, 0x1E));
    const std::wstring path = folder.file(L"long name \u00e9.bmp");
    ViewerProcess viewer(quoted(path));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(red));
    pressKeys(window, {VK_INSERT});
    Sleep(1000);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(clipboardBytes(CF_UNICODETEXT), bytesOf(path));
    EXPECT_EQ(clipboardBytes(RegisterClipboardFormatW(L"FileNameW")), bytesOf(path));
    std::string drop("\x14\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\x01\0\0\0", 20);
    EXPECT_EQ(clipboardBytes(CF_HDROP), drop + bytesOf(path) + std::string(2, '\0'));
    wchar_t shortPath[MAX_PATH];
    DWORD shortLength = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    ASSERT_GT(shortLength, 0u);
    std::string eightBit;
    for (DWORD i = 0; i < shortLength; ++i)
        eightBit += char(shortPath[i] & 0xFF);
    EXPECT_EQ(clipboardBytes(RegisterClipboardFormatW(L"FileName")), eightBit + '\0');
    CloseClipboard();
    pressKeys(window, {VK_ESCAPE});
    EXPECT_EQ(viewer.waitForExit(), 0);
}

std::wstring besideThisProgram(const std::wstring& name)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring program(self);
    return program.substr(0, program.find_last_of(L'\\') + 1) + name;
}

// Registers an editor (the stand-in editor unless named) as the ".qdl" open
// command for one test.
class EditorHandOff : public ::testing::Test {
protected:
    void registerEditor(const std::wstring& editor = L"")
    {
        const std::wstring program = editor.empty() ? besideThisProgram(L"programs\\record_command_line.exe") : editor;
        std::wstring command = ::quoted(program) + L" \"%1\"";
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L".qdl\\shell\\Open\\command", 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       DWORD((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".qdl");
        SetEnvironmentVariableW(L"VELLORA_RECORD_FILE", nullptr);
        SetEnvironmentVariableW(L"VELLORA_STANDIN_SLEEP_MS", nullptr);
    }

    // Opens the context menu and takes its second item with the keyboard.
    void chooseSecondMenuItem(const ViewerProcess& viewer, HWND window)
    {
        sendMouse(400, 300, {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
        ASSERT_NE(viewer.findWindow(L"#32768", 5000), nullptr);
        pressKeys(window, {VK_DOWN});
        pressKeys(window, {VK_DOWN});
        pressKeys(window, {VK_RETURN});
    }

    std::wstring recorded(const std::wstring& recordFile)
    {
        std::ifstream in(std::string(recordFile.begin(), recordFile.end()), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
};

TEST_F(EditorHandOff, QuadrelOpensTheCurrentFileUnquotedOnlyWithAnEditorRegistered)
{
    TemporaryDirectory folder(L"vellora-e2e-editor");
    folder.addFile(L"a picture.bmp", solidBmp(96, 64, 0xC8, 0x1E, 0x1E));
    folder.addFile(L"b.bmp", solidBmp(96, 64, 0x1E, 0xC8, 0x1E));
    const std::wstring recordFile = folder.file(L"record.txt");
    SetEnvironmentVariableW(L"VELLORA_RECORD_FILE", recordFile.c_str());

    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".qdl");
        ViewerProcess viewer(quoted(folder.path()));
        HWND window = viewer.findWindow(L"Plant");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitForCentre(red));
        // Without an editor the second item is "&Next".
        chooseSecondMenuItem(viewer, window);
        EXPECT_TRUE(waitForCentre(green));
        pressKeys(window, {VK_ESCAPE});
        EXPECT_EQ(viewer.waitForExit(), 0);
    }
    registerEditor();
    ViewerProcess viewer(quoted(folder.path()));
    HWND window = viewer.findWindow(L"Plant");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitForCentre(red));
    chooseSecondMenuItem(viewer, window);
    ASSERT_TRUE(waitFor([&] { return exists(recordFile); }, 10000));
    Sleep(300);
    const std::wstring line = recorded(recordFile);
    const std::wstring path = folder.file(L"a picture.bmp");
    EXPECT_NE(line.find(L" " + path + L"\n"), std::wstring::npos) << std::string(line.begin(), line.end());
    EXPECT_EQ(line.find(L"\"" + path), std::wstring::npos);
    EXPECT_TRUE(waitForCentre(red));
    // The editor's start moves the foreground around for a while; the
    // viewer must still end on Escape once it has the keyboard again.
    EXPECT_TRUE(waitFor([&] {
        pressKeys(window, {VK_ESCAPE});
        return viewer.waitForExit(1000) == 0;
    }));
}

// The converter's files and embedded profiles that the viewers with these
// process ids left in the temporary folder, which other tests share.
std::vector<std::wstring> viewerTemporaryFiles(const std::vector<DWORD>& viewers)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::vector<std::wstring> left;
    for (const DWORD viewer : viewers) {
        const std::wstring id = std::to_wstring(viewer);
        for (const std::wstring& pattern : {L"Quadrel(webp2qdl)-" + id + L".*", L"pf-" + id + L".icm"}) {
            WIN32_FIND_DATAW found;
            HANDLE search = FindFirstFileW((std::wstring(temp) + pattern).c_str(), &found);
            for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
                left.push_back(found.cFileName);
            if (search != INVALID_HANDLE_VALUE)
                FindClose(search);
        }
    }
    return left;
}

bool converterRunning()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry))
        running = lstrcmpiW(entry.szExeFile, L"WebP2QDL_only1stframe.exe") == 0;
    CloseHandle(snapshot);
    return running;
}

// Two viewers convert at once with a slow stand-in beside the editor (Wine
// may hold the second back until the first has painted; then the first's
// next screen overlaps the second's first). Each screen shows its own file;
// Escape during a conversion ends the viewer at once, leaving nothing.
TEST_F(EditorHandOff, TwoViewersConvertAtOnceAndEscapeDoesNotWaitForTheConverter)
{
    TemporaryDirectory suite(L"vellora-e2e-quadrel"), two(L"vellora-e2e-two"), one(L"vellora-e2e-one");
    const std::wstring folder = suite.file(L"Utilities-WebP"), converter = folder + L"\\WebP2QDL_only1stframe.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(besideThisProgram(L"programs\\webp_converter_standin.exe").c_str(), converter.c_str(), FALSE));
    registerEditor(suite.file(L"Quadrel.exe"));
    constexpr int conversion = 5000;
    SetEnvironmentVariableW(L"VELLORA_STANDIN_SLEEP_MS", std::to_wstring(conversion).c_str());
    // The stand-in paints the colour of the three bytes a file holds.
    two.addFile(L"a.webp", asString({0xC8, 0x1E, 0x1E}));
    two.addFile(L"b.webp", asString({0x1E, 0xC8, 0x1E}));
    one.addFile(L"c.webp", asString({0x1E, 0x1E, 0xC8}));
    std::vector<DWORD> viewers;
    {
        ViewerProcess twoViewer(quoted(two.path())), oneViewer(quoted(one.path()));
        viewers = {twoViewer.id(), oneViewer.id()};
        HWND twoWindow = twoViewer.findWindow(L"Plant"), oneWindow = oneViewer.findWindow(L"Plant");
        ASSERT_TRUE(twoWindow && oneWindow);
        const auto shows = [&](HWND window, COLORREF colour) {
            return waitFor([&] {
                SetForegroundWindow(window);
                return similarColour(centreColour(), colour);
            }, 4 * conversion);
        };
        // The later viewer is in front: its next screen (c.webp again) is
        // being converted once it shows.
        EXPECT_TRUE(shows(oneWindow, blue)) << "c.webp";
        const auto escape = std::chrono::steady_clock::now();
        pressKeys(oneWindow, {VK_ESCAPE});
        EXPECT_EQ(oneViewer.waitForExit(2 * conversion), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - escape, std::chrono::milliseconds(2500));

        EXPECT_TRUE(shows(twoWindow, red)) << "a.webp";
        pressKeys(twoWindow, {VK_SPACE});
        EXPECT_TRUE(shows(twoWindow, green)) << "b.webp, prepared in advance";
        pressKeys(twoWindow, {VK_ESCAPE});
        EXPECT_EQ(twoViewer.waitForExit(2 * conversion), 0);
    }
    EXPECT_FALSE(converterRunning());
    EXPECT_TRUE(viewerTemporaryFiles(viewers).empty());
    DeleteFileW(converter.c_str());
    DeleteFileW((folder + L"\\command-line.txt").c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    return runEndToEndTests(argc, argv);
}
