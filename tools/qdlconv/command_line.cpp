#include "command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

}  // namespace

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
