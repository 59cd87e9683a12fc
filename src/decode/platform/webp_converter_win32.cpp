#include "decode/platform/webp_converter_win32.h"

#include "decode/qdl/qdl_reader.h"
#include "decode/platform/webp_converter_command.h"
#include "picture/display_bitmap_win32.h"
#include "picture/picture.h"
#include "state/decode_results.h"
#include "state/quit_signal_win32.h"
#include "state/temporary_files_win32.h"
#include "state/viewer_options.h"

namespace {

const wchar_t* wide(const char16_t* text)
{
    return reinterpret_cast<const wchar_t*>(text);
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

// Waits for the converter, or for the viewer to quit, which ends it: its
// output is then never read. False when it was ended.
bool converterFinished(HANDLE process)
{
    HANDLE events[2] = {process, quitEvent()};
    const DWORD woken = WaitForMultipleObjects(events[1] ? 2 : 1, events, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0)
        return true;
    TerminateProcess(process, 1);
    // Ended before its files are deleted, so that it holds none of them open.
    WaitForSingleObject(process, INFINITE);
    return false;
}

// Runs the converter without a window until it ends; false when it could
// not be started or was ended because the viewer quits. A console converter
// gets no console at all, so none can flash up whichever terminal the system
// uses: CREATE_NO_WINDOW would still make a hidden one, whose host process
// under Wine outlived a converter ended while it started.
bool runConverter(const PathBuffer& converter, ConverterCommandLine& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(wide(converter), reinterpret_cast<wchar_t*>(commandLine), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | DETACHED_PROCESS, nullptr, nullptr, &startup, &process))
        return false;
    const bool finished = converterFinished(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return finished;
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
    PathBuffer copyPath, outputPath;
    if (!webpConverterFiles(reinterpret_cast<const char16_t*>(temporaryDirectory), GetCurrentProcessId(), copyPath,
                            outputPath))
        return nullptr;
    // A run of this process that ended abnormally can leave both files
    // behind: a read-only copy would refuse every later copy, and an old
    // output would be shown for this file if the converter fails. The names
    // are this process's own, so no other viewer's files are touched.
    deleteTemporaryFile(wide(copyPath));
    deleteTemporaryFile(wide(outputPath));
    TemporaryFile copy(wide(copyPath));
    TemporaryFile output(wide(outputPath));
    if (!copy.create([&](const wchar_t* target) { return CopyFileW(wide(path), target, FALSE) != 0; }))
        return nullptr;

    HBITMAP bitmap = nullptr;
    ConverterCommandLine commandLine;
    webpConverterCommandLine(copyPath, outputPath, commandLine);
    if (!quitSignalled() && runConverter(converter, commandLine)) {
        // The result code does not matter: a picture either came out or not.
        Picture picture;
        loadQdlFile(outputPath, picture);
        if (picture.holdsImage()) {
            bitmap = toDisplayBitmap(picture, 0, true);
            imageWidth = picture.width;
            imageHeight = picture.height;
        }
    }
    return bitmap;
}
