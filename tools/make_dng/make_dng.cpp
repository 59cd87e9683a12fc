// make_dng OUT.dng PREVIEW.jpg WIDTH HEIGHT ORIENTATION: a test DNG holding
// the JPEG as its preview (WIDTH x HEIGHT as stored), a small thumbnail and
// raw image beside it, and the orientation tag given (1 to 8). Built and run
// on the build machine for the Windows tests' pictures.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "dng_writer.h"

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: make_dng OUT.dng PREVIEW.jpg WIDTH HEIGHT ORIENTATION\n");
        return 2;
    }
    std::ifstream preview(argv[2], std::ios::binary);
    DngContents contents;
    contents.previewJpeg.assign(std::istreambuf_iterator<char>(preview), std::istreambuf_iterator<char>());
    contents.previewWidth = uint16_t(std::atoi(argv[3]));
    contents.previewHeight = uint16_t(std::atoi(argv[4]));
    contents.orientation = uint16_t(std::atoi(argv[5]));
    if (contents.previewJpeg.empty()) {
        std::fprintf(stderr, "make_dng: cannot read %s\n", argv[2]);
        return 1;
    }
    const std::vector<uint8_t> dng = makeDng(contents);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(dng.data()), std::streamsize(dng.size()));
    return out ? 0 : 1;
}
