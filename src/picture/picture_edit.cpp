// The editing operations of Picture that the anaglyph composition is built
// from. Their arithmetic, including where single precision is used, is part
// of the result: the fast composition reproduces it byte for byte.
#include "picture/picture.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t opaque = 0;
constexpr uint8_t fullyTransparent = 255;

size_t paletteEntries(int32_t bitsPerPixel)
{
    return bitsPerPixel == 1 ? 2 : 256;
}

bool isPaletteDepth(int32_t bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 8;
}

// Applies a byte table to channel offset of every stride-byte group.
void mapChannel(uint8_t* bytes, size_t groups, size_t stride, size_t offset, const uint8_t* table)
{
    for (size_t i = 0; i < groups; ++i) {
        uint8_t& value = bytes[i * stride + offset];
        value = table[value];
    }
}

// Applies a byte table to channel of every pixel (24 or 32 bits) or of every
// palette entry (1 or 8 bits with a palette). channel is 0..3 (T, R, G, B);
// a 24-bit picture has no channel 0.
void mapPictureChannel(Picture& picture, int channel, const uint8_t* table)
{
    if (picture.bitsPerPixel == 24) {
        if (channel == 0)
            return;
        mapChannel(picture.pixels.get(), static_cast<size_t>(picture.pixelBytes() / 3), 3,
                   static_cast<size_t>(channel - 1), table);
    } else if (picture.bitsPerPixel == 32) {
        mapChannel(picture.pixels.get(), static_cast<size_t>(picture.pixelBytes() / 4), 4,
                   static_cast<size_t>(channel), table);
    } else if (isPaletteDepth(picture.bitsPerPixel) && picture.palette) {
        mapChannel(picture.palette.get(), paletteEntries(picture.bitsPerPixel), 4,
                   static_cast<size_t>(channel), table);
    }
}

// Brings any depth to 32 bits: 1 -> 8 -> 32 with black ink, 24 -> 32.
// Returns false when a conversion could not allocate.
bool convertTo32(Picture& picture)
{
    if (picture.bitsPerPixel == 1)
        picture.convert1To8();
    if (picture.bitsPerPixel == 8)
        picture.convert8To32(0);
    if (picture.bitsPerPixel == 24)
        picture.convert24To32();
    return picture.bitsPerPixel == 32;
}

void fillTransparent(uint8_t* pixel, size_t count)
{
    for (size_t i = 0; i < count; ++i, pixel += 4) {
        pixel[0] = fullyTransparent;
        pixel[1] = pixel[2] = pixel[3] = 0;
    }
}

// One overlay pixel over one base pixel, both T,R,G,B.
void composePixel(uint8_t* base, const uint8_t* over, bool keepTransparency)
{
    const int d = over[0];
    const int e = base[0];
    if (d == fullyTransparent)
        return;
    if (d == opaque) {
        if (keepTransparency || e == opaque)
            base[0] = over[0];
        base[1] = over[1];
        base[2] = over[2];
        base[3] = over[3];
        return;
    }
    if (!keepTransparency && e == fullyTransparent)
        return;

    // Single precision throughout, as the results are defined by it; each
    // product is its own statement so that no compiler fuses a multiply-add.
    // opacity >= 255 - d >= 1, so the division is safe.
    const float opacity = static_cast<float>((255 - e) * d) / 255.0f + static_cast<float>(255 - d);
    const float weight = static_cast<float>((255 - d) * 255) / opacity;
    const float baseWeight = 255.0f - weight;
    if (e == fullyTransparent) {
        base[1] = over[1];
        base[2] = over[2];
        base[3] = over[3];
    } else {
        for (int c = 1; c <= 3; ++c) {
            const float overPart = static_cast<float>(over[c]) * weight;
            const float basePart = static_cast<float>(base[c]) * baseWeight;
            const float mixed = (overPart + basePart) / 255.0f;
            base[c] = static_cast<uint8_t>(static_cast<int>(static_cast<double>(mixed) + 0.5));
        }
    }
    if (keepTransparency) {
        if (e == fullyTransparent) {
            base[0] = static_cast<uint8_t>(d);
        } else {
            const float left = 255.0f - opacity;
            base[0] = static_cast<uint8_t>(static_cast<int>(static_cast<double>(left) + 0.5));
        }
    }
}

}  // namespace

void Picture::adjustChannel(int channel, int amount)
{
    if (amount == 0 || channel < 0 || channel > 3 || !holdsImage())
        return;
    // Any step beyond 255 clamps every value the same way.
    const int step = std::clamp(amount, -255, 255);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uint8_t>(std::clamp(v + step, 0, 255));
    mapPictureChannel(*this, channel, table);
}

void Picture::scaleOpacity(double factor)
{
    if (factor == 1.0 || !holdsImage())
        return;
    uint8_t table[256];
    for (int t = 0; t < 256; ++t) {
        const double opacity = (255 - t) * factor;
        // A negative or NaN factor leaves no opacity rather than wrapping.
        const int kept = opacity >= 255.0 ? 255 : opacity > 0.0 ? static_cast<int>(opacity) : 0;
        table[t] = static_cast<uint8_t>(255 - kept);
    }
    mapPictureChannel(*this, 0, table);
}

void Picture::shift(int direction, int32_t count)
{
    if (count == 0 || direction < 0 || direction > 3 || !holdsImage())
        return;
    int64_t distance = count;
    if (distance < 0) {
        distance = -distance;
        direction ^= 1;  // left <-> right, up <-> down
    }
    if (!convertTo32(*this))
        return;

    const size_t stride = static_cast<size_t>(width) * 4;
    const size_t rows = static_cast<size_t>(height);
    uint8_t* bytes = pixels.get();
    if (direction <= 1) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(distance, width));
        const size_t kept = static_cast<size_t>(width) - n;
        for (size_t y = 0; y < rows; ++y) {
            uint8_t* row = bytes + y * stride;
            if (direction == 0) {
                std::memmove(row, row + n * 4, kept * 4);
                fillTransparent(row + kept * 4, n);
            } else {
                std::memmove(row + n * 4, row, kept * 4);
                fillTransparent(row, n);
            }
        }
    } else {
        const size_t n = static_cast<size_t>(std::min<int64_t>(distance, height));
        const size_t kept = rows - n;
        if (direction == 2) {
            std::memmove(bytes, bytes + n * stride, kept * stride);
            fillTransparent(bytes + kept * stride, n * static_cast<size_t>(width));
        } else {
            std::memmove(bytes + n * stride, bytes, kept * stride);
            fillTransparent(bytes, n * static_cast<size_t>(width));
        }
    }
}

int Picture::composeOver(const Picture& overlay, bool keepTransparency)
{
    if (!holdsImage() || !overlay.holdsImage() || overlay.width != width || overlay.height != height)
        return 1;
    if (!overlay.hasTransparency()) {
        assign(overlay);
        return 0;
    }
    // The overlay may be this very picture; it is read at its depth after
    // the base conversion.
    if (!convertTo32(*this))
        return 1;

    const size_t stride = static_cast<size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* baseRow = pixels.get() + static_cast<size_t>(y) * stride;
        if (overlay.bitsPerPixel == 32) {
            const uint8_t* overRow = overlay.pixels.get() + static_cast<size_t>(y) * stride;
            for (size_t x = 0; x < static_cast<size_t>(width); ++x)
                composePixel(baseRow + x * 4, overRow + x * 4, keepTransparency);
        } else {
            // 1 and 8 bits read as their 32-bit conversion with black ink would.
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t value = overlay.pixelAt(x, y);
                const uint8_t over[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                         static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
                composePixel(baseRow + static_cast<size_t>(x) * 4, over, keepTransparency);
            }
        }
    }
    return 0;
}

bool Picture::autoLevels()
{
    if (!holdsImage())
        return false;
    if (isPaletteDepth(bitsPerPixel) && !palette)
        return false;

    int low = 255;
    int high = 0;
    auto take = [&](int value) {
        low = std::min(low, value);
        high = std::max(high, value);
    };
    if (bitsPerPixel == 24) {
        const size_t count = static_cast<size_t>(pixelBytes());
        for (size_t i = 0; i < count; ++i)
            take(pixels[i]);
    } else if (bitsPerPixel == 32) {
        const size_t count = static_cast<size_t>(pixelBytes() / 4);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* pixel = pixels.get() + i * 4;
            if (pixel[0] == fullyTransparent)
                continue;
            take(pixel[1]);
            take(pixel[2]);
            take(pixel[3]);
        }
    } else if (isPaletteDepth(bitsPerPixel)) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t value = pixelAt(x, y);
                if ((value & 0xFF) == fullyTransparent)
                    continue;
                take(static_cast<int>((value >> 8) & 0xFF));
                take(static_cast<int>((value >> 16) & 0xFF));
                take(static_cast<int>(value >> 24));
            }
        }
    } else {
        return false;
    }

    // high < low: no visible pixel at all, nothing to spread.
    if (high < low || (low == 0 && high == 255) || low == high)
        return false;
    const double factor = 255.0 / (high - low);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uint8_t>(static_cast<int>((v - low) * factor));  // low 8 bits
    for (int channel = 1; channel <= 3; ++channel)
        mapPictureChannel(*this, channel, table);
    return true;
}
