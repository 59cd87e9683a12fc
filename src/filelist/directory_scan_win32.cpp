// The file list's directory walk over FindFirstFileW/FindNextFileW, and the
// message for a walk that found nothing.
#include <windows.h>

#include "filelist/directory_scan.h"
#include "filelist/file_list.h"
#include "state/window_state_win32.h"

namespace {

const wchar_t* wide(const char16_t* text)
{
    return reinterpret_cast<const wchar_t*>(text);
}

void searchDirectory(const char16_t* searchString, EntryVisitor visit, void* context)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(searchString), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        visit(context, reinterpret_cast<const char16_t*>(found.cFileName),
              (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Volume serial number and file index name one directory, whichever link
// led to it: opening without FILE_FLAG_OPEN_REPARSE_POINT follows links.
bool identifyDirectory(const char16_t* directory, DirectoryIdentity* identity)
{
    HANDLE handle = CreateFileW(wide(directory), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known)
        return false;
    identity->volume = information.dwVolumeSerialNumber;
    identity->file = (uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}

const DirectorySource platformDirectories{searchDirectory, identifyDirectory};

void showEmptyDirectoryBox()
{
    MessageBoxW(mainWindow, L"This directory doesn't contain any graphic files!", L"Vellora", MB_OK);
}

}  // namespace

void (*showEmptyDirectoryMessage)() = showEmptyDirectoryBox;

void scanDirectory(const char16_t* directory)
{
    scanDirectoryFrom(platformDirectories, directory);
}

void buildFileList()
{
    if (!buildFileListFrom(platformDirectories))
        showEmptyDirectoryMessage();
}
