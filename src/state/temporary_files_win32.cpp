#include "state/temporary_files_win32.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex registryLock;
std::vector<std::wstring> heldFiles;
bool ending = false;

}  // namespace

void deleteTemporaryFile(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(path);
}

TemporaryFile::TemporaryFile(const wchar_t* path) : path_(path)
{
    std::lock_guard<std::mutex> guard(registryLock);
    heldFiles.push_back(path_);
}

TemporaryFile::~TemporaryFile()
{
    deleteTemporaryFile(path_.c_str());
    std::lock_guard<std::mutex> guard(registryLock);
    const auto held = std::find(heldFiles.begin(), heldFiles.end(), path_);
    if (held != heldFiles.end())
        heldFiles.erase(held);
}

bool TemporaryFile::create(const std::function<bool(const wchar_t*)>& make)
{
    std::lock_guard<std::mutex> guard(registryLock);
    return !ending && make(path_.c_str());
}

void removeTemporaryFilesForExit()
{
    std::lock_guard<std::mutex> guard(registryLock);
    ending = true;
    for (const std::wstring& path : heldFiles)
        deleteTemporaryFile(path.c_str());
}
