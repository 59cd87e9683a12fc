// Metafiles, which GDI+ on Windows draws into a bitmap of the size their
// header gives:
// - EMF: the header record (type 1) with the bounds in device pixels at 8
//   (left, top, right, bottom, inclusive, signed) and the frame in 0.01 mm
//   at 24, the signature " EMF" at 40, and the reference device's size in
//   pixels at 72 and in millimetres at 80.
// - placeable WMF: the key D7 CD C6 9A, a handle, the bounding box in
//   logical units (four signed 16-bit values at 6) and the units per inch
//   at 14.
// Each side is taken at its largest reading (bounds or frame), so that a
// header of a few bytes cannot ask for more than the check allows.
#include "decode/headers/declared_size.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint64_t emfHeaderBytes = 88, wmfHeaderBytes = 22;
constexpr int64_t screenDotsPerInch = 96, hundredthsOfMillimetrePerInch = 2540;

int64_t signed32(const uint8_t* p) { return static_cast<int32_t>(le32(p)); }
int64_t signed16(const uint8_t* p) { return static_cast<int16_t>(le16(p)); }

uint32_t sideOf(int64_t pixels)
{
    return static_cast<uint32_t>(std::clamp<int64_t>(pixels, 0, UINT32_MAX));
}

// A frame side in 0.01 mm as pixels of the reference device (pixels per
// millimetres), or of a 96-dpi screen when the header gives none. Whole
// millimetres first: below 2^26 of them times below 2^31 pixels fits.
int64_t framePixels(int64_t hundredths, int64_t devicePixels, int64_t deviceMillimetres)
{
    if (devicePixels > 0 && deviceMillimetres > 0)
        return hundredths / 100 * devicePixels / deviceMillimetres;
    return hundredths * screenDotsPerInch / hundredthsOfMillimetrePerInch;
}

DeclaredSize declared(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        return {};  // an empty picture: the decoder has nothing to draw
    return {HeaderVerdict::declared, sideOf(width), sideOf(height)};
}

}  // namespace

DeclaredSize readEmfHeader(HeaderSource& source)
{
    uint8_t header[emfHeaderBytes];
    if (!readAt(source, 0, header, sizeof header) || std::memcmp(header + 40, " EMF", 4) != 0)
        return {};
    const int64_t boundsWidth = signed32(header + 16) - signed32(header + 8) + 1;
    const int64_t boundsHeight = signed32(header + 20) - signed32(header + 12) + 1;
    const int64_t frameWidth = framePixels(signed32(header + 32) - signed32(header + 24), signed32(header + 72),
                                           signed32(header + 80));
    const int64_t frameHeight = framePixels(signed32(header + 36) - signed32(header + 28), signed32(header + 76),
                                            signed32(header + 84));
    return declared(std::max(boundsWidth, frameWidth), std::max(boundsHeight, frameHeight));
}

DeclaredSize readWmfHeader(HeaderSource& source)
{
    uint8_t header[wmfHeaderBytes];
    if (!readAt(source, 0, header, sizeof header))
        return {};
    const int64_t unitsPerInch = le16(header + 14);
    if (unitsPerInch == 0)
        return {HeaderVerdict::cannotBeReal};
    const int64_t width = signed16(header + 10) - signed16(header + 6);
    const int64_t height = signed16(header + 12) - signed16(header + 8);
    // Either corner may come first; a side rounds up to whole pixels.
    auto pixels = [&](int64_t units) {
        return (std::abs(units) * screenDotsPerInch + unitsPerInch - 1) / unitsPerInch;
    };
    return declared(pixels(width), pixels(height));
}
