#include "decode/webp_converter_win32.h"

#include "decode/qdl_reader.h"
#include "decode/webp_converter_command.h"
#include "picture/display_bitmap_win32.h"
#include "picture/picture.h"
#include "state/decode_results.h"
#include "state/viewer_options.h"

namespace {

const wchar_t* wide(const char16_t* text)
{
    return reinterpret_cast<const wchar_t*>(text);
}

// DeleteFileW refuses read-only files; the converter or the source may have
// left the attribute set.
void deleteTemporaryFile(const PathBuffer& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(wide(path), attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(wide(path));
}

bool isFile(const char16_t* path)
{
    const DWORD attributes = GetFileAttributesW(wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The editor's converter, else the one shipped beside this program.
bool locateConverter(PathBuffer& converter)
{
    PathBuffer program;
    const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(program), pathCapacity);
    // A path that filled the buffer was cut short.
    if (length == 0 || length >= pathCapacity)
        program[0] = 0;
    return findWebpConverter(editorCommand, program, isFile, converter);
}

// Runs the converter without a window and waits for it; false when it could
// not be started. A console converter gets no console at all, so none can
// flash up whichever terminal the system uses.
bool runConverter(const PathBuffer& converter, ConverterCommandLine& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(wide(converter), reinterpret_cast<wchar_t*>(commandLine), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

HBITMAP decodeWithWebpConverter(const char16_t* path)
{
    PathBuffer converter;
    if (!locateConverter(converter))
        return nullptr;
    wchar_t temporaryDirectory[pathCapacity];
    const DWORD length = GetTempPathW(pathCapacity, temporaryDirectory);
    if (length == 0 || length >= pathCapacity)
        return nullptr;
    PathBuffer copy, output;
    if (!webpConverterFiles(reinterpret_cast<const char16_t*>(temporaryDirectory), copy, output))
        return nullptr;
    // A run that ended abnormally can leave both files behind: a read-only
    // copy would refuse every later copy, and an old output would be shown
    // for this file if the converter fails.
    deleteTemporaryFile(copy);
    deleteTemporaryFile(output);
    if (!CopyFileW(wide(path), wide(copy), FALSE))
        return nullptr;

    HBITMAP bitmap = nullptr;
    ConverterCommandLine commandLine;
    webpConverterCommandLine(copy, output, commandLine);
    if (runConverter(converter, commandLine)) {
        // The result code does not matter: a picture either came out or not.
        Picture picture;
        loadQdlFile(output, picture);
        if (picture.holdsImage()) {
            bitmap = toDisplayBitmap(picture, 0, true);
            imageWidth = picture.width;
            imageHeight = picture.height;
        }
        deleteTemporaryFile(output);
    }
    deleteTemporaryFile(copy);
    return bitmap;
}
