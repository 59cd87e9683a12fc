// Writes the starting corpus of the camera RAW fuzzer into the directory
// given as argv[1]: small DNG files with a JPEG preview beside IFD0's
// thumbnail (upright and turned a quarter), and one with the thumbnail alone.
#include <cstdio>

#include "dng_writer.h"
#include "jpeg_fixtures.h"
#include "seed_writer.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: raw_preview_seeds DIRECTORY\n");
        return 2;
    }
    DngContents contents;
    contents.previewJpeg = encodeJpeg({JCS_RGB, 3, false, false, 0});  // 24 x 16
    contents.previewWidth = 24;
    contents.previewHeight = 16;
    Seeds seeds;
    seeds.push_back({"preview", makeDng(contents)});
    contents.orientation = 6;
    seeds.push_back({"preview_turned", makeDng(contents)});
    contents.previewJpeg.clear();
    seeds.push_back({"thumbnail", makeDng(contents)});
    return writeSeeds(argv[1], ".dng", seeds) ? 0 : 1;
}
