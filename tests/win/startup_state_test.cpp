// The start-up steps that need the platform but no window: a relative start
// path resolved against the current directory, and the editor's program
// read from the ".qdl" open command in the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/absolute_start_path_win32.h"
#include "app/editor_command_win32.h"
#include "filelist/file_list.h"
#include "filelist/start_path.h"
#include "state/viewer_options.h"

namespace {

std::wstring text(const char16_t* value) { return reinterpret_cast<const wchar_t*>(value); }

void setStartPath(const std::wstring& path)
{
    startPathRefused = false;
    ASSERT_TRUE(copyPath(startPath, reinterpret_cast<const char16_t*>(path.c_str())));
}

class RelativeStartPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        folder_ = std::wstring(base) + L"vellora-relative-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        for (const wchar_t* name : {L"a.bmp", L"photo.jpg", L"z.png"})
            CloseHandle(CreateFileW((folder_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(folder_.c_str());
        showEmptyDirectoryMessage = [] {};
    }
    void TearDown() override
    {
        clear();
        currentEntry = nullptr;
        SetCurrentDirectoryW(previous_);
        for (const wchar_t* name : {L"a.bmp", L"photo.jpg", L"z.png"})
            DeleteFileW((folder_ + L"\\" + name).c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    std::wstring folder_;
    wchar_t previous_[MAX_PATH] = {};
};

TEST_F(RelativeStartPath, BareFileNameListsItsFolderWithThatFileCurrent)
{
    setStartPath(L"photo.jpg");
    makeStartPathAbsolute();
    EXPECT_EQ(text(startPath), folder_ + L"\\photo.jpg");
    resolveStartPath();
    EXPECT_EQ(text(listDirectory), folder_ + L"\\");
    buildFileList();
    ASSERT_EQ(entryCount, 3u);
    ASSERT_NE(currentEntry, nullptr);
    EXPECT_EQ(text(currentEntry->path.text()), folder_ + L"\\photo.jpg");
}

TEST_F(RelativeStartPath, DotNamesTheCurrentFolder)
{
    setStartPath(L".");
    makeStartPathAbsolute();
    resolveStartPath();
    EXPECT_EQ(text(listDirectory), folder_ + L"\\");
}

TEST_F(RelativeStartPath, AbsolutePathThatGrowsPastTheBufferIsRefused)
{
    std::wstring deep = L"." + std::wstring(L"\\x") + std::wstring(250, L'y');
    setStartPath(deep);
    makeStartPathAbsolute();
    EXPECT_EQ(text(startPath), L"");
    EXPECT_TRUE(startPathRefused);
}

// Wine 8 does not show per-user classes in HKEY_CLASSES_ROOT, so the test
// registers the editor there directly (on Windows that needs an
// administrator, and the test skips without one).
class EditorRegistration : public ::testing::Test {
protected:
    void SetUp() override
    {
        LONG created = RegCreateKeyExW(HKEY_CLASSES_ROOT, L".qdl\\shell\\Open\\command", 0, nullptr, 0,
                                       KEY_WRITE, nullptr, &key_, nullptr);
        if (created == ERROR_ACCESS_DENIED)
            GTEST_SKIP() << "no right to register a file type";
        ASSERT_EQ(created, ERROR_SUCCESS);
    }

    void TearDown() override
    {
        if (key_ != nullptr)
            RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".qdl");
    }

    void registerValue(const void* data, DWORD bytes, DWORD type = REG_SZ)
    {
        ASSERT_EQ(RegSetValueExW(key_, nullptr, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }

    HKEY key_ = nullptr;
};

TEST_F(EditorRegistration, QuotedProgramAndArgumentGiveTheProgramPath)
{
    const wchar_t value[] = L"\"C:\\Program Files\\Quadrel\\Quadrel.exe\" \"%1\"";
    registerValue(value, sizeof value);
    readEditorCommand();
    EXPECT_EQ(text(editorCommand), L"C:\\Program Files\\Quadrel\\Quadrel.exe");
}

TEST_F(EditorRegistration, MissingKeyGivesNoEditor)
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".qdl");
    copyPath(editorCommand, u"stale");
    readEditorCommand();
    EXPECT_EQ(text(editorCommand), L"");
}

TEST_F(EditorRegistration, ValueLongerThanThePathBufferGivesNoEditor)
{
    std::wstring value = L"\"C:\\" + std::wstring(400, L'q') + L".exe\"";
    registerValue(value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t)));
    readEditorCommand();
    EXPECT_EQ(text(editorCommand), L"");
}

TEST_F(EditorRegistration, ValueOfAnyTypeIsTaken)
{
    const wchar_t value[] = L"\"%ProgramFiles%\\Quadrel\\Q.exe\" \"%1\"";
    registerValue(value, sizeof value, REG_EXPAND_SZ);
    readEditorCommand();
    EXPECT_EQ(text(editorCommand), L"%ProgramFiles%\\Quadrel\\Q.exe");
}

}  // namespace
