// Screens prepared from files of every format: size, position, colour and
// black margins, pictures turned upright by their EXIF orientation on every
// road, the anaglyph through both roads, the slot rotations, and the GDI
// objects the preparation makes and releases.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "decode/common/fit_to_screen.h"
#include "exif_fixtures.h"
#include "filelist/file_list.h"
#include "heif_box_edit.h"
#include "pipeline/gdi_handles_win32.h"
#include "pipeline/prepared_screens_win32.h"
#include "read_file_win32.h"
#include "solid_images_win32.h"
#include "state/decode_results.h"
#include "state/prepared_slots_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

namespace {

constexpr Rgb red{204, 51, 0}, green{0, 153, 51}, blue{51, 102, 255}, white{255, 255, 255}, black{0, 0, 0};

Rgb pixelOf(HBITMAP bitmap, int x, int y)
{
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(context, bitmap);
    const COLORREF c = GetPixel(context, x, y);
    SelectObject(context, previous);
    DeleteDC(context);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

::testing::AssertionResult closeTo(Rgb actual, Rgb expected, int tolerance)
{
    if (std::abs(actual.red - expected.red) <= tolerance && std::abs(actual.green - expected.green) <= tolerance &&
        std::abs(actual.blue - expected.blue) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << int(actual.red) << "," << int(actual.green) << ","
                                         << int(actual.blue) << ") instead of (" << int(expected.red) << ","
                                         << int(expected.green) << "," << int(expected.blue) << ")";
}

class PreparedScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        startGdiplusOnce();
        screenWidth = GetSystemMetrics(SM_CXSCREEN);
        screenHeight = GetSystemMetrics(SM_CYSCREEN);
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        folder_ = std::wstring(base) + L"vellora-screens-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        anaglyphView = colorManagement = forceGdiplusIcm = false;
        editorCommand[0] = 0;
    }
    void TearDown() override
    {
        releasePreparedScreens();
        clear();
        currentEntry = nullptr;
        for (const std::wstring& name : files_)
            DeleteFileW(name.c_str());
        RemoveDirectoryW(folder_.c_str());
        EXPECT_EQ(liveScreenGdiObjects.load(), 0);
    }

    // Writes the picture and appends it to the list.
    void addFile(const std::wstring& name, const Picture& picture)
    {
        const std::wstring path = folder_ + name;
        ASSERT_TRUE(writeTestImage(path, picture)) << "cannot write " << std::string(name.begin(), name.end());
        files_.push_back(path);
        append(WideString(reinterpret_cast<const char16_t*>(path.c_str())));
        if (!currentEntry)
            currentEntry = listHead;
    }

    void addFile(const std::wstring& name, const std::vector<uint8_t>& bytes)
    {
        const std::wstring path = folder_ + name;
        ASSERT_TRUE(writeBytes(path, bytes));
        files_.push_back(path);
        append(WideString(reinterpret_cast<const char16_t*>(path.c_str())));
        if (!currentEntry)
            currentEntry = listHead;
    }

    std::wstring folder_;
    std::vector<std::wstring> files_;
};

struct FormatCase {
    const wchar_t* name;
    int tolerance;       // JPEG and GIF approximate the colour
    int indexedBits = 0;  // a QDL file of 8 or 1 bits with a palette instead
};

// The picture as indexed QDL bytes: every pixel index 1, which is colour.
std::vector<uint8_t> indexedQdl(int32_t width, int32_t height, int bits, Rgb colour)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = bits;
    picture.palette = allocateBytes(picture.paletteBytes());
    std::fill_n(picture.palette.get(), picture.paletteBytes(), uint8_t(0));
    const uint8_t entry[4] = {0, colour.red, colour.green, colour.blue};
    std::copy_n(entry, 4, picture.palette.get() + 4);
    picture.pixels = allocateBytes(size_t(picture.pixelBytes()));
    std::fill_n(picture.pixels.get(), size_t(picture.pixelBytes()), uint8_t(bits == 8 ? 1 : 0xFF));
    std::vector<uint8_t> bytes;
    writeQdlImage(picture, bits == 8 ? 2 : 0, 0, bytes);
    return bytes;
}

TEST_F(PreparedScreens, EveryFormatIsCentredOnBlackAtItsOwnSize)
{
    const FormatCase cases[] = {
        {L"a.bmp", 0}, {L"a.gif", 24}, {L"a.jpg", 12}, {L"a.png", 0},
        {L"a.tif", 0}, {L"a.qdl", 0},  {L"a.tga", 0}, {L"a8.qdl", 0, 8}, {L"a1.qdl", 0, 1},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        clear();
        currentEntry = nullptr;
        if (c.indexedBits)
            addFile(c.name, indexedQdl(400, 300, c.indexedBits, blue));
        else
            addFile(c.name, twoColourPicture(400, 300, blue, blue));
        prepareScreen(nullptr);
        ASSERT_NE(currentBitmap, nullptr);
        BITMAP info{};
        GetObjectW(currentBitmap, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, screenWidth);
        EXPECT_EQ(info.bmHeight, screenHeight);
        EXPECT_EQ(currentImageWidth, 400);
        EXPECT_EQ(currentImageHeight, 300);
        const int x = (screenWidth - 400) / 2, y = (screenHeight - 300) / 2;
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, screenWidth / 2, screenHeight / 2), blue, c.tolerance));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, y), blue, c.tolerance));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x + 399, y + 299), blue, c.tolerance));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x - 1, y), black, 0));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, y - 1), black, 0));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x + 400, y + 299), black, 0));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x + 399, y + 300), black, 0));
        releasePreparedScreens();
    }
}

// ImageMagick's quadrant pictures (test-images/ beside this program), stored
// red, green / blue, yellow, tagged with each orientation on each road: the
// published size is upright, the fit is taken from it, and the screen shows
// the quarters where the orientation puts them, turned once. The large JPEG
// is decoded at a reduced scale chosen from the upright size; the CMYK one
// goes to GDI+. The HEIC carries EXIF orientation 6 and is turned by its
// container's irot alone (0 to 3 quarters anticlockwise stand as 1, 8, 3, 6):
// the EXIF tag applied on top would turn it a second time.
TEST_F(PreparedScreens, EveryOrientationStandsUprightOnEveryRoad)
{
    constexpr Rgb r{220, 40, 40}, g{40, 200, 40}, b{40, 40, 220}, y{230, 230, 40};
    // Upright top left, top right, bottom left, bottom right, for 1 to 8.
    const Rgb upright[8][4] = {{r, g, b, y}, {g, r, y, b}, {y, b, g, r}, {b, y, r, g},
                               {r, b, g, y}, {b, r, y, g}, {y, g, b, r}, {g, y, r, b}};
    const struct {
        const wchar_t* name;
        const wchar_t* source;
        int32_t width, height;  // as stored
        int tolerance;
    } roads[] = {
        {L"small.jpg", L"quadrants.jpg", 64, 32, 16},     {L"big.jpg", L"quadrants-big.jpg", 3000, 2000, 16},
        {L"cmyk.jpg", L"quadrants-cmyk.jpg", 64, 32, 24}, {L"q.tif", L"quadrants.tif", 64, 32, 0},
        {L"q.png", L"quadrants.png", 64, 32, 0},          {L"q.webp", L"quadrants.webp", 64, 32, 24},
        {L"q.heic", L"quadrants-exif6.heic", 64, 32, 24},
    };
    // The quarters of irot that stand a picture as an orientation; none for
    // the mirrored ones.
    auto irotQuarters = [](uint16_t value) {
        return value == 1 ? 0 : value == 8 ? 1 : value == 3 ? 2 : value == 6 ? 3 : -1;
    };
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring images = std::wstring(program, wcsrchr(program, L'\\') + 1) + L"test-images\\";
    for (const auto& road : roads) {
        const Bytes stored = readFile(images + road.source);
        ASSERT_FALSE(stored.empty());
        for (uint16_t value = 1; value <= 8; ++value) {
            SCOPED_TRACE(std::string(road.name, road.name + wcslen(road.name)) + " " + std::to_string(value));
            const Bytes block = exifBlock(value % 2 == 0, value);
            const std::wstring extension = wcsrchr(road.name, L'.');
            Bytes turnedByContainer = stored;
            if (extension == L".heic") {
                const int quarters = irotQuarters(value);
                if (quarters < 0)
                    continue;
                ASSERT_TRUE(quarters == 0 || heifedit::addRotation(turnedByContainer, uint8_t(quarters)));
            }
            const Bytes tagged = extension == L".heic"   ? turnedByContainer
                                 : extension == L".tif"  ? withTiffOrientation(stored, value)
                                 : extension == L".png"  ? pngWithExif(stored, block)
                                 : extension == L".webp" ? webpWithExif(stored, block)
                                                         : jpegWithExif(stored, block);
            ASSERT_FALSE(tagged.empty());
            clear();
            currentEntry = nullptr;
            addFile(std::to_wstring(value) + road.name, tagged);
            prepareScreen(nullptr);
            const bool quarter = value >= 5;
            EXPECT_EQ(currentImageWidth, quarter ? road.height : road.width);
            EXPECT_EQ(currentImageHeight, quarter ? road.width : road.height);
            const FittedSize fitted = fittedSize(currentImageWidth, currentImageHeight, screenWidth, screenHeight);
            EXPECT_EQ(scaledWidth, fitted.width);
            EXPECT_EQ(scaledHeight, fitted.height);
            const int left = (screenWidth - scaledWidth) / 2, top = (screenHeight - scaledHeight) / 2;
            for (int quarterIndex = 0; quarterIndex < 4; ++quarterIndex) {
                const int x = left + scaledWidth * (1 + 2 * (quarterIndex % 2)) / 4;
                const int yAt = top + scaledHeight * (1 + 2 * (quarterIndex / 2)) / 4;
                EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, yAt), upright[value - 1][quarterIndex], road.tolerance))
                    << "quarter " << quarterIndex;
            }
            releasePreparedScreens();
        }
    }
}

TEST_F(PreparedScreens, LargerImagesAreFittedToTheScreen)
{
    // Half as wide again as the screen and twice as high: fitted to the
    // width, then still too tall, to the height.
    const int width = screenWidth * 3 / 2, height = 2 * screenHeight;
    addFile(L"big.png", twoColourPicture(width, height, green, green));
    prepareScreen(nullptr);
    EXPECT_EQ(currentImageWidth, width);
    EXPECT_EQ(scaledHeight, screenHeight);
    EXPECT_EQ(scaledWidth, screenHeight * width / height);
    const int x = (screenWidth - scaledWidth) / 2;
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, 0), green, 2));
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x - 1, 0), black, 0));
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x + scaledWidth - 1, screenHeight - 1), green, 2));
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x + scaledWidth, screenHeight - 1), black, 0));

    // A 1-pixel checkerboard shrunk by 3.125 averages to an even grey: a
    // target pixel's area holds at most 1/3.125^2 of a pixel more of one
    // colour, 13 levels. Wine's HALFTONE stretch drew a beat pattern here.
    releasePreparedScreens();
    Picture board = twoColourPicture(screenWidth * 25 / 8, screenHeight * 25 / 8, white, white);
    for (int32_t row = 0; row < board.height; ++row)
        for (int32_t column = row % 2; column < board.width; column += 2)
            std::fill_n(board.pixels.get() + 3 * (size_t(row) * board.width + column), 3, uint8_t(0));
    addFile(L"board.bmp", board);
    currentEntry = listTail;
    prepareScreen(nullptr);
    ASSERT_EQ(scaledWidth, screenWidth);
    for (const int line : {0, screenHeight / 3, screenHeight - 1})
        for (int column = 0; column < screenWidth; ++column)
            ASSERT_TRUE(closeTo(pixelOf(currentBitmap, column, line), {128, 128, 128}, 14))
                << "at " << column << ", " << line;
}

// A stereo pair with a white left view and a black right view composes to
// pure red (red from the left eye, no green or blue from the right once the
// levels are spread), at half the width, through the platform decoder and
// through the own reader alike. The wide JPEG pair is decoded at a reduced
// scale, which must split it where the full picture splits: any column of
// the other view would darken an edge. A pair stored turned a quarter
// (orientation 6) is split side by side as stored and the composed picture
// stands upright: 800 x 5120, fitted by its height; a size narrowed on the
// upright width, or a fit taken from it, leaves the screen black or mixes
// the views.
TEST_F(PreparedScreens, StereoPairsComposeToRedCyanThroughBothRoads)
{
    anaglyphView = true;
    const struct {
        const wchar_t* name;
        int32_t width, height;  // as stored
        uint16_t orientation;
    } cases[] = {
        {L"pair.stereo.png", 600, 200, 1},
        {L"pair.stereo.qdl", 600, 200, 1},
        {L"pair.stereo-x.bmp", 600, 200, 1},
        {L"pair.stereo.jpg", 10240, 800, 1},
        {L"turned.stereo.jpg", 10240, 800, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        clear();
        currentEntry = nullptr;
        addFile(c.name, twoColourPicture(c.width, c.height, white, black));
        if (c.orientation != 1) {
            ASSERT_TRUE(writeBytes(folder_ + c.name,
                                   jpegWithExif(readFile(folder_ + c.name), exifBlock(true, c.orientation))));
        }
        prepareScreen(nullptr);
        const bool quarter = c.orientation >= 5;
        EXPECT_EQ(currentImageWidth, quarter ? c.height : c.width / 2);
        EXPECT_EQ(currentImageHeight, quarter ? c.width / 2 : c.height);
        const bool crossed = wcsstr(c.name, L"stereo-x") != nullptr;
        const Rgb expected = crossed ? Rgb{0, 255, 255} : Rgb{255, 0, 0};
        const int x = (screenWidth - scaledWidth) / 2, y = screenHeight / 2, top = (screenHeight - scaledHeight) / 2;
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, screenWidth / 2, y), expected, 2));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, y), expected, 2));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x + scaledWidth - 1, y), expected, 2));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, top), expected, 2));
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, top + scaledHeight - 1), expected, 2));
        if (top > 0) {
            EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x, top - 1), black, 0));
        }
        if (x > 0) {
            EXPECT_TRUE(closeTo(pixelOf(currentBitmap, x - 1, y), black, 0));
        }
        releasePreparedScreens();
    }
}

TEST_F(PreparedScreens, UndecodableFileGivesABlackScreenWithoutSize)
{
    addFile(L"broken.png", std::vector<uint8_t>{0x89, 'P', 'N', 'G', 1, 2, 3});
    prepareScreen(nullptr);
    ASSERT_NE(currentBitmap, nullptr);
    EXPECT_EQ(currentImageWidth, 0);
    EXPECT_EQ(currentImageHeight, 0);
    for (const auto& point : {std::pair{0, 0}, std::pair{screenWidth / 2, screenHeight / 2}})
        EXPECT_TRUE(closeTo(pixelOf(currentBitmap, point.first, point.second), black, 0));
}

// Three files red, green, blue: the slots follow the steps forward and back.
constexpr UINT preparedMessage = WM_APP + 7;

// A message-only window that records the report of a background
// preparation: its slot, and whether preloadBusy was already down.
class PreparationListener {
public:
    PreparationListener()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PreparationListener";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
        reports = 0;
    }
    ~PreparationListener() { DestroyWindow(window_); }
    HWND window() const { return window_; }

    // Pumps this thread's messages until a report came, for up to 10 s.
    bool waitForReport()
    {
        for (int waited = 0; reports == 0 && waited < 10000; waited += 10) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            if (reports == 0)
                Sleep(10);
        }
        return reports == 1;
    }

    static inline int reports = 0;
    static inline WPARAM slot = 99;
    static inline bool busyAtReport = true;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != preparedMessage)
            return DefWindowProcW(window, message, wParam, lParam);
        ++reports;
        slot = wParam;
        busyAtReport = preloadBusy.load();
        return 0;
    }
    HWND window_;
};

// A background preparation fills only the slot it was handed, lowers
// preloadBusy and only then reports which slot it filled.
TEST_F(PreparedScreens, BackgroundPreparationsFillTheirSlotAndReport)
{
    addFile(L"1.png", twoColourPicture(64, 64, red, red));
    addFile(L"2.png", twoColourPicture(64, 64, green, green));
    const int cx = screenWidth / 2, cy = screenHeight / 2;
    const struct {
        const char* what;
        bool current;
        HBITMAP& filled;
        HBITMAP& untouched;
        Rgb colour;
        WPARAM slot;
    } cases[] = {
        {"current", true, currentBitmap, nextBitmap, red, 1},
        {"next", false, nextBitmap, currentBitmap, green, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        releasePreparedScreens();
        PreparationListener listener;
        ASSERT_TRUE(startScreenPreparation(c.current ? nullptr : currentEntry, listener.window(), preparedMessage));
        EXPECT_EQ(preparingCurrentScreen, c.current);
        ASSERT_TRUE(listener.waitForReport());
        EXPECT_EQ(PreparationListener::slot, c.slot);
        EXPECT_FALSE(PreparationListener::busyAtReport);
        ASSERT_NE(c.filled, nullptr);
        EXPECT_TRUE(closeTo(pixelOf(c.filled, cx, cy), c.colour, 0));
        EXPECT_EQ(c.untouched, nullptr);
        EXPECT_EQ(previousBitmap, nullptr);
    }
}

TEST_F(PreparedScreens, SlotsRotateWithTheSteps)
{
    addFile(L"1.png", twoColourPicture(64, 64, red, red));
    addFile(L"2.png", twoColourPicture(64, 64, green, green));
    addFile(L"3.png", twoColourPicture(96, 48, blue, blue));
    const int cx = screenWidth / 2, cy = screenHeight / 2;

    prepareScreen(nullptr);
    prepareScreen(currentEntry);
    EXPECT_TRUE(closeTo(pixelOf(nextBitmap, cx, cy), green, 0));

    currentEntry = nextEntry(currentEntry);
    advanceScreens();
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, cx, cy), green, 0));
    EXPECT_TRUE(closeTo(pixelOf(previousBitmap, cx, cy), red, 0));
    EXPECT_EQ(nextBitmap, nullptr);

    currentEntry = previousEntry(currentEntry);
    retreatScreens();
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, cx, cy), red, 0));
    EXPECT_TRUE(closeTo(pixelOf(nextBitmap, cx, cy), green, 0));
    EXPECT_EQ(previousBitmap, nullptr);

    // Forward while the next screen is still being prepared: the step waits
    // for it and shows it. The tail's successor wraps to the head.
    currentEntry = listTail;
    releasePreparedScreens();
    PreparationListener listener;
    ASSERT_TRUE(startScreenPreparation(currentEntry, listener.window(), preparedMessage));
    currentEntry = nextEntry(currentEntry);
    advanceScreens();
    EXPECT_FALSE(preloadBusy);
    ASSERT_NE(currentBitmap, nullptr);
    EXPECT_TRUE(closeTo(pixelOf(currentBitmap, cx, cy), red, 0));
    EXPECT_EQ(currentImageWidth, 64);
    EXPECT_TRUE(listener.waitForReport());

    // Forward with no next screen leaves the current slot empty for the paint.
    currentEntry = nextEntry(currentEntry);
    advanceScreens();
    EXPECT_EQ(currentBitmap, nullptr);
    EXPECT_EQ(currentImageWidth, 0);
}

TEST_F(PreparedScreens, ManyPreparationsLeaveNoGdiObjectBehind)
{
    addFile(L"1.png", twoColourPicture(640, 480, red, green));
    addFile(L"2.qdl", twoColourPicture(320, 200, blue, white));
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    // Every combination of the anaglyph and the colour-managed copy, whose
    // bitmap must leave its context before it is deleted.
    for (int round = 0; round < 20; ++round) {
        anaglyphView = round % 2 == 1;
        colorManagement = round % 4 >= 2;
        prepareScreen(nullptr);
        prepareScreen(currentEntry);
        currentEntry = nextEntry(currentEntry);
        advanceScreens();
    }
    releasePreparedScreens();
    EXPECT_EQ(liveScreenGdiObjects.load(), 0);
    // Windows reports the process's count; Wine answers 0.
    if (before != 0) {
        EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
    }
}

}  // namespace
