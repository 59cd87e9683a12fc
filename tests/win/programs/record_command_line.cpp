// Stand-in for the Quadrel editor: appends its command line, as one UTF-16
// line, to the file that VELLORA_RECORD_FILE names, and ends.
#include <windows.h>

int wmain()
{
    wchar_t recordFile[MAX_PATH];
    if (GetEnvironmentVariableW(L"VELLORA_RECORD_FILE", recordFile, MAX_PATH) == 0)
        return 1;
    HANDLE file = CreateFileW(recordFile, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const wchar_t* line = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, line, DWORD(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return 0;
}
