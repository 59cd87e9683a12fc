// qdlconv: converts a BMP, TGA or QDL picture into a QDL file of a chosen
// pixel type and compression. The demo pictures and the tests' QDL files are
// made with it. Steps: read the command line, load the input into a Picture,
// bring the Picture to the output's depth, encode, write the output under a
// temporary name and rename it into place.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decode/dib_reader.h"
#include "decode/qdl_reader.h"
#include "decode/qdl_writer.h"
#include "decode/tga_reader.h"
#include "picture/picture.h"

namespace {

const char usageText[] =
    "Usage: qdlconv [--type N] [--compression M] INPUT OUTPUT\n"
    "\n"
    "Converts a BMP, TGA or QDL picture into a QDL file.\n"
    "\n"
    "INPUT   a BMP file with a BITMAPINFOHEADER of 40 bytes or one of its\n"
    "        longer successors (1, 4, 8, 24 or 32 bits with BI_RGB, BI_RLE8,\n"
    "        BI_RLE4 or BI_BITFIELDS; 16 bits with BI_BITFIELDS; a 32-bit\n"
    "        pixel's fourth byte is its alpha, so T = 255 - that byte), a TGA\n"
    "        file (true-colour, plain or run-length encoded, 24 or 32 bits;\n"
    "        the alpha channel is dropped) or a QDL file. BMP and QDL files are\n"
    "        recognised by their first two bytes, TGA files by the name\n"
    "        ending in .tga.\n"
    "OUTPUT  the QDL file to write. It is written under a temporary name and\n"
    "        renamed at the end: a failed conversion leaves no new file and an\n"
    "        existing OUTPUT as it was.\n"
    "\n"
    "Options:\n"
    "  --type N         QDL pixel type; the default is the picture's own:\n"
    "                     0  1 bit with a two-colour palette\n"
    "                     1  1 bit black and white\n"
    "                     2  8 bits with a 256-colour palette\n"
    "                     3  8 bits grey (0 white to 255 black)\n"
    "                     4  24 bits R,G,B\n"
    "                     5  32 bits T,R,G,B (T = 255 - alpha)\n"
    "  --compression M  0 plain (the default), or by type:\n"
    "                     types 0, 1, 3: 1 runs\n"
    "                     type 2: 1 count runs, 2 escape runs, 3 flag runs,\n"
    "                             4 long escape runs\n"
    "                     type 4: 1 runs, 2 colour groups\n"
    "                     type 5: 1 runs, 2 marked runs, 3 colour groups\n"
    "  --help           shows this text.\n"
    "\n"
    "Depth changes: a picture is widened to a deeper type (1 -> 8 bits ->\n"
    "24 or 32 bits, 24 -> 32 bits opaque); 32 -> 24 bits drops the\n"
    "transparency. A 24- or 32-bit picture is not reduced to 8 or 1 bit, nor\n"
    "an 8-bit one to 1 bit. Types 1 and 3 take a picture with a palette only\n"
    "when that palette is plain black and white or the grey ramp. For type 2\n"
    "with compressions 2 to 4 palette entries may be swapped so that every\n"
    "pixel can be stored; the colours stay the same.\n"
    "\n"
    "Exit status: 0 done, 1 the input could not be read or converted or the\n"
    "output not written, 2 a wrong command line.\n";

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

constexpr int lastCompression[6] = {1, 1, 4, 1, 2, 3};

struct Options {
    int pixelType = -1;  // -1: the picture's own
    int compression = 0;
    std::string input;
    std::string output;
};

// ---------------------------------------------------------------- command line

bool parseNumber(const char* text, int& value)
{
    if (*text == 0)
        return false;
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (*end != 0 || number < 0 || number > 255)
        return false;
    value = static_cast<int>(number);
    return true;
}

// Accepts "--name VALUE" and "--name=VALUE"; index moves past what it used.
bool takeValue(int argc, char** argv, int& index, const char* name, const char*& value)
{
    const size_t length = std::strlen(name);
    const char* argument = argv[index];
    if (std::strncmp(argument, name, length) != 0)
        return false;
    if (argument[length] == '=') {
        value = argument + length + 1;
        return true;
    }
    if (argument[length] != 0)
        return false;
    value = index + 1 < argc ? argv[++index] : nullptr;
    return true;
}

// Returns -1 when the command line is fine, otherwise the exit code.
int parseCommandLine(int argc, char** argv, Options& options)
{
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const char* value = nullptr;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usageText, stdout);
            return exitDone;
        }
        if (takeValue(argc, argv, i, "--type", value)) {
            if (!value || !parseNumber(value, options.pixelType) || options.pixelType > 5) {
                std::fprintf(stderr, "qdlconv: --type needs a pixel type from 0 to 5\n");
                return exitUsage;
            }
        } else if (takeValue(argc, argv, i, "--compression", value)) {
            if (!value || !parseNumber(value, options.compression)) {
                std::fprintf(stderr, "qdlconv: --compression needs a number from 0 to 4\n");
                return exitUsage;
            }
        } else if (argv[i][0] == '-' && argv[i][1] != 0) {
            std::fprintf(stderr, "qdlconv: unknown option %s (see --help)\n", argv[i]);
            return exitUsage;
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "qdlconv: give one INPUT and one OUTPUT file (see --help)\n");
        return exitUsage;
    }
    options.input = paths[0];
    options.output = paths[1];
    if (options.pixelType >= 0 && options.compression > lastCompression[options.pixelType]) {
        std::fprintf(stderr, "qdlconv: pixel type %d accepts compressions 0 to %d, not %d\n", options.pixelType,
                     lastCompression[options.pixelType], options.compression);
        return exitUsage;
    }
    return -1;
}

// ---------------------------------------------------------------- input

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

// A BMP file is a 14-byte file header and a packed DIB, except that the
// file header's offset may leave a gap before the pixel rows; such a gap is
// closed so the rows follow the table as in a packed DIB.
bool loadBmp(const std::vector<uint8_t>& file, Picture& picture, std::string& error)
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

bool loadQdl(const std::vector<uint8_t>& file, Picture& picture, std::string& error)
{
    switch (parseQdlImage(picture, file.data(), file.size())) {
    case qdlDecoded: return true;
    case qdlNegativeSize: error = "the QDL file has a negative width or height"; return false;
    case qdlUnknownPixelType: error = "the QDL file has an unknown pixel type"; return false;
    case qdlCompressionNotAccepted: error = "the QDL file has an unknown compression"; return false;
    case qdlOutOfMemory: error = "the QDL picture is too large or memory ran out"; return false;
    default: error = "the QDL file is corrupt or cut short"; return false;
    }
}

bool endsWithTga(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".tga";
}

bool loadPicture(const std::string& path, Picture& picture, std::string& error)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file)) {
        error = "cannot read " + path;
        return false;
    }
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M')
        return loadBmp(file, picture, error);
    if (file.size() >= 2 && file[0] == 'Q' && file[1] == 'D')
        return loadQdl(file, picture, error);
    if (endsWithTga(path)) {
        parseTgaImage(file.data(), file.size(), picture);
        if (picture.holdsImage())
            return true;
        error = "the TGA file is not read (only true-colour image types 2 and 10 at 24 or 32 bits, "
                "without identification field or colour map)";
        return false;
    }
    error = path + " is neither a BMP file (\"BM\"), a QDL file (\"QD\") nor named .tga";
    return false;
}

// ---------------------------------------------------------------- depth

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

// Brings picture to the depth and palette state of the pixel type with the
// Picture's own conversions.
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

// ---------------------------------------------------------------- output

bool encodeQdl(Picture& picture, const Options& options, std::vector<uint8_t>& bytes, std::string& error)
{
    if (options.pixelType == 2 && !reorderPaletteForQdl(picture, options.compression)) {
        error = "compression " + std::to_string(options.compression) +
                " cannot store this picture: too many colours occur in short runs (compression 1 can)";
        return false;
    }
    switch (writeQdlImage(picture, options.pixelType, options.compression, bytes)) {
    case QdlWriteResult::written:
        return true;
    case QdlWriteResult::unrepresentable:
        error = "compression " + std::to_string(options.compression) +
                " cannot store a lone pixel whose T and R are 255 and non-zero (compressions 1 and 3 can)";
        return false;
    case QdlWriteResult::tooLarge:
        error = "the picture is larger than a QDL file holds (2^31 - 1 bytes of pixels)";
        return false;
    case QdlWriteResult::outOfMemory:
        error = "not enough memory to encode the picture";
        return false;
    default:
        error = "the picture does not fit pixel type " + std::to_string(options.pixelType);
        return false;
    }
}

// Writes bytes to a temporary file beside path and renames it over path, so
// that path is either the complete new file or what it was before.
bool writeFileWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wbx");
    if (!file) {
        error = "cannot create " + temporary;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const int usage = parseCommandLine(argc, argv, options);
    if (usage >= 0)
        return usage;

    std::string error;
    Picture picture;
    if (!loadPicture(options.input, picture, error)) {
        std::fprintf(stderr, "qdlconv: %s\n", error.c_str());
        return exitFailed;
    }
    if (options.pixelType < 0) {
        options.pixelType = naturalQdlPixelType(picture);
        if (options.compression > lastCompression[options.pixelType]) {
            std::fprintf(stderr, "qdlconv: the picture's own pixel type %d accepts compressions 0 to %d, not %d\n",
                         options.pixelType, lastCompression[options.pixelType], options.compression);
            return exitUsage;
        }
    }

    std::vector<uint8_t> bytes;
    if (!convertToPixelType(picture, options.pixelType, error) || !encodeQdl(picture, options, bytes, error) ||
        !writeFileWhole(options.output, bytes, error)) {
        std::fprintf(stderr, "qdlconv: %s\n", error.c_str());
        return exitFailed;
    }
    return exitDone;
}
