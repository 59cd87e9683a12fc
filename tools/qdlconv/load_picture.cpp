#include "load_picture.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "command_line.h"
#include "decode/dib/dib_reader.h"
#include "decode/qdl/qdl_reader.h"
#include "decode/tga/tga_reader.h"

namespace {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

uint32_t readLe32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A signed 32-bit header field without its sign.
uint64_t magnitudeLe32(const uint8_t* bytes)
{
    const int64_t value = static_cast<int32_t>(readLe32(bytes));
    return static_cast<uint64_t>(value < 0 ? -value : value);
}

// Checks the size a header declares before the reader claims memory for it:
// a run-length BMP (through its end-of-bitmap code) or QDL stream describes
// any number of pixels in a few bytes.
bool withinPixelLimit(uint64_t width, uint64_t height, uint64_t maxPixels, std::string& error)
{
    const uint64_t pixels = width * height;
    if (pixels <= maxPixels)
        return true;
    error = "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " = " +
            std::to_string(pixels) + " pixels, more than the limit of " + std::to_string(maxPixels) +
            " (--max-pixels raises it)";
    return false;
}

// Bytes between the header and the pixel rows, as the packed-DIB reader
// expects them: the colour table, or the masks of BI_BITFIELDS when the
// header is too short to hold them.
uint64_t dibTableBytes(const uint8_t* header, uint32_t headerSize)
{
    const uint32_t bitCount = header[14] | header[15] << 8;
    const uint32_t compression = readLe32(header + 16);
    const int32_t colorsUsed = static_cast<int32_t>(readLe32(header + 32));
    switch (bitCount) {
    case 1:
        return 8;
    case 4:
    case 8: {
        const int32_t maximum = bitCount == 4 ? 16 : 256;
        return 4u * static_cast<uint32_t>(colorsUsed <= 0 || colorsUsed > maximum ? maximum : colorsUsed);
    }
    default:
        return (compression == 3 && headerSize < 52 ? 12u : 0u) +
               (colorsUsed > 0 ? 4ull * static_cast<uint32_t>(colorsUsed) : 0u);
    }
}

// Many programs write 32-bit BMP files with 0 in every pixel's fourth byte,
// meaning "unused" rather than "transparent". Read as alpha, such a file
// would be wholly transparent (every T = 255); it is made opaque instead.
// One pixel with another fourth byte shows that the file means its alpha.
void makeUnusedAlphaOpaque(Picture& picture)
{
    if (picture.bitsPerPixel != 32)
        return;
    const uint64_t count = picture.pixelBytes() / 4;
    uint8_t* pixels = picture.pixels.get();
    for (uint64_t i = 0; i < count; ++i)
        if (pixels[4 * i] != 255)
            return;
    for (uint64_t i = 0; i < count; ++i)
        pixels[4 * i] = 0;
}

// A BMP file is a 14-byte file header and a packed DIB, except that the
// file header's offset may leave a gap before the pixel rows; such a gap is
// closed so the rows follow the table as in a packed DIB.
bool loadBmp(const std::vector<uint8_t>& file, uint64_t maxPixels, Picture& picture, std::string& error)
{
    constexpr size_t fileHeaderSize = 14;
    if (file.size() < fileHeaderSize + 40) {
        error = "the BMP file is too short for its headers";
        return false;
    }
    const uint8_t* dib = file.data() + fileHeaderSize;
    const uint32_t headerSize = readLe32(dib);
    if (headerSize < 40 || headerSize > file.size() - fileHeaderSize) {
        error = "only BMP files with a BITMAPINFOHEADER (40 bytes) or a later, longer header are read; "
                "this one has a " + std::to_string(headerSize) + "-byte header";
        return false;
    }
    if (!withinPixelLimit(magnitudeLe32(dib + 4), magnitudeLe32(dib + 8), maxPixels, error))
        return false;
    const uint64_t rowsOffset = readLe32(file.data() + 10);
    const uint64_t packedRowsOffset = fileHeaderSize + headerSize + dibTableBytes(dib, headerSize);
    std::vector<uint8_t> packed;
    size_t dibSize = file.size() - fileHeaderSize;
    if (rowsOffset > packedRowsOffset && rowsOffset <= file.size()) {
        packed.assign(dib, file.data() + std::min<uint64_t>(packedRowsOffset, file.size()));
        packed.insert(packed.end(), file.data() + rowsOffset, file.data() + file.size());
        dib = packed.data();
        dibSize = packed.size();
    }
    switch (pictureFromDib(dib, dibSize, picture)) {
    case dibConverted:
        makeUnusedAlphaOpaque(picture);
        return true;
    case dibNegativeWidth:
        error = "the BMP file has a negative width";
        return false;
    case dibOutOfMemory:
        error = "not enough memory for the BMP picture";
        return false;
    default:
        error = "the BMP file is corrupt or of a kind that is not read (depth, compression or size)";
        return false;
    }
}

bool loadQdl(const std::vector<uint8_t>& file, uint64_t maxPixels, Picture& picture, std::string& error)
{
    if (file.size() >= 10 &&
        !withinPixelLimit(magnitudeLe32(file.data() + 2), magnitudeLe32(file.data() + 6), maxPixels, error))
        return false;
    switch (parseQdlImage(picture, file.data(), file.size())) {
    case qdlDecoded: return true;
    case qdlNegativeSize: error = "the QDL file has a negative width or height"; return false;
    case qdlUnknownPixelType: error = "the QDL file has an unknown pixel type"; return false;
    case qdlCompressionNotAccepted: error = "the QDL file has an unknown compression"; return false;
    case qdlOutOfMemory: error = "the QDL picture is too large or memory ran out"; return false;
    default: error = "the QDL file is corrupt or cut short"; return false;
    }
}

}  // namespace

bool loadPicture(const std::string& path, uint64_t maxPixels, Picture& picture, std::string& error)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file)) {
        error = "cannot read " + path;
        return false;
    }
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M')
        return loadBmp(file, maxPixels, picture, error);
    if (file.size() >= 2 && file[0] == 'Q' && file[1] == 'D')
        return loadQdl(file, maxPixels, picture, error);
    if (endsWithIgnoringCase(path, ".tga")) {
        if (file.size() >= 18 &&
            !withinPixelLimit(file[12] | file[13] << 8, file[14] | file[15] << 8, maxPixels, error))
            return false;
        parseTgaImage(file.data(), file.size(), picture);
        if (picture.holdsImage())
            return true;
        error = "the TGA file is not read (only true-colour image types 2 and 10 at 24 or 32 bits, "
                "without identification field or colour map) or is cut short of its pixels";
        return false;
    }
    error = path + " is neither a BMP file (\"BM\"), a QDL file (\"QD\") nor named .tga";
    return false;
}
