// Shrinking (or, the same way, enlarging) 32-bit B, G, R, x pixels by area
// averaging: each target pixel is the average of the source pixels its area
// covers, those at its edges weighted by the part that falls on it. All four
// bytes are averaged alike.
//
// The scale is separable: one table per axis gives each target pixel its
// first source pixel, how many it covers and integer weights (first, last,
// and one weight shared by every whole pixel between). The weighted sums
// over both axes are exact integers, divided once and rounded half up; the
// plain body sums each source row horizontally first, the SSE2 body adds
// short spans of rows up first, and both give the same bytes. Where the
// weights are exact (the reduced ratio fits the axis's denominator: 128 for
// spans of up to 126 rows, else 2048 per axis) the result is the exactly
// rounded area average: a 1:1 scale copies, an integer ratio gives the
// rounded mean of its blocks; otherwise the weights are rounded to that
// denominator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/parallel_bands.h"

// Rows of 32-bit pixels: the address of the top row and the distance in
// bytes from one row to the one below it (negative for bottom-up storage).
struct PixelRows {
    uint8_t* top;
    ptrdiff_t stride;
    int32_t width;
    int32_t height;
};

// Source rows may also hold 24-bit B, G, R pixels, or 8-bit or 1-bit (most
// significant bit first) indices into colours, 256 B, G, R, x entries; such
// rows are widened to 32 bits one at a time as the scale reads them.
struct ConstPixelRows {
    const uint8_t* top;
    ptrdiff_t stride;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel = 32;
    const uint32_t* colours = nullptr;
};

// The plain body is the reference; the SSE2 body computes the same integers
// and gives the same bytes.
enum class AreaScaleBody { plain, sse2 };

// The fastest body this build has.
AreaScaleBody fastestAreaScaleBody();
// Whether this build has the body (SSE2 on x86 builds only).
bool hasAreaScaleBody(AreaScaleBody body);

// A large scale runs on several threads, each writing its own band of
// target rows (the same bytes as one thread). A band has at least
// minAreaScaleBandRows rows, and smaller sources than
// minAreaScaleThreadPixels stay on one thread, whose start would cost more
// than it saves.
constexpr int32_t minAreaScaleBandRows = 64;
constexpr uint64_t minAreaScaleThreadPixels = uint64_t{1} << 20;

// The bands a sourceWidth x sourceHeight block scaled to targetHeight rows is
// split into on up to threads threads.
int areaScaleBands(int32_t sourceWidth, int32_t sourceHeight, int32_t targetHeight, int threads);

// Writes the area average of source into every pixel of target. False for
// an empty or oversized block on either side, a source depth other than 1,
// 8, 24 or 32 bits (or indices without colours), a body this build lacks or
// a scale too extreme for 32-bit sums (more than 2^22 source pixels per
// target pixel), with target untouched; false too for a failed allocation,
// when other bands' rows may have been written.
bool scaleByAreaAverage(const ConstPixelRows& source, const PixelRows& target,
                        AreaScaleBody body = fastestAreaScaleBody(), int threads = parallelBandThreads());
