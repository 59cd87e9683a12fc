#include "app/editor_command_win32.h"

#include <windows.h>

#include "app/command_line.h"
#include "state/viewer_options.h"

void readEditorCommand()
{
    editorCommand[0] = 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".qdl\\shell\\Open\\command", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    // The value may come without a terminator; it is cut by its byte count.
    wchar_t value[pathCapacity];
    DWORD bytes = sizeof value;
    LONG result = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return;
    editorCommandFromValue(reinterpret_cast<const char16_t*>(value), bytes / sizeof(wchar_t), editorCommand);
}
