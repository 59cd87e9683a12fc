#include "pixel_type.h"

#include <cstdint>
#include <cstdio>

#include "decode/qdl/qdl_writer.h"

namespace {

bool paletteIs(const Picture& picture, bool (*expected)(int index, const uint8_t* entry))
{
    const int entries = picture.bitsPerPixel == 1 ? 2 : 256;
    for (int i = 0; i < entries; ++i)
        if (!expected(i, picture.palette.get() + 4 * i))
            return false;
    return true;
}

// The colours a 1- or 8-bit picture without a palette shows: 1 bit white and
// black, 8 bits index v the grey 255 - v.
bool isPlainEntry(int index, const uint8_t* entry, int entries)
{
    const int grey = entries == 2 ? (index == 0 ? 255 : 0) : 255 - index;
    return entry[0] == 0 && entry[1] == grey && entry[2] == grey && entry[3] == grey;
}

bool dropPlainPalette(Picture& picture)
{
    if (!picture.palette)
        return true;
    const bool plain = picture.bitsPerPixel == 1
        ? paletteIs(picture, [](int i, const uint8_t* e) { return isPlainEntry(i, e, 2); })
        : paletteIs(picture, [](int i, const uint8_t* e) { return isPlainEntry(i, e, 256); });
    if (plain)
        picture.palette.reset();
    return plain;
}

}  // namespace

bool convertToPixelType(Picture& picture, int pixelType, std::string& error)
{
    const int depth = picture.bitsPerPixel;
    switch (pixelType) {
    case 0:
    case 1:
        if (depth != 1) {
            error = "a " + std::to_string(depth) + "-bit picture is not reduced to 1 bit";
            return false;
        }
        if (pixelType == 0) {
            picture.ensurePalette(0);
        } else if (!dropPlainPalette(picture)) {
            error = "type 1 is black and white; this picture's palette has other colours (type 0 keeps them)";
            return false;
        }
        break;
    case 2:
    case 3:
        if (depth > 8) {
            error = "a " + std::to_string(depth) + "-bit picture is not reduced to 8 bits";
            return false;
        }
        if (pixelType == 3 && !dropPlainPalette(picture)) {
            error = "type 3 is grey; this picture's palette has other colours (type 2 keeps them)";
            return false;
        }
        picture.convert1To8();
        if (pixelType == 2)
            picture.ensurePalette(0);
        break;
    case 4:
        if (depth == 32 && picture.hasTransparency())
            std::fprintf(stderr, "qdlconv: note: 32 -> 24 bits drops the transparency\n");
        picture.normaliseTo24();
        break;
    default:
        picture.convert1To8();
        picture.convert8To32(0);
        picture.convert24To32();
        break;
    }
    if (naturalQdlPixelType(picture) != pixelType) {
        error = "not enough memory to convert the picture";
        return false;
    }
    return true;
}
