// What the start path names, asked the way the list's scan sees entries.
#include <windows.h>

#include "filelist/start_path.h"

namespace {

PathKind queryPath(const char16_t* path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(path), &found);
    if (search == INVALID_HANDLE_VALUE)
        return PathKind::missing;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::directory : PathKind::file;
}

}  // namespace

void resolveStartPath()
{
    resolveStartPathWith(queryPath);
}
