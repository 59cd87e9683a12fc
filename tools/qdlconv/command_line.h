// qdlconv's command line: the options, the exit statuses and the check of
// what was given.
#pragma once

#include <cstdint>
#include <string>

#include "picture/pixel_array_limit.h"

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

// The highest compression of each QDL pixel type.
constexpr int lastCompression[6] = {1, 1, 4, 1, 2, 3};

struct Options {
    int pixelType = -1;    // -1: the picture's own
    int compression = -1;  // -1: not given, which is plain
    bool anaglyph = false;
    uint64_t maxPixels = maxPicturePixels;
    std::string input;
    std::string output;
};

bool endsWithIgnoringCase(const std::string& text, const char* lowerCaseEnd);

// A name ending in .bmp, in any case, asks for a BMP file; any other for QDL.
bool isBmpOutput(const Options& options);

// Returns -1 when the command line is fine, otherwise the exit status: --help
// prints the usage and gives exitDone, a wrong command line is reported on
// stderr and gives exitUsage.
int parseCommandLine(int argc, char** argv, Options& options);
