// The file list built from real directory trees by the platform's directory
// enumeration: the order of the list, the start entry, the empty-directory
// message, paths that do not fit, and a link cycle.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "filelist/start_path.h"
#include "state/path_buffer.h"
#include "state/viewer_options.h"

namespace {

int emptyDirectoryMessages;

void countEmptyDirectoryMessage()
{
    ++emptyDirectoryMessages;
}

using Paths = std::vector<std::wstring>;

const char16_t* units(const std::wstring& text)
{
    return reinterpret_cast<const char16_t*>(text.c_str());
}

// Under Wine, kernel32 exports the mapping to Unix file names.
using UnixFileName = char*(CDECL*)(const wchar_t*);

UnixFileName wineUnixFileName()
{
    FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(found));
}

class FileListScanTest : public testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        static int tree = 0;
        root = std::wstring(temp) + L"vellora-filelist-" + std::to_wstring(GetCurrentProcessId()) + L"-"
               + std::to_wstring(++tree) + L"\\";
        makeDirectory(L"");
        resetList();
        previousMessage = showEmptyDirectoryMessage;
        showEmptyDirectoryMessage = countEmptyDirectoryMessage;
        emptyDirectoryMessages = 0;
    }

    void TearDown() override
    {
        resetList();
        showEmptyDirectoryMessage = previousMessage;
        // Created things go in reverse order, so directories are empty by
        // then and a link is removed as a link, never walked.
        for (auto made = created.rbegin(); made != created.rend(); ++made) {
            std::wstring path = L"\\\\?\\" + made->path;
            if (made->kind == Kind::file)
                EXPECT_TRUE(DeleteFileW(path.c_str())) << made->path;
            else if (made->kind == Kind::directory)
                EXPECT_TRUE(RemoveDirectoryW(path.c_str())) << made->path;
            else
                removeLink(made->path);
        }
    }

    static void resetList()
    {
        clear();
        currentEntry = nullptr;
        includeSubdirs = false;
        startPath[0] = 0;
        listDirectory[0] = 0;
    }

    void makeDirectory(const std::wstring& relative)
    {
        std::wstring path = root + relative;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) << path;
        created.push_back({Kind::directory, path});
    }

    void makeFile(const std::wstring& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
    {
        std::wstring path = root + relative;
        HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes,
                                  nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        CloseHandle(file);
        created.push_back({Kind::file, path});
    }

    // A directory link at relative that leads to target (both under the
    // root). Windows makes it with CreateSymbolicLinkW. Wine 8 answers that
    // call with success but makes nothing; it does follow Unix symbolic
    // links (reported as directories), which /bin/ln makes.
    bool makeDirectoryLink(const std::wstring& relative, const std::wstring& target)
    {
        std::wstring link = root + relative;
        std::wstring targetPath = root + target;
        if (CreateSymbolicLinkW(link.c_str(), targetPath.c_str(),
                                SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)
            && exists(link)) {
            created.push_back({Kind::link, link});
            return true;
        }
        if (!runUnix(L"Z:\\bin\\ln", L"-s", targetPath, link))
            return false;
        created.push_back({Kind::link, link});
        // Wine gives no handle of a Unix process to wait for.
        for (int tries = 0; tries < 100; ++tries) {
            if (exists(link))
                return true;
            Sleep(20);
        }
        return false;
    }

    static bool exists(const std::wstring& path)
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    void removeLink(const std::wstring& link)
    {
        if (RemoveDirectoryW(link.c_str()))
            return;
        runUnix(L"Z:\\bin\\rm", L"-f", link, L"");
        for (int tries = 0; tries < 100 && exists(link); ++tries)
            Sleep(20);
    }

    // Runs a Unix program (a Windows path on Wine's Z: drive) with an option
    // and one or two Windows paths, which it receives as Unix paths.
    static bool runUnix(const std::wstring& program, const std::wstring& option, const std::wstring& first,
                        const std::wstring& second)
    {
        UnixFileName unixName = wineUnixFileName();
        if (unixName == nullptr)
            return false;
        std::wstring command = L"\"" + program + L"\" " + option;
        for (const std::wstring* path : {&first, &second}) {
            if (path->empty())
                continue;
            char* name = unixName(path->c_str());
            if (name == nullptr)
                return false;
            command += L" \"" + std::wstring(name, name + strlen(name)) + L"\"";
            HeapFree(GetProcessHeap(), 0, name);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        if (process.hProcess != nullptr) {
            WaitForSingleObject(process.hProcess, 10000);
            CloseHandle(process.hProcess);
        }
        if (process.hThread != nullptr)
            CloseHandle(process.hThread);
        return true;
    }

    void scan()
    {
        scanDirectory(units(root));
    }

    static Paths listed()
    {
        Paths paths;
        for (const FileEntry* entry = listHead; entry != nullptr; entry = entry->next)
            paths.emplace_back(reinterpret_cast<const wchar_t*>(entry->path.text()));
        return paths;
    }

    Paths under(std::initializer_list<const wchar_t*> names) const
    {
        Paths paths;
        for (const wchar_t* name : names)
            paths.push_back(root + name);
        return paths;
    }

    // resolveStartPath then buildFileList for a path under the root.
    void build(const std::wstring& relative)
    {
        ASSERT_TRUE(copyPath(startPath, units(root + relative)));
        resolveStartPath();
        buildFileList();
    }

    enum class Kind { file, directory, link };
    struct Made {
        Kind kind;
        std::wstring path;
    };

    std::wstring root;  // ends in a backslash
    std::vector<Made> created;
    void (*previousMessage)() = nullptr;
};

// Names in the opposite order to their patterns, each row in a directory of
// its own: the list follows the patterns. The second row holds the last
// pattern before the newer formats and each of these, named backwards.
TEST_F(FileListScanTest, PatternOrderComesBeforeNames)
{
    const struct {
        const wchar_t* directory;
        std::vector<const wchar_t*> made;
        std::vector<const wchar_t*> expected;
    } cases[] = {
        {L"first", {L"b.png", L"a.jpg", L"c.bmp", L"notes.txt"}, {L"c.bmp", L"a.jpg", L"b.png"}},
        {L"newer",
         {L"a.srw", L"b.pef", L"c.raf", L"d.rw2", L"e.orf", L"f.arw", L"g.nrw", L"h.nef", L"i.cr3", L"j.cr2",
          L"k.dng", L"l.jxl", L"m.avif", L"n.jxr", L"o.raw"},
         {L"n.jxr", L"m.avif", L"l.jxl", L"k.dng", L"j.cr2", L"i.cr3", L"h.nef", L"g.nrw", L"f.arw", L"e.orf",
          L"d.rw2", L"c.raf", L"b.pef", L"a.srw"}},
    };
    for (const auto& c : cases) {
        const std::wstring directory = std::wstring(c.directory) + L"\\";
        makeDirectory(c.directory);
        for (const wchar_t* name : c.made)
            makeFile(directory + name);
        clear();
        scanDirectory(units(root + directory));
        Paths expected;
        for (const wchar_t* name : c.expected)
            expected.push_back(root + directory + name);
        EXPECT_EQ(listed(), expected) << c.directory;
    }
}

TEST_F(FileListScanTest, ListsExactlyWhatThePatternsMatch)
{
    for (const wchar_t* name : {L"x.tiff", L"x.jpeg.txt", L"x.jpeg", L"X.JPG", L"x.tif.bak", L"x.jpe", L"x.tif"})
        makeFile(name);
    makeFile(L"h.png", FILE_ATTRIBUTE_HIDDEN);
    makeDirectory(L"s.jpg");
    makeFile(L"s.jpg\\inner.gif");
    scan();
    EXPECT_EQ(listed(), under({L"s.jpg", L"X.JPG", L"x.jpe", L"x.jpeg", L"h.png", L"x.tif", L"x.tiff"}));

    // With subdirectories the directory named like an image is walked too.
    clear();
    includeSubdirs = true;
    scan();
    EXPECT_EQ(listed(),
              under({L"s.jpg", L"X.JPG", L"x.jpe", L"x.jpeg", L"h.png", L"x.tif", L"x.tiff", L"s.jpg\\inner.gif"}));
}

TEST_F(FileListScanTest, WalksSubdirectoriesDepthFirst)
{
    makeFile(L"z.bmp");
    makeDirectory(L"sub2");
    makeFile(L"sub2\\c.bmp");
    makeDirectory(L"sub1");
    makeDirectory(L"sub1\\deep");
    makeFile(L"sub1\\deep\\b.gif");
    makeFile(L"sub1\\a.bmp");
    scan();
    EXPECT_EQ(listed(), under({L"z.bmp"}));

    clear();
    includeSubdirs = true;
    scan();
    EXPECT_EQ(listed(), under({L"z.bmp", L"sub1\\a.bmp", L"sub1\\deep\\b.gif", L"sub2\\c.bmp"}));
}

TEST_F(FileListScanTest, StartFileBecomesCurrent)
{
    makeFile(L"b.png");
    makeFile(L"a.bmp");
    build(L"b.png");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(listDirectory)), root);
    ASSERT_EQ(listed(), under({L"a.bmp", L"b.png"}));
    EXPECT_EQ(currentEntry, listTail);
    EXPECT_EQ(emptyDirectoryMessages, 0);
}

TEST_F(FileListScanTest, OtherLetterCaseOrDirectoryMakesTheHeadCurrent)
{
    makeFile(L"b.png");
    makeFile(L"a.bmp");
    build(L"B.PNG");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(listDirectory)), root);
    ASSERT_EQ(listed(), under({L"a.bmp", L"b.png"}));
    EXPECT_EQ(currentEntry, listHead);

    resetList();
    std::wstring directory = root.substr(0, root.size() - 1);
    ASSERT_TRUE(copyPath(startPath, units(directory)));
    resolveStartPath();
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(listDirectory)), root);
    buildFileList();
    EXPECT_EQ(currentEntry, listHead);
    EXPECT_EQ(entryCount, 2u);
}

TEST_F(FileListScanTest, MissingPathReportsOnce)
{
    build(L"missing\\x.png");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(listDirectory)), root + L"missing\\x.png");
    EXPECT_EQ(listHead, nullptr);
    EXPECT_EQ(currentEntry, nullptr);
    EXPECT_EQ(emptyDirectoryMessages, 1);
}

TEST_F(FileListScanTest, TreeWithoutImagesReportsOnce)
{
    makeFile(L"readme.txt");
    makeDirectory(L"empty1");
    makeDirectory(L"empty2");
    makeFile(L"empty2\\x.jpg.bak");
    includeSubdirs = true;
    ASSERT_TRUE(copyPath(startPath, units(root)));
    resolveStartPath();
    buildFileList();
    EXPECT_EQ(entryCount, 0u);
    EXPECT_EQ(currentEntry, nullptr);
    EXPECT_EQ(emptyDirectoryMessages, 1);
}

TEST_F(FileListScanTest, SkipsPathsThatDoNotFit)
{
    // A directory whose prefix is 250 units long: a 9-unit name still fits
    // the 260-unit buffer with its terminator, a 10-unit name does not.
    if (root.size() > 200)
        GTEST_SKIP() << "temporary directory path too long for this layout";
    std::wstring pad(250 - root.size() - 1, L'd');
    makeDirectory(pad);
    std::wstring deep = pad + L"\\";
    ASSERT_EQ((root + deep).size(), 250u);
    makeFile(deep + L"abcde.bmp");
    makeFile(deep + L"abcdef.bmp");
    makeDirectory(deep + L"lo");
    makeFile(deep + L"lo\\a.gif");
    makeDirectory(deep + L"ninechars");
    makeFile(deep + L"ninechars\\a.gif");
    includeSubdirs = true;
    scan();
    EXPECT_EQ(listed(), (Paths{root + deep + L"abcde.bmp", root + deep + L"lo\\a.gif"}));
}

TEST_F(FileListScanTest, LinksAreFollowedButCyclesEnd)
{
    // root{a.bmp, one{b.bmp, back -> root}, two -> one}
    makeFile(L"a.bmp");
    makeDirectory(L"one");
    makeFile(L"one\\b.bmp");
    if (!makeDirectoryLink(L"one\\back", L"") || !makeDirectoryLink(L"two", L"one"))
        GTEST_SKIP() << "this system makes no directory links for an unprivileged test";
    includeSubdirs = true;
    scan();
    EXPECT_EQ(listed(), under({L"a.bmp", L"one\\b.bmp", L"two\\b.bmp"}));
}

}  // namespace
