// qdlconv: converts a BMP, TGA or QDL picture into a QDL file of a chosen
// pixel type and compression, or into a BMP file that any image program
// opens; on request it composes the picture into a red-cyan anaglyph first.
// The demo pictures and the tests' QDL files are made with it. Steps: read
// the command line, load the input into a Picture, compose the anaglyph,
// bring the Picture to the output's form (QDL: depth and encoding; BMP: a
// file header and the packed DIB), write the output under a temporary name
// and rename it into place.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "decode/dib_reader.h"
#include "decode/pixel_array_limit.h"
#include "decode/qdl_reader.h"
#include "decode/qdl_writer.h"
#include "decode/tga_reader.h"
#include "picture/anaglyph.h"
#include "picture/picture.h"
#include "picture/stereo_names.h"

namespace {

const char usageText[] =
    "Usage: qdlconv [--type N] [--compression M] [--anaglyph] [--max-pixels N] INPUT OUTPUT\n"
    "\n"
    "Converts a BMP, TGA or QDL picture into a QDL or a BMP file.\n"
    "\n"
    "INPUT   a BMP file with a BITMAPINFOHEADER of 40 bytes or one of its\n"
    "        longer successors (1, 4, 8, 24 or 32 bits with BI_RGB, BI_RLE8,\n"
    "        BI_RLE4 or BI_BITFIELDS; 16 bits with BI_BITFIELDS; a 32-bit\n"
    "        pixel's fourth byte is its alpha, so T = 255 - that byte, except\n"
    "        that a 32-bit BMP with 0 in the fourth byte of every pixel, as\n"
    "        many programs write them, is read as opaque), a TGA file\n"
    "        (true-colour, plain or run-length encoded, 24 or 32 bits; the\n"
    "        alpha channel is dropped) or a QDL file. BMP and QDL files are\n"
    "        recognised by their first two bytes, TGA files by the name\n"
    "        ending in .tga.\n"
    "OUTPUT  the file to write: a BMP file when the name ends in .bmp (in\n"
    "        any case), otherwise a QDL file. It is written under a temporary\n"
    "        name and renamed at the end: a failed conversion leaves no new\n"
    "        file and an existing OUTPUT as it was.\n"
    "        The temporary file is flushed to disk before the rename.\n"
    "        SIGINT, SIGTERM and SIGHUP remove the temporary file.\n"
    "        A replaced OUTPUT keeps its permission bits.\n"
    "        A symbolic link OUTPUT stays a link; the file it points to is\n"
    "        replaced.\n"
    "\n"
    "BMP output: a 14-byte file header and an uncompressed DIB with a\n"
    "BITMAPINFOHEADER at the picture's own depth: 1 or 8 bits with a colour\n"
    "table (a picture without a palette gets black and white or the grey\n"
    "ramp), 24 or 32 bits. Transparency is flattened onto black, so a 32-bit\n"
    "BMP holds 0 in every pixel's fourth byte. --type and --compression are\n"
    "refused with a BMP output.\n"
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
    "  --anaglyph       writes the red-cyan anaglyph of the picture, as the\n"
    "                   viewer shows it in its 3D view. The picture is first\n"
    "                   brought to 24 bits (1 -> 8 -> 32 -> 24 bits; the\n"
    "                   transparency is dropped). The INPUT name decides the\n"
    "                   layout: NAME.stereo.EXT holds the left eye's view in\n"
    "                   its left half, NAME.stereo-x.EXT in its right half\n"
    "                   (both need an even width); any other picture is\n"
    "                   composed from two copies of itself pushed width / 50\n"
    "                   columns apart. The result is 32 bits and opaque, half\n"
    "                   as wide for a stereo pair; as QDL it is type 5 unless\n"
    "                   --type says otherwise.\n"
    "  --max-pixels N   refuses, before decoding, an INPUT whose header\n"
    "                   declares more than N pixels (width x height). The\n"
    "                   default, 268435456 (2^28, 16384 x 16384), passes any\n"
    "                   photograph; run-length BMP and QDL files can declare\n"
    "                   far larger pictures in a few bytes.\n"
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
constexpr uint64_t defaultMaxPixels = maxPicturePixels;

struct Options {
    int pixelType = -1;    // -1: the picture's own
    int compression = -1;  // -1: not given, which is plain
    bool anaglyph = false;
    uint64_t maxPixels = defaultMaxPixels;
    std::string input;
    std::string output;
};

bool endsWithIgnoringCase(const std::string& text, const char* lowerCaseEnd)
{
    const size_t length = std::strlen(lowerCaseEnd);
    if (text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[text.size() - length + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != lowerCaseEnd[i])
            return false;
    }
    return true;
}

bool isBmpOutput(const Options& options)
{
    return endsWithIgnoringCase(options.output, ".bmp");
}

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

bool parsePixelLimit(const char* text, uint64_t& value)
{
    if (*text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    if (*end != 0 || errno == ERANGE || number == 0)
        return false;
    value = number;
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
        if (std::strcmp(argv[i], "--anaglyph") == 0) {
            options.anaglyph = true;
        } else if (takeValue(argc, argv, i, "--type", value)) {
            if (!value || !parseNumber(value, options.pixelType) || options.pixelType > 5) {
                std::fprintf(stderr, "qdlconv: --type needs a pixel type from 0 to 5\n");
                return exitUsage;
            }
        } else if (takeValue(argc, argv, i, "--compression", value)) {
            if (!value || !parseNumber(value, options.compression)) {
                std::fprintf(stderr, "qdlconv: --compression needs a number from 0 to 4\n");
                return exitUsage;
            }
        } else if (takeValue(argc, argv, i, "--max-pixels", value)) {
            if (!value || !parsePixelLimit(value, options.maxPixels)) {
                std::fprintf(stderr, "qdlconv: --max-pixels needs a whole number of pixels, 1 or more\n");
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
    if (isBmpOutput(options) && (options.pixelType >= 0 || options.compression >= 0)) {
        std::fprintf(stderr, "qdlconv: --type and --compression choose the QDL encoding; a BMP output (%s) is "
                     "written at the picture's own depth, uncompressed\n", options.output.c_str());
        return exitUsage;
    }
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

// ---------------------------------------------------------------- anaglyph

// The stereo name tests look at ASCII characters only, so each byte of the
// path is widened on its own: ASCII characters keep their places and no
// byte of a longer UTF-8 sequence becomes one.
std::u16string widenPath(const std::string& path)
{
    std::u16string wide;
    for (const char c : path)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return wide;
}

// Normalises the picture to 24 bits, as the viewer does with a QDL picture,
// and replaces it by its anaglyph; the input's name decides the layout.
bool composeAnaglyphOf(Picture& picture, const std::string& inputPath, std::string& error)
{
    if (picture.width <= 0 || picture.height <= 0) {
        error = "the picture has no pixels (width or height 0) to compose an anaglyph from";
        return false;
    }
    picture.normaliseTo24();
    if (picture.bitsPerPixel != 24) {
        error = "not enough memory to bring the picture to 24 bits";
        return false;
    }
    const std::u16string path = widenPath(inputPath);
    const StereoChoice choice = chooseStereoLayout(path.c_str(), picture.width);
    const bool single = choice.layout == StereoLayout::singleView;
    if (single && (isStereoName(path.c_str()) || isCrossStereoName(path.c_str())))
        std::fprintf(stderr, "qdlconv: note: a stereo pair needs an even width; this %d-pixel wide picture is "
                     "composed as a single view\n", picture.width);
    const int32_t width = single ? picture.width - 2 * choice.shift : picture.width / 2;
    composeAnaglyph(picture, path.c_str());
    // The composition leaves a step undone when memory runs out; the
    // result's depth and width show whether every step ran.
    if (picture.bitsPerPixel != 32 || picture.width != width) {
        error = "not enough memory to compose the anaglyph";
        return false;
    }
    return true;
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

struct ByteSpan {
    const uint8_t* data;
    size_t size;
};

// The temporary file being written, for the signal handler to remove; null
// while there is none. It changes only while the stop signals are blocked,
// so the handler never sees a file created but not yet recorded, or renamed
// but still recorded.
const char* volatile pendingTemporary = nullptr;

extern "C" void removeTemporaryAndStop(int signalNumber)
{
    if (pendingTemporary)
        unlink(pendingTemporary);
    // SA_RESETHAND has restored the default action: the signal raised again
    // ends the process as it would have without the handler.
    raise(signalNumber);
}

sigset_t stopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signalNumber);
    return signals;
}

// A signal that is ignored (nohup, or SIGINT in a background job) stays so.
void installStopHandlers()
{
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &action, nullptr);
    }
}

// Creates the temporary file and records it for the handler as one step.
int createTemporary(const std::string& temporary)
{
    const sigset_t stops = stopSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &stops, &previous);
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file >= 0)
        pendingTemporary = temporary.c_str();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return file;
}

// Renames the temporary file over target when keep is set, else (or when the
// rename fails) removes it; either way forgets it, as one step.
bool settleTemporary(const std::string& temporary, const std::string& target, bool keep)
{
    const sigset_t stops = stopSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &stops, &previous);
    const bool renamed = keep && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!renamed)
        unlink(temporary.c_str());
    pendingTemporary = nullptr;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return renamed;
}

// The file that writing to path replaces: path itself or, when path is a
// symbolic link, the end of its chain (which need not exist yet), so that
// the link stays a link. A relative link counts from its own directory.
bool resolveLinks(const std::string& path, std::string& target, std::string& error)
{
    target = path;
    for (int links = 0; links < 40; ++links) {
        struct stat status;
        if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return true;
        char link[PATH_MAX];
        const ssize_t length = readlink(target.c_str(), link, sizeof link);
        if (length <= 0 || static_cast<size_t>(length) == sizeof link)
            break;
        std::string next(link, static_cast<size_t>(length));
        const size_t slash = target.rfind('/');
        if (next[0] != '/' && slash != std::string::npos)
            next = target.substr(0, slash + 1) + next;
        target = next;
    }
    error = "cannot follow the symbolic link " + path;
    return false;
}

bool writeAll(int file, const ByteSpan& part)
{
    size_t done = 0;
    while (done < part.size) {
        const ssize_t written = write(file, part.data + done, part.size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// Writes the parts one after the other to a temporary file beside path (or
// beside the file a link at path points to) and renames it over that file,
// so that it is either the complete new file or what it was before, also
// after a crash: the data reach the disk before the rename. A replaced file
// keeps its permission bits; a new one gets them from the umask.
bool writeFileWhole(const std::string& path, std::initializer_list<ByteSpan> parts, std::string& error)
{
    std::string target;
    if (!resolveLinks(path, target, error))
        return false;
    struct stat existing;
    const bool replacing = stat(target.c_str(), &existing) == 0;
    const std::string temporary = target + "." + std::to_string(getpid()) + ".tmp";
    installStopHandlers();
    const int file = createTemporary(temporary);
    if (file < 0) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = !replacing || fchmod(file, existing.st_mode & 0777) == 0;
    for (const ByteSpan& part : parts)
        written = written && writeAll(file, part);
    written = written && fsync(file) == 0;
    written = close(file) == 0 && written;
    if (!settleTemporary(temporary, target, written)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

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

// Returns the exit status; a compression the picture's own type lacks is a
// wrong command line.
int writeQdlOutput(Picture& picture, Options options)
{
    if (options.pixelType < 0) {
        options.pixelType = naturalQdlPixelType(picture);
        if (options.compression > lastCompression[options.pixelType]) {
            std::fprintf(stderr, "qdlconv: the picture's own pixel type %d accepts compressions 0 to %d, not %d\n",
                         options.pixelType, lastCompression[options.pixelType], options.compression);
            return exitUsage;
        }
    }
    options.compression = std::max(options.compression, 0);
    std::string error;
    std::vector<uint8_t> bytes;
    if (!convertToPixelType(picture, options.pixelType, error) || !encodeQdl(picture, options, bytes, error) ||
        !writeFileWhole(options.output, {{bytes.data(), bytes.size()}}, error)) {
        std::fprintf(stderr, "qdlconv: %s\n", error.c_str());
        return exitFailed;
    }
    return exitDone;
}

constexpr uint64_t bmpFileHeaderSize = 14;
constexpr uint64_t dibHeaderSize = 40;

void putLe32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A BMP file is the packed DIB behind a 14-byte file header: "BM", the file
// size, two reserved words of 0 and the offset of the pixel rows. The DIB
// has a black background and no premultiplied alpha, so transparent parts
// are blended onto black and every program shows the same colours.
bool writeBmpFile(const Picture& picture, const std::string& path, std::string& error)
{
    if (picture.width <= 0 || picture.height <= 0) {
        error = "a picture without pixels (width or height 0) is not written as a BMP file";
        return false;
    }
    const uint64_t dibSize = picture.packedDibSize();
    const uint64_t fileSize = bmpFileHeaderSize + dibSize;
    if (fileSize > UINT32_MAX) {
        error = "the BMP file would have " + std::to_string(fileSize) +
                " bytes, more than its 32-bit size field holds (4 GiB - 1)";
        return false;
    }
    const ByteArray dib = picture.toPackedDib(0, false);
    if (!dib) {
        error = "not enough memory for the BMP pixels";
        return false;
    }
    const uint64_t tableBytes = picture.bitsPerPixel == 1 ? 8 : picture.bitsPerPixel == 8 ? 1024 : 0;
    uint8_t header[bmpFileHeaderSize] = {'B', 'M'};
    putLe32(header + 2, static_cast<uint32_t>(fileSize));
    putLe32(header + 10, static_cast<uint32_t>(bmpFileHeaderSize + dibHeaderSize + tableBytes));
    return writeFileWhole(path, {{header, sizeof header}, {dib.get(), static_cast<size_t>(dibSize)}}, error);
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
    if (!loadPicture(options.input, options.maxPixels, picture, error) ||
        (options.anaglyph && !composeAnaglyphOf(picture, options.input, error))) {
        std::fprintf(stderr, "qdlconv: %s\n", error.c_str());
        return exitFailed;
    }
    if (!isBmpOutput(options))
        return writeQdlOutput(picture, options);
    if (!writeBmpFile(picture, options.output, error)) {
        std::fprintf(stderr, "qdlconv: %s\n", error.c_str());
        return exitFailed;
    }
    return exitDone;
}
