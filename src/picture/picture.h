// The in-memory image shared by the readers, the anaglyph composition and the
// display conversion. Rows run top to bottom and are not padded. Pixel bytes:
// 1 bit MSB-first, 8 bits palette index, 24 bits R,G,B, 32 bits T,R,G,B where
// T = 255 - alpha. Palette entries are T,R,G,B as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

using ByteArray = std::unique_ptr<uint8_t[]>;

// Allocates n bytes or returns null; never throws.
ByteArray allocateBytes(size_t n);

class Picture {
public:
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;  // 1, 8, 24 or 32; 0 when empty
    ByteArray palette;         // 2^bitsPerPixel entries of 4 bytes, 1 and 8 bits only
    ByteArray pixels;

    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&&) noexcept = default;
    Picture& operator=(Picture&&) noexcept = default;

    bool holdsImage() const { return pixels != nullptr; }

    // Byte length of one row and of the whole pixel array for the current
    // size and depth; 0 for an unknown depth. The product is computed in 64
    // bits; callers that allocate check it against their own limits first.
    uint64_t rowBytes() const;
    uint64_t pixelBytes() const;
    size_t paletteBytes() const;  // 8, 1024 or 0

    void clear();
    Picture& assign(const Picture& source);

    void ensurePalette(uint32_t ink);
    void convert1To8();
    void convert8To32(uint32_t ink);
    void convert24To32();
    int convert32To24();  // 0 done, 1 not 32 bits, 2 out of memory
    // 1 -> 8 -> 32 -> 24: the depth the anaglyph composition expects.
    void normaliseTo24();

    uint32_t pixelAt(int32_t x, int32_t y) const;  // T | R<<8 | G<<16 | B<<24
    bool hasTransparency() const;
    bool crop(int32_t left, int32_t right, int32_t top, int32_t bottom);
    void compactPalette();

    // Editing operations used by the anaglyph composition.
    void adjustChannel(int channel, int amount);
    void scaleOpacity(double factor);
    void shift(int direction, int32_t count);
    int composeOver(const Picture& overlay, bool keepTransparency);
    bool autoLevels();

    // Packed DIB (40-byte header, colour table, bottom-up rows padded to 4
    // bytes). background is 0x00BBGGRR.
    uint64_t packedDibSize() const;
    ByteArray toPackedDib(uint32_t background, bool premultiply) const;
};
