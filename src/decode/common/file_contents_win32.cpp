#include "decode/common/file_contents.h"

#include <windows.h>

#include <cstdint>

namespace {

// A view of a file on a network share or a removable medium raises an
// in-page error, which ends the process, when the medium goes away during a
// decode; a read fails cleanly instead. So only local fixed disks are viewed.
bool onFixedDisk(const wchar_t* path)
{
    wchar_t volume[MAX_PATH + 1];
    return GetVolumePathNameW(path, volume, MAX_PATH + 1) && GetDriveTypeW(volume) == DRIVE_FIXED;
}

}  // namespace

FileContents::~FileContents()
{
    if (view_)
        UnmapViewOfFile(view_);
    if (file_)
        CloseHandle(file_);
}

FileReadResult readFileContents(const char16_t* path, FileContents& contents)
{
    const wchar_t* widePath = reinterpret_cast<const wchar_t*>(path);
    if (onFixedDisk(widePath)) {
        // Without write sharing, nobody can change or shorten the file while
        // the view is open; a file that someone is writing fails to open
        // here and is read as a copy below.
        HANDLE file = CreateFileW(widePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            LARGE_INTEGER length{};
            // An empty file cannot be mapped; the copy below gives it a block.
            const bool viewable = GetFileSizeEx(file, &length) && static_cast<uint64_t>(length.QuadPart) <= SIZE_MAX;
            HANDLE mapping = viewable ? CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
            const void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
            if (mapping)
                CloseHandle(mapping);  // the view keeps the mapping alive
            if (view) {
                contents.view_ = view;
                contents.file_ = file;
                contents.data_ = static_cast<const uint8_t*>(view);
                contents.size_ = static_cast<size_t>(length.QuadPart);
                return FileReadResult::ok;
            }
            CloseHandle(file);
        }
    }
    const FileReadResult result = readFileBytes(path, contents.copy_, contents.size_);
    if (result == FileReadResult::ok)
        contents.data_ = contents.copy_.get();
    return result;
}
