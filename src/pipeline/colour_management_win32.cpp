#include "pipeline/colour_management_win32.h"

#include <windows.h>

#include <icm.h>

#include <string>

#include "pipeline/embedded_profile.h"
#include "state/decode_results.h"
#include "state/process_temporary_path.h"
#include "state/temporary_files_win32.h"
#include "state/window_state_win32.h"

namespace {

// The system directory followed by the colour directory and name; empty
// when the system directory does not fit the buffer.
std::wstring systemColourProfilePath(const wchar_t* name)
{
    wchar_t directory[pathCapacity];
    const UINT length = GetSystemDirectoryW(directory, pathCapacity);
    if (length == 0 || length >= pathCapacity)
        return {};
    return std::wstring(directory, length) + L"\\spool\\drivers\\color\\" + name;
}

std::wstring srgbProfilePath()
{
    return systemColourProfilePath(L"sRGB Color Space Profile.icm");
}

// pf-PROCESS.icm in the temporary directory: each viewer process writes its
// own, so that two at once never use each other's profile.
std::wstring embeddedProfileFilePath()
{
    wchar_t directory[pathCapacity];
    const DWORD length = GetTempPathW(pathCapacity, directory);
    PathBuffer path;
    if (length == 0 || length >= pathCapacity ||
        !processTemporaryPath(reinterpret_cast<const char16_t*>(directory), u"pf", GetCurrentProcessId(), u".icm",
                              path))
        return {};
    return reinterpret_cast<const wchar_t*>(path);
}

bool isExistingFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Writes the profile bytes to target; false unless they were written whole,
// so that a cut-off profile is never taken for the file's.
bool writeProfileFile(const wchar_t* target, const EmbeddedProfile& profile)
{
    HANDLE file = CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // The length comes from three bytes, so it fits a DWORD.
    DWORD written = 0;
    const bool whole = WriteFile(file, profile.bytes, static_cast<DWORD>(profile.size), &written, nullptr) &&
                       written == profile.size;
    CloseHandle(file);
    return whole;
}

// The profile embedded in the file at path, written to profileFile; false
// when there is none or it could not be written.
bool writeEmbeddedProfileOf(const char16_t* path, TemporaryFile& profileFile)
{
    EmbeddedProfile profile;
    return findEmbeddedProfile(path, profile) &&
           profileFile.create([&](const wchar_t* target) { return writeProfileFile(target, profile); });
}

// The profile assigned to the primary display; empty when the platform names
// none.
std::wstring displayProfilePath()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return {};
    wchar_t path[pathCapacity];
    DWORD size = pathCapacity;
    const BOOL named = GetICMProfileW(screen, &size, path);
    ReleaseDC(nullptr, screen);
    return named ? std::wstring(path) : std::wstring();
}

// The fixed monitor profile comes first. Almost no machine has it, so when it
// is not there the display's own profile stands in for it.
std::wstring monitorProfilePath()
{
    std::wstring fixed = systemColourProfilePath(L"ea224wmi.icm");
    if (!fixed.empty() && isExistingFile(fixed))
        return fixed;
    return displayProfilePath();
}

HPROFILE openProfile(const std::wstring& path)
{
    if (path.empty())
        return nullptr;
    PROFILE description{};
    description.dwType = PROFILE_FILENAME;
    description.pProfileData = const_cast<wchar_t*>(path.c_str());
    description.cbDataSize = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    return OpenColorProfileW(&description, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

BOOL WINAPI continueTranslation(ULONG, ULONG, LPARAM)
{
    return TRUE;
}

}  // namespace

bool applyColorManagement(const char16_t* path, const void* source, void* target, int32_t width, int32_t height)
{
    std::wstring profilePath;
    // Deleted when the step ends, after the profiles are closed.
    const std::wstring embeddedPath = embeddedProfileFilePath();
    TemporaryFile embedded(embeddedPath.c_str());
    if (!skipEmbeddedProfile && !forceGdiplusIcm && !embeddedPath.empty() && writeEmbeddedProfileOf(path, embedded))
        profilePath = embeddedPath;
    forceGdiplusIcm = false;
    const std::wstring srgbPath = srgbProfilePath();
    if (profilePath.empty())
        profilePath = srgbPath;

    HPROFILE profiles[2] = {openProfile(profilePath), nullptr};
    if (!profiles[0])
        profiles[0] = openProfile(srgbPath);
    profiles[1] = openProfile(monitorProfilePath());

    HTRANSFORM transform = nullptr;
    if (profiles[0] && profiles[1]) {
        DWORD intent = INTENT_PERCEPTUAL;
        transform = CreateMultiProfileTransform(profiles, 2, &intent, 1, BEST_MODE | USE_RELATIVE_COLORIMETRIC,
                                                INDEX_DONT_CARE);
    }
    // Rows are packed (stride 0): 32-bit pixels never need padding.
    const bool translated = transform && width > 0 && height > 0 &&
                            TranslateBitmapBits(transform, const_cast<void*>(source), BM_xRGBQUADS,
                                                static_cast<DWORD>(width), static_cast<DWORD>(height), 0, target,
                                                BM_xRGBQUADS, 0, continueTranslation, 0);
    if (!translated) {
        // The next decode lets GDI+ apply the file's profile instead. A null
        // window would invalidate every window on the desktop.
        forceGdiplusIcm = true;
        if (mainWindow)
            InvalidateRect(mainWindow, nullptr, FALSE);
    }

    if (transform)
        DeleteColorTransform(transform);
    for (HPROFILE profile : profiles)
        if (profile)
            CloseColorProfile(profile);
    return translated;
}
