// Writes the starting corpus of header_size_fuzz into the directory given as
// argv[1]: small headers of each format, hostile ones, a TIFF whose
// directory lies beyond the source's first window, TIFF sides of the wider
// and signed types, icons of PNG and DIB frames, metafiles, and the
// orientation tag in each format that carries one.

#include <cstdio>

#include "exif_fixtures.h"
#include "seed_writer.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: header_size_seeds DIRECTORY\n");
        return 1;
    }
    const Bytes exif = jpegSegment(0xE1, join({{'E', 'x', 'i', 'f', 0, 0}, startOfFrame(0xC0, 160, 120)}));
    int32_t devicePixels[2] = {1920, 1080}, deviceMillimetres[2] = {508, 286};
    const Seeds seeds = {
        {"bmp-rgb24", bmpFile(3, 2, 24, biRgb, 24)},
        {"bmp-core", bmpFile(5, 4, 8, biRgb, 32, 12)},
        {"bmp-rle8-30000", bmpFile(30000, 30000, 8, biRle8, 1026)},
        {"gif", gifFile(40, 30, 40, 30)},
        {"gif-large-frame", gifFile(100, 100, 20000, 20000)},
        {"jpeg", jpegFile(join({exif, jpegSegment(0xC4, {0, 1, 2, 3}), startOfFrame(0xC0, 1600, 1200)}))},
        {"jpeg-65500", jpegFile(join({{0x00, 0xFF, 0x00}, startOfFrame(0xC2, 65500, 65500)}))},
        {"png", pngFile(640, 480)},
        {"tiff-le", tiffFile(true, {{256, 3, 1, 64}, {257, 4, 1, 48}, {34675, 7, 100, 50}}, 100)},
        {"tiff-be-profile-beyond", tiffFile(false, {{256, 3, 1, 64}, {257, 3, 1, 48}, {34675, 7, 0xFFFFFFFF, 50}}, 100)},
        {"tiff-far-directory", tiffFile(true, {{256, 4, 1, 300}, {257, 4, 1, 200}}, 0, 70000)},
        {"jpeg-orientation", jpegWithExif(jpegFile(startOfFrame(0xC0, 30, 20)), exifBlock(false, 6))},
        {"png-orientation", pngWithExif(pngFile(30, 20), exifBlock(true, 8))},
        {"webp-orientation", webpWithExif(join({{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'},
                                                riffChunk("VP8 ", {0, 0, 0, 0x9D, 0x01, 0x2A, 30, 0, 20, 0})}),
                                          exifBlock(true, 3))},
        {"tiff-slong-30000", tiffFile(true, {{256, 9, 1, 30000}, {257, 9, 1, 30000}}, 0)},
        {"tiff-sshort-byte-be", tiffFile(false, {{256, 8, 1, 0xFFFE}, {257, 1, 1, 20}}, 0)},
        {"tiff-long8", tiffFile(true, {{256, 16, 1, 38}, {257, 17, 1, 38}}, 8)},
        {"jpeg-420-components", jpegFile(jpegSegment(0xC0, {8, 0, 20, 0, 30, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}))},
        {"ico-png-dib", icoFile({pngFile(48, 40), dibFrame(2, 4, 32, biRgb, 24)})},
        {"cur-dib-rle", icoFile({dibFrame(300, 600, 8, biRle8, 2)}, 2)},
        {"emf", emfFile({0, 0, 639, 479}, {0, 0, 16933, 12700}, devicePixels, deviceMillimetres)},
        {"wmf", wmfFile(0, 0, 2880, 1440, 1440)},
    };
    return writeSeeds(argv[1], ".bin", seeds) ? 0 : 1;
}
