// Small JPEG streams encoded by the libjpeg-turbo the program links, for the
// decoder's tests and the fuzzer's seeds.
#pragma once

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

// A 24 x 16 picture of diagonal ramps in the given kind.
inline std::vector<uint8_t> encodeJpeg(const JpegKind& kind)
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

// width x height R,G,B rows (top first) as a baseline JPEG at quality 95 in
// 4:4:4, so that flat areas decode within a level or two of their colour.
inline std::vector<uint8_t> encodeRgbJpeg(JDIMENSION width, JDIMENSION height, const std::vector<uint8_t>& rgb)
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
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        JSAMPROW pointer = const_cast<JSAMPLE*>(rgb.data() + size_t(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + length);
    std::free(buffer);
    return bytes;
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
