#include "pipeline/prepared_screens_win32.h"

#include "decode/dispatch/decode_image_file_win32.h"
#include "decode/dispatch/extension_class.h"
#include "decode/common/fit_to_screen.h"
#include "decode/libraries/decode_target_win32.h"
#include "filelist/file_list.h"
#include "picture/area_scale.h"
#include "picture/orientation_turn.h"
#include "picture/picture.h"
#include "pipeline/bitmap_rows_win32.h"
#include "pipeline/colour_management_win32.h"
#include "pipeline/gdi_handles_win32.h"
#include "state/quit_signal_win32.h"
#include "pipeline/screen_anaglyph_win32.h"
#include "state/decode_results.h"
#include "state/prepared_slots_win32.h"
#include "state/viewer_options.h"
#include "state/window_state_win32.h"

#include <new>

PreparationTimes lastPreparationTimes;

namespace {

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double milliseconds() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

struct Slot {
    HBITMAP& bitmap;
    int32_t& imageWidth;
    int32_t& imageHeight;
};

Slot currentSlot() { return {currentBitmap, currentImageWidth, currentImageHeight}; }
Slot nextSlot() { return {nextBitmap, nextImageWidth, nextImageHeight}; }
Slot previousSlot() { return {previousBitmap, previousImageWidth, previousImageHeight}; }

// Hands the bitmap and its sizes over and leaves from empty.
void moveSlot(Slot from, Slot to)
{
    to.bitmap = from.bitmap;
    to.imageWidth = from.imageWidth;
    to.imageHeight = from.imageHeight;
    from.bitmap = nullptr;
    from.imageWidth = from.imageHeight = 0;
}

// The scaledWidth x scaledHeight block at x, y of a bottom-up DIB section
// that is rowWidth pixels wide and rowCount high, top row first.
PixelRows fittedBlock(void* bits, int32_t rowWidth, int32_t rowCount, int32_t x, int32_t y)
{
    const ptrdiff_t stride = ptrdiff_t(4) * rowWidth;
    return {static_cast<uint8_t*>(bits) + stride * (rowCount - 1 - y) + ptrdiff_t(4) * x, -stride, scaledWidth,
            scaledHeight};
}

// Area-averages the decoded bitmap, at its own size (a decoder may deliver
// less than the published size), into target. A picture stored turned is
// scaled as stored to the fitted size turned back, and only that
// screen-size result is turned upright into place.
void scaleInto(HBITMAP decoded, const PixelRows& target, Orientation orientation)
{
    BitmapRows source;
    if (!readBitmapRows(decoded, source))
        return;
    if (orientation == Orientation::upright) {
        scaleByAreaAverage(source.rows, target);
        return;
    }
    int32_t storedWidth = scaledWidth, storedHeight = scaledHeight;
    turnSides(orientation, storedWidth, storedHeight);
    ByteArray stored = allocateBytes(size_t{4} * static_cast<size_t>(scaledWidth) * static_cast<size_t>(scaledHeight));
    const PixelRows storedRows{stored.get(), ptrdiff_t(4) * storedWidth, storedWidth, storedHeight};
    if (stored && scaleByAreaAverage(source.rows, storedRows))
        turnPixels(storedRows, target, orientation);
}

// Scales the decoded image to the fitted size into the centre of the fresh
// screen (screenBits, its rows, all black), through a colour-managed copy
// when that is on.
void drawFitted(HDC screenContext, void* screenBits, HBITMAP decoded, const char16_t* path)
{
    if (!decoded || scaledWidth <= 0 || scaledHeight <= 0)
        return;
    const int32_t x = (screenWidth - scaledWidth) / 2;
    const int32_t y = (screenHeight - scaledHeight) / 2;

    Stopwatch stretchTime;
    // Straight into the screen: no second screen-sized copy to make and fill.
    // The fitted size never exceeds the screen; were it to, nothing is written.
    if (!colorManagement) {
        if (screenBits && scaledWidth <= screenWidth && scaledHeight <= screenHeight)
            scaleInto(decoded, fittedBlock(screenBits, screenWidth, screenHeight, x, y),
                      orientationFromExif(imageOrientation));
        lastPreparationTimes.stretch = stretchTime.milliseconds();
        return;
    }
    void* scaledBits = nullptr;
    ScopedBitmap scaled(createScreenDib(scaledWidth, scaledHeight, &scaledBits));
    // The managed copy is made only when it is asked for. Both bitmaps are
    // declared before the context, which must release them before they are
    // deleted: a bitmap still selected into a context is not deleted.
    ScopedBitmap managed(nullptr);
    if (scaledBits)
        scaleInto(decoded, fittedBlock(scaledBits, scaledWidth, scaledHeight, 0, 0),
                  orientationFromExif(imageOrientation));
    lastPreparationTimes.stretch = stretchTime.milliseconds();
    MemoryContext target;
    target.select(scaled.get());

    if (scaledBits) {
        Stopwatch colourTime;
        void* managedBits = nullptr;
        managed.reset(createScreenDib(scaledWidth, scaledHeight, &managedBits));
        if (managedBits && applyColorManagement(path, scaledBits, managedBits, scaledWidth, scaledHeight))
            target.select(managed.get());
        lastPreparationTimes.colourManagement = colourTime.milliseconds();
    }

    BitBlt(screenContext, x, y, scaledWidth, scaledHeight, target.get(), 0, 0, SRCCOPY);
}

}  // namespace

void prepareScreen(const FileEntry* successorOf)
{
    const bool forNext = successorOf != nullptr;
    lastPreparationTimes = {};
    Slot slot = forNext ? nextSlot() : currentSlot();
    MemoryContext screenContext;
    deleteScreenDib(slot.bitmap);
    void* screenBits = nullptr;
    slot.bitmap = createScreenDib(screenWidth, screenHeight, &screenBits);
    screenContext.select(slot.bitmap);

    const FileEntry* entry = forNext ? nextEntry(successorOf) : currentEntry;
    const char16_t* path = entry ? entry->path.text() : u"";

    Stopwatch decodeTime;
    ScopedBitmap decoded(adoptBitmap(decodeImageFile(path)));
    lastPreparationTimes.decode = decodeTime.milliseconds();
    if (quitSignalled())
        decoded.reset(nullptr);
    slot.imageWidth = imageWidth;
    slot.imageHeight = imageHeight;

    if (anaglyphView && decoded.get() && !isOwnFormatName(path)) {
        Stopwatch anaglyphTime;
        if (HBITMAP composed = composeScreenAnaglyph(decoded.get(), path)) {
            decoded.reset(adoptBitmap(composed));
            slot.imageWidth = imageWidth;
            slot.imageHeight = imageHeight;  // the narrowed side when stored turned a quarter
            fitToScreen(screenWidth, screenHeight);
        }
        lastPreparationTimes.anaglyph = anaglyphTime.milliseconds();
    }
    drawFitted(screenContext.get(), screenBits, decoded.get(), path);
    GdiFlush();
    recycleDecodeTarget(decoded.release());
}

namespace {

struct PreparationRun {
    const FileEntry* successorOf;
    HWND window;
    UINT message;
};

// The worker: owns its run, and the slot it fills until preloadBusy is down.
DWORD WINAPI runPreparation(LPVOID argument)
{
    const PreparationRun run = *static_cast<const PreparationRun*>(argument);
    delete static_cast<const PreparationRun*>(argument);
    prepareScreen(run.successorOf);
    preloadBusy.store(false, std::memory_order_release);
    WakeByAddressAll(&preloadBusy);
    PostMessageW(run.window, run.message, run.successorOf == nullptr ? 1 : 0, 0);
    return 0;
}

}  // namespace

bool startScreenPreparation(const FileEntry* successorOf, HWND window, UINT message)
{
    preparingCurrentScreen = successorOf == nullptr;
    preloadBusy = true;
    auto* run = new (std::nothrow) PreparationRun{successorOf, window, message};
    HANDLE worker = run ? CreateThread(nullptr, 0, runPreparation, run, 0, nullptr) : nullptr;
    if (worker == nullptr) {
        delete run;
        preloadBusy = false;
        return false;
    }
    CloseHandle(worker);
    return true;
}

// WaitOnAddress compares the flag's bytes with a plain bool.
static_assert(sizeof(std::atomic<bool>) == sizeof(bool) && std::atomic<bool>::is_always_lock_free);

bool waitForPreparationAtMost(DWORD milliseconds)
{
    // The worker wakes the waiters as it lowers the flag, so a wait ends as
    // soon as the preparation does.
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    bool busy = true;
    while (preloadBusy.load(std::memory_order_acquire)) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        WaitOnAddress(&preloadBusy, &busy, sizeof busy, static_cast<DWORD>(deadline - now));
    }
    return true;
}

void waitForPreparation()
{
    bool busy = true;
    while (preloadBusy.load(std::memory_order_acquire))
        WaitOnAddress(&preloadBusy, &busy, sizeof busy, INFINITE);
}

namespace {

// Deleting a screen-sized bitmap unmaps megabytes; the one that waits is
// deleted first, so at most one is held.
void retireScreen(HBITMAP& bitmap)
{
    deleteScreenDib(retiredBitmap);
    retiredBitmap = bitmap;
    bitmap = nullptr;
}

}  // namespace

void advanceScreens()
{
    waitForPreparation();
    retireScreen(previousBitmap);
    moveSlot(currentSlot(), previousSlot());
    moveSlot(nextSlot(), currentSlot());
}

void retreatScreens()
{
    waitForPreparation();
    retireScreen(nextBitmap);
    moveSlot(currentSlot(), nextSlot());
    moveSlot(previousSlot(), currentSlot());
}

void releaseRetiredScreen() { deleteScreenDib(retiredBitmap); }

void releasePreparedScreens()
{
    waitForPreparation();
    deleteScreenDib(retiredBitmap);
    deleteScreenDib(previousBitmap);
    deleteScreenDib(currentBitmap);
    deleteScreenDib(nextBitmap);
    releaseSpareDecodeTarget();
}
