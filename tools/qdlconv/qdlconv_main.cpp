// qdlconv: converts a BMP, TGA or QDL picture into a QDL file of a chosen
// pixel type and compression, or into a BMP file that any image program
// opens; on request it composes the picture into a red-cyan anaglyph first.
// The demo pictures and the tests' QDL files are made with it. Each step has
// its file: the command line (command_line), loading the input into a Picture
// (load_picture), the anaglyph (to_anaglyph), bringing the Picture to the
// output's form (QDL: pixel_type and qdl_output; BMP: bmp_output), and
// writing the output under a temporary name that is renamed into place
// (replace_file).
#include <cstdio>
#include <string>

#include "bmp_output.h"
#include "command_line.h"
#include "load_picture.h"
#include "qdl_output.h"
#include "to_anaglyph.h"

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
