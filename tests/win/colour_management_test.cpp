// Colour management through mscms: the source profile (embedded or sRGB), the
// monitor profile (the fixed file, else the display's), and the failure path.
// The monitor profile is Adobe RGB from icc-profiles-free, whose gamut is
// wider than sRGB: sRGB's pure red comes out as a weaker red. The display
// profile is chosen through the registry value that Wine's GetICMProfileW
// reads (HKLM ...\ICM\mntr), so the display cases check Wine's behaviour.
// Everything placed in the prefix is removed again.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "decode/common/file_bytes.h"
#include "pipeline/colour_management_win32.h"
#include "profile_fixtures.h"
#include "read_file_win32.h"
#include "state/decode_results.h"
#include "state/window_state_win32.h"

namespace {

const wchar_t kIcmKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ICM";
const wchar_t kDisplayProfile[] = L"vellora-test-display.icm";

enum class Monitor { fixedFile, displayProfile, platformDefault, nowhere };
enum class Expect { adobeFromSrgb, unchanged, failure };

struct Row {
    const char* what;
    Monitor monitor;
    bool garbledFile, skipEmbedded, forceIcmBefore;
    Expect expect;
};

void writeFile(const std::wstring& path, const Bytes& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

class ColourManagement : public ::testing::Test {
protected:
    void SetUp() override
    {
        adobe = readFile(L"Z:\\usr\\share\\color\\icc\\compatibleWithAdobeRGB1998.icc");
        if (adobe.empty())
            GTEST_SKIP() << "icc-profiles-free is not installed";
        wchar_t buffer[MAX_PATH];
        GetSystemDirectoryW(buffer, MAX_PATH);
        colourDirectory = std::wstring(buffer) + L"\\spool\\drivers\\color\\";
        fixedProfile = colourDirectory + L"ea224wmi.icm";
        HKEY key;
        const bool icmKey = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kIcmKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (icmKey)
            RegCloseKey(key);
        if (icmKey || GetFileAttributesW(fixedProfile.c_str()) != INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "this machine has monitor profiles of its own";
        GetTempPathW(MAX_PATH, buffer);
        temporary = buffer;
        // JPEGs as far as the search goes: an APP2 chunk with Adobe RGB, and
        // one with a profile that no colour system opens.
        const std::wstring stem = temporary + L"vellora-icc-" + std::to_wstring(GetCurrentProcessId());
        jpeg = stem + L".jpg";
        garbledJpeg = stem + L"-garbled.jpg";
        garbled = profileBlock(200);
        writeFile(jpeg, jpegHolding(adobe));
        writeFile(garbledJpeg, jpegHolding(garbled));
        mainWindow = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                     nullptr, nullptr);
        ASSERT_NE(mainWindow, nullptr);
    }

    void TearDown() override
    {
        if (!mainWindow)
            return;
        placeMonitor(Monitor::platformDefault);
        DeleteFileW(jpeg.c_str());
        DeleteFileW(garbledJpeg.c_str());
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
    }

    // Leaves exactly the given monitor profile in place.
    void placeMonitor(Monitor monitor)
    {
        DeleteFileW(fixedProfile.c_str());
        DeleteFileW((colourDirectory + kDisplayProfile).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kIcmKey);
        if (monitor == Monitor::fixedFile)
            writeFile(fixedProfile, adobe);
        if (monitor == Monitor::displayProfile)
            writeFile(colourDirectory + kDisplayProfile, adobe);
        if (monitor == Monitor::displayProfile || monitor == Monitor::nowhere) {
            // Wine's GetICMProfileW names the first value of this key.
            HKEY key;
            ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kIcmKey) + L"\\mntr").c_str(), 0, nullptr, 0,
                                      KEY_WRITE, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            const wchar_t* name = monitor == Monitor::nowhere ? L"vellora-missing-display.icm" : kDisplayProfile;
            RegSetValueExW(key, name, 0, REG_SZ, nullptr, 0);
            RegCloseKey(key);
        }
    }

    static Bytes jpegHolding(const Bytes& profile)
    {
        Bytes file(20, 0xFF);
        const Bytes chunk = iccChunk(profile);
        file.insert(file.end(), chunk.begin(), chunk.end());
        file.resize(file.size() + 200, 0);
        return file;
    }

    Bytes adobe, garbled;
    std::wstring colourDirectory, fixedProfile, temporary, jpeg, garbledJpeg;
};

TEST_F(ColourManagement, ChoosesProfilesAndFallsBack)
{
    const Row rows[] = {
        {"fixed monitor profile, sRGB source", Monitor::fixedFile, false, true, false, Expect::adobeFromSrgb},
        {"embedded profile of a JPEG", Monitor::fixedFile, false, false, false, Expect::unchanged},
        {"embedded profile unusable: sRGB", Monitor::fixedFile, true, false, false, Expect::adobeFromSrgb},
        {"after a failed transform the file is not searched", Monitor::fixedFile, false, false, true,
         Expect::adobeFromSrgb},
        {"display profile when the fixed file is missing", Monitor::displayProfile, false, true, false,
         Expect::adobeFromSrgb},
        {"platform's default display profile: sRGB", Monitor::platformDefault, false, true, false, Expect::unchanged},
        {"no monitor profile anywhere", Monitor::nowhere, false, true, false, Expect::failure},
    };
    // Blue, green, red, unused: pure red, pure green, mid grey, white.
    const uint8_t source[16] = {0, 0, 255, 0, 0, 255, 0, 0, 128, 128, 128, 0, 255, 255, 255, 0};
    // The embedded profile is written for this process alone and is gone
    // once the step returns.
    const std::wstring profileFile = temporary + L"pf-" + std::to_wstring(GetCurrentProcessId()) + L".icm";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        placeMonitor(row.monitor);
        ValidateRect(mainWindow, nullptr);
        skipEmbeddedProfile = row.skipEmbedded;
        forceGdiplusIcm = row.forceIcmBefore;
        uint8_t target[16];
        std::fill(std::begin(target), std::end(target), 0x77);
        const std::wstring& file = row.garbledFile ? garbledJpeg : jpeg;
        const bool managed = applyColorManagement(reinterpret_cast<const char16_t*>(file.c_str()), source, target, 2, 2);

        EXPECT_EQ(managed, row.expect != Expect::failure);
        EXPECT_EQ(forceGdiplusIcm, row.expect == Expect::failure);
        EXPECT_EQ(GetUpdateRect(mainWindow, nullptr, FALSE) != 0, row.expect == Expect::failure);
        EXPECT_EQ(GetFileAttributesW(profileFile.c_str()), INVALID_FILE_ATTRIBUTES);
        if (row.expect == Expect::unchanged) {
            for (int i = 0; i < 16; i += 4)
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(target[i + c], source[i + c], 3) << "pixel " << i / 4 << " channel " << c;
        }
        if (row.expect == Expect::adobeFromSrgb) {
            EXPECT_LT(target[2], 235) << "red weaker";
            EXPECT_LT(target[0] + target[1], 20) << "red stays red";
            EXPECT_GT(target[6], 100) << "green takes on red";
            for (int i = 8; i < 16; i += 4)
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(target[i + c], source[i + c], 4) << "greys stay grey";
        }
    }
}

}  // namespace
