// Stand-in for the Quadrel package's WebP converter. Started as
// " COPY.webp OUTPUT.qdl", it records its command line in
// "command-line.txt" beside itself, sleeps VELLORA_STANDIN_SLEEP_MS
// milliseconds when that is set (a slow conversion), and, when the copy can
// be opened and VELLORA_STANDIN_WRITES is not "0", writes a picture to OUTPUT
// as a read-only QDL file: 64 x 48 of one colour when the copy holds just
// three bytes (red, green, blue), else 3 x 2. The paths are unquoted, so the
// command line is split after the fixed ".webp" name rather than at a space.
#include <windows.h>

#include <string>
#include <vector>

#include "decode/qdl/qdl_writer.h"
#include "picture_fixtures.h"

namespace {

std::wstring besideThisProgram(const wchar_t* name)
{
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path(module, length);
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

// Its rows: red, green, blue; yellow, cyan, magenta.
Picture standInPicture()
{
    return makePicture(3, 2, 24, {250, 10, 10, 10, 250, 10, 10, 10, 250,
                                  250, 250, 10, 10, 250, 250, 250, 10, 250});
}

// The copy's colour, read only after the sleep, as a real converter would.
Picture pictureFor(const std::wstring& copy)
{
    uint8_t colour[4] = {};
    DWORD read = 0;
    HANDLE file = CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, colour, sizeof colour, &read, nullptr);
        CloseHandle(file);
    }
    if (read != 3)
        return standInPicture();
    Bytes solid;
    for (int i = 0; i < 64 * 48; ++i)
        solid.insert(solid.end(), colour, colour + 3);
    return makePicture(64, 48, 24, solid);
}

bool writeFile(const std::wstring& path, const void* data, DWORD size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

}  // namespace

int wmain()
{
    const std::wstring commandLine = GetCommandLineW();
    writeFile(besideThisProgram(L"command-line.txt"), commandLine.data(),
              static_cast<DWORD>(commandLine.size() * sizeof(wchar_t)));

    const size_t copyEnd = commandLine.find(L".webp ");
    if (commandLine.empty() || commandLine[0] != L' ' || copyEnd == std::wstring::npos)
        return 2;
    const std::wstring copy = commandLine.substr(1, copyEnd + 4);
    const std::wstring output = commandLine.substr(copyEnd + 6);
    wchar_t sleep[16] = L"";
    if (GetEnvironmentVariableW(L"VELLORA_STANDIN_SLEEP_MS", sleep, 16))
        Sleep(static_cast<DWORD>(_wtoi(sleep)));
    if (GetFileAttributesW(copy.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 3;

    wchar_t writes[4] = L"";
    GetEnvironmentVariableW(L"VELLORA_STANDIN_WRITES", writes, 4);
    if (std::wstring(writes) == L"0")
        return 0;
    std::vector<uint8_t> qdl;
    if (writeQdlImage(pictureFor(copy), 4, 0, qdl) != QdlWriteResult::written ||
        !writeFile(output, qdl.data(), static_cast<DWORD>(qdl.size())))
        return 4;
    SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
    return 0;
}
