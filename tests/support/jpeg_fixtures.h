// Small JPEG streams encoded by the libjpeg-turbo the program links, for the
// decoder's tests and the fuzzer's seeds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

struct JpegKind {
    J_COLOR_SPACE space;
    int components;
    bool progressive, fullChroma;
    unsigned int restartRows;
};

// The stream libjpeg writes for width x height rows of the given samples at
// quality: adjust(info) changes the defaults, fillRow(y, row) gives row y.
template <typename Adjust, typename FillRow>
inline std::vector<uint8_t> compressJpeg(JDIMENSION width, JDIMENSION height, int components, J_COLOR_SPACE space,
                                         int quality, Adjust adjust, FillRow fillRow)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    adjust(info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(width * static_cast<JDIMENSION>(components));
    while (info.next_scanline < height) {
        fillRow(info.next_scanline, row);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + length);
    std::free(buffer);
    return bytes;
}

// A 24 x 16 picture of diagonal ramps in the given kind.
inline std::vector<uint8_t> encodeJpeg(const JpegKind& kind)
{
    return compressJpeg(
        24, 16, kind.components, kind.space, 75,
        [&](jpeg_compress_struct& info) {
            if (kind.fullChroma)
                info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
            if (kind.progressive)
                jpeg_simple_progression(&info);
            info.restart_in_rows = static_cast<int>(kind.restartRows);
        },
        [](JDIMENSION y, std::vector<JSAMPLE>& row) {
            for (JDIMENSION i = 0; i < row.size(); ++i)
                row[i] = static_cast<JSAMPLE>((i * 37 + y * 11) & 0xFF);
        });
}

// width x height R,G,B rows (top first) as a baseline JPEG at quality 95 in
// 4:4:4, so that flat areas decode within a level or two of their colour.
inline std::vector<uint8_t> encodeRgbJpeg(JDIMENSION width, JDIMENSION height, const std::vector<uint8_t>& rgb)
{
    return compressJpeg(
        width, height, 3, JCS_RGB, 95,
        [](jpeg_compress_struct& info) { info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1; },
        [&](JDIMENSION y, std::vector<JSAMPLE>& row) {
            std::copy(rgb.begin() + long(size_t(y) * width * 3), rgb.begin() + long(size_t(y + 1) * width * 3),
                      row.begin());
        });
}

// The stream with its last scan (SOS up to the final EOI) repeated count
// more times: each repeat visits that scan's blocks once more.
inline std::vector<uint8_t> withRepeatedLastScan(const std::vector<uint8_t>& jpeg, int count)
{
    size_t last = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            last = i;
    std::vector<uint8_t> result(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < count; ++i)
        result.insert(result.end(), jpeg.begin() + long(last), jpeg.end() - 2);
    result.insert(result.end(), {0xFF, 0xD9});
    return result;
}
