#include "decode/libraries/jpeg_bands.h"

#include <algorithm>

#include "decode/libraries/jpeg_scale.h"

namespace {

// The transform of one source pixel (inverse DCT, upsampling, colour
// conversion, the first touch of fresh output memory) per kind at M = 1 to
// 8, in hundredths of the Huffman decoding of one byte of the stream: the
// mean of photo-like pictures at quality 85 and 95
// (bench/jpeg_scale_cost_bench.cpp). Progressive streams are never split;
// their row is there for completeness.
constexpr int transformCosts[][jpegFullScaleEighths] = {
    /* chroma420   */ {2, 7, 11, 11, 25, 32, 44, 37},
    /* chroma422   */ {2, 7, 8, 11, 20, 25, 38, 34},
    /* fullChroma  */ {3, 9, 11, 12, 24, 30, 45, 35},
    /* grey        */ {2, 5, 7, 9, 15, 20, 29, 36},
    /* progressive */ {2, 2, 4, 7, 9, 10, 14, 8},
};

// The end of the last of bands decoders' bands when the top band has
// topRows rows: each decoder's work (reading the rows above its band at
// readPercent, decoding its own) matches the top decoder's, in hundredths
// of a row.
int64_t reach(int64_t topRows, int readPercent, int bands, int64_t* firstRows)
{
    int64_t first = 0;
    for (int k = 0; k < bands; ++k) {
        firstRows[k] = first;
        first += (100 * topRows - readPercent * first) / 100;
    }
    return first;
}

}  // namespace

JpegBands splitJpegDecode(int32_t outputHeight, int readPercent, int threads)
{
    JpegBands bands;
    bands.firstRow[1] = outputHeight;
    if (outputHeight <= 0 || readPercent < 0 || readPercent >= 100)
        return bands;
    for (int count = std::min(threads, maxJpegBands); count > 1; --count) {
        // The shortest top band whose decoders reach the last row.
        int64_t firstRows[maxJpegBands];
        int64_t low = (outputHeight + count - 1) / count, high = outputHeight;
        while (low < high) {
            const int64_t middle = low + (high - low) / 2;
            if (reach(middle, readPercent, count, firstRows) >= outputHeight)
                high = middle;
            else
                low = middle + 1;
        }
        reach(low, readPercent, count, firstRows);
        if (outputHeight - firstRows[count - 1] < minJpegBandRows)
            continue;  // the last band is the shortest
        if (10 * low > 9 * int64_t{outputHeight})
            return bands;
        bands.count = count;
        for (int k = 0; k < count; ++k)
            bands.firstRow[k] = static_cast<int32_t>(firstRows[k]);
        bands.firstRow[count] = outputHeight;
        return bands;
    }
    return bands;
}

int jpegReadPercent(uint64_t streamBytes, int32_t width, int32_t height, JpegStreamKind kind, int eighths)
{
    if (width <= 0 || height <= 0 || eighths < 1 || eighths > jpegFullScaleEighths)
        return 100;
    // Below 2^32 bytes and 2^31 pixels, both products stay below 2^40.
    const uint64_t read = 100 * std::min<uint64_t>(streamBytes, uint64_t{1} << 32);
    const uint64_t transform = uint64_t(width) * uint64_t(height) *
                               uint64_t(transformCosts[static_cast<int>(kind)][eighths - 1]);
    return read + transform == 0 ? 100 : static_cast<int>(100 * read / (read + transform));
}
