// Small owners of the GDI objects the screen preparation makes. Every object
// they create or adopt is counted until they delete it, so a test can prove
// that preparing screens leaks nothing even where the platform does not
// report a process's GDI object count (Wine).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// Objects made or adopted through the holders below and not yet deleted,
// slot bitmaps included.
extern std::atomic<int32_t> liveScreenGdiObjects;

// The header of a 32-bit bottom-up uncompressed DIB of the given size.
BITMAPINFOHEADER screenDibHeader(int32_t width, int32_t height);

// A 32-bit bottom-up DIB section of the given size, all black, counted; null
// on failure. bits, when given, receives its pixel rows.
HBITMAP createScreenDib(int32_t width, int32_t height, void** bits = nullptr);
// A bitmap's own size in pixels (a decoder may deliver less than the image's
// full size); 0 x 0 when it cannot be read.
SIZE bitmapSize(HBITMAP bitmap);
// Counts a bitmap that something else made (the decoder) from now on.
HBITMAP adoptBitmap(HBITMAP made);
// Deletes a counted bitmap and nulls the handle.
void deleteScreenDib(HBITMAP& bitmap);

// Owns one counted bitmap.
class ScopedBitmap {
public:
    explicit ScopedBitmap(HBITMAP counted) : bitmap_(counted) {}
    ~ScopedBitmap() { deleteScreenDib(bitmap_); }
    ScopedBitmap(const ScopedBitmap&) = delete;
    ScopedBitmap& operator=(const ScopedBitmap&) = delete;
    HBITMAP get() const { return bitmap_; }
    // Hands the bitmap, no longer counted, to another owner.
    HBITMAP release()
    {
        if (bitmap_)
            --liveScreenGdiObjects;
        HBITMAP bitmap = bitmap_;
        bitmap_ = nullptr;
        return bitmap;
    }
    void reset(HBITMAP counted)
    {
        deleteScreenDib(bitmap_);
        bitmap_ = counted;
    }

private:
    HBITMAP bitmap_ = nullptr;
};

// A memory context compatible with the screen; restores its first selection
// and deletes itself on destruction.
class MemoryContext {
public:
    MemoryContext();
    ~MemoryContext();
    MemoryContext(const MemoryContext&) = delete;
    MemoryContext& operator=(const MemoryContext&) = delete;
    HDC get() const { return context_; }
    void select(HGDIOBJ object);

private:
    HDC context_ = nullptr;
    HGDIOBJ original_ = nullptr;
};
