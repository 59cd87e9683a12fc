// Writes the starting corpus of the JPEG fuzzer into the directory given as
// argv[1]: small pictures encoded by the libjpeg-turbo the viewer links, one
// of each kind its path meets (baseline 4:2:0, progressive, greyscale,
// 4:4:4 with restart markers, and CMYK, which the path hands on).
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "seed_writer.h"

namespace {

struct Kind {
    const char* name;
    J_COLOR_SPACE space;
    int components;
    bool progressive, fullChroma;
    unsigned int restartRows;
};

std::vector<uint8_t> encode(const Kind& kind)
{
    constexpr JDIMENSION width = 24, height = 16;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = width;
    info.image_height = height;
    info.input_components = kind.components;
    info.in_color_space = kind.space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 75, TRUE);
    if (kind.fullChroma)
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    if (kind.progressive)
        jpeg_simple_progression(&info);
    info.restart_in_rows = static_cast<int>(kind.restartRows);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(width * static_cast<JDIMENSION>(kind.components));
    while (info.next_scanline < height) {
        for (JDIMENSION i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>((i * 37 + info.next_scanline * 11) & 0xFF);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + length);
    std::free(buffer);
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: jpeg_seeds DIRECTORY\n");
        return 2;
    }
    const Kind kinds[] = {
        {"baseline", JCS_RGB, 3, false, false, 0},
        {"progressive", JCS_RGB, 3, true, false, 0},
        {"grey", JCS_GRAYSCALE, 1, false, false, 0},
        {"full_chroma_restarts", JCS_RGB, 3, false, true, 1},
        {"cmyk", JCS_CMYK, 4, false, false, 0},
    };
    Seeds seeds;
    for (const Kind& kind : kinds)
        seeds.push_back({kind.name, encode(kind)});
    return writeSeeds(argv[1], ".jpg", seeds) ? 0 : 1;
}
