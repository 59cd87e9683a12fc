// WebP2QDL_only1stframe.exe INPUT.webp OUTPUT.qdl
// Writes the first frame of a WebP file as a QDL file for the viewer, which
// starts this program when the platform has no WebP decoder of its own. The
// output is written under a temporary name and renamed into place, so a
// reader never sees half a file and a failure leaves no output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/common/file_bytes.h"
#include "decode/platform/webp_converter_arguments.h"
#include "picture/pixel_array_limit.h"
#include "webp_to_qdl.h"

namespace {

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

const char usageText[] =
    "Usage: WebP2QDL_only1stframe.exe INPUT.webp OUTPUT.qdl\n"
    "Writes the first frame of the WebP file INPUT (lossy or lossless, with or\n"
    "without alpha, still or animated) as the QDL file OUTPUT: 24 bits when\n"
    "every pixel is opaque, else 32 bits, uncompressed (the quickest for the\n"
    "viewer to read). Paths with spaces may be quoted.\n"
    "Exit status: 0 written, 1 the input could not be read or converted or the\n"
    "output not written (nothing is left behind), 2 a wrong command line.\n";

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::string utf8(const std::u16string& text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide(text), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide(text), -1, &out[0], length, nullptr, nullptr);
    out.resize(static_cast<size_t>(length) - 1);
    return out;
}

int fail(const std::u16string& path, const std::string& reason)
{
    std::fprintf(stderr, "WebP2QDL_only1stframe: %s %s\n", utf8(path).c_str(), reason.c_str());
    return exitFailed;
}

bool isExistingFile(const std::u16string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool writeWholeFile(const std::u16string& path, const std::vector<uint8_t>& bytes)
{
    const std::wstring temporary = std::wstring(wide(path)) + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    size_t done = 0;
    bool written = true;
    while (written && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        written = WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    const bool closed = CloseHandle(file) != 0;
    if (written && closed && MoveFileExW(temporary.c_str(), wide(path), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

}  // namespace

int wmain()
{
    const std::u16string commandLine = reinterpret_cast<const char16_t*>(GetCommandLineW());
    WebpConverterArguments arguments;
    if (!splitConverterArguments(converterArgumentText(commandLine), isExistingFile, arguments)) {
        std::fputs(usageText, stderr);
        return exitUsage;
    }

    ByteArray bytes;
    size_t size = 0;
    switch (readFileBytes(arguments.input.c_str(), bytes, size)) {
    case FileReadResult::ok:
        break;
    case FileReadResult::cannotOpen:
        return fail(arguments.input, "cannot be opened");
    case FileReadResult::outOfMemory:
        return fail(arguments.input, "is too large to read");
    }

    std::vector<uint8_t> qdl;
    std::string error;
    if (!convertWebpToQdl(bytes.get(), size, maxPicturePixels, qdl, error))
        return fail(arguments.input, error);
    bytes.reset();
    if (!writeWholeFile(arguments.output, qdl))
        return fail(arguments.output, "cannot be written");
    return exitDone;
}
