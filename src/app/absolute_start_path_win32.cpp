#include "app/absolute_start_path_win32.h"

#include <windows.h>

#include "state/viewer_options.h"

void makeStartPathAbsolute()
{
    if (startPath[0] == 0)
        return;
    wchar_t full[pathCapacity];
    DWORD length = GetFullPathNameW(reinterpret_cast<const wchar_t*>(startPath), pathCapacity, full, nullptr);
    if (length == 0 || length >= pathCapacity) {
        startPath[0] = 0;
        startPathRefused = true;
        return;
    }
    copyPath(startPath, reinterpret_cast<const char16_t*>(full));
}
