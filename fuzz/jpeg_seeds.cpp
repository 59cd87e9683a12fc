// Writes the starting corpus of the JPEG fuzzer into the directory given as
// argv[1]: small pictures encoded by the libjpeg-turbo the viewer links, one
// of each kind its path meets (baseline 4:2:0, progressive, greyscale,
// 4:4:4 with restart markers, and CMYK, which the path hands on), and
// progressive streams whose repeated scans reach the work budget exactly or
// pass it by one scan.
#include <cstdio>

#include "jpeg_fixtures.h"
#include "seed_writer.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: jpeg_seeds DIRECTORY\n");
        return 2;
    }
    const struct {
        const char* name;
        JpegKind kind;
    } kinds[] = {
        {"baseline", {JCS_RGB, 3, false, false, 0}},
        {"progressive", {JCS_RGB, 3, true, false, 0}},
        {"grey", {JCS_GRAYSCALE, 1, false, false, 0}},
        {"full_chroma_restarts", {JCS_RGB, 3, false, true, 1}},
        {"cmyk", {JCS_CMYK, 4, false, false, 0}},
    };
    Seeds seeds;
    for (const auto& k : kinds)
        seeds.push_back({k.name, encodeJpeg(k.kind)});
    const auto greyProgressive = encodeJpeg({JCS_GRAYSCALE, 1, true, true, 0});  // six scans over every block
    seeds.push_back({"grey_20_passes", withRepeatedLastScan(greyProgressive, 14)});
    seeds.push_back({"grey_21_passes", withRepeatedLastScan(greyProgressive, 15)});
    return writeSeeds(argv[1], ".jpg", seeds) ? 0 : 1;
}
