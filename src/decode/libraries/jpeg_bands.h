// A sequential JPEG decoded by several threads at once, each with its own
// decoder over the whole stream and its own band of output rows. A decoder
// cannot start in the middle of a stream without restart markers: it reads
// the coded blocks of every row above its band without transforming them
// (libjpeg-turbo's jpeg_skip_scanlines, after which the rows are the bytes a
// whole decode gives), then decodes its band. For a high-quality photo that
// reading is more than half of a decode, so the lower bands are shorter, cut
// where every decoder should finish at the same time.
#pragma once

#include <cstdint>

#include "decode/libraries/jpeg_memory_decode.h"
#include "picture/parallel_bands.h"

constexpr int maxJpegBands = maxParallelBands;

// A thread's band is never shorter than this: below it the start of one
// more decoder costs about what the band saves.
constexpr int32_t minJpegBandRows = 128;

// Band k holds the output rows [firstRow[k], firstRow[k + 1]); firstRow[0]
// is 0 and firstRow[count] the output height.
struct JpegBands {
    int count = 1;
    int32_t firstRow[maxJpegBands + 1] = {};
};

// The bands of an outputHeight-row decode for at most threads decoders, when
// reading the blocks of a row costs readPercent (0 to 100) of decoding it.
// A decoder of a lower band reads the rows above it, so each band is cut
// where its decoder's work (readPercent/100 of the rows above plus the whole
// band) matches the top band's. Fewer bands when a band would be shorter
// than minJpegBandRows, or when the split would save less than a tenth of
// the decode.
JpegBands splitJpegDecode(int32_t outputHeight, int readPercent, int threads);

// Reading's share of a decode, in percent, for a sequential stream of
// streamBytes coding a width x height picture of this kind decoded at
// eighths/8: its Huffman decoding costs about the same per byte of every
// stream, its transform per pixel by kind and scale.
int jpegReadPercent(uint64_t streamBytes, int32_t width, int32_t height, JpegStreamKind kind, int eighths);
