#include "picture/area_scale_bodies.h"

namespace areascale {

namespace {

void horizontalPlain(const uint8_t* row, const AxisTable& axis, int32_t targetWidth, uint32_t* sums)
{
    for (int32_t x = 0; x < targetWidth; ++x) {
        const Span& span = axis.spans[x];
        const uint8_t* first = pixelAt(row, span.first);
        const uint8_t* last = pixelAt(row, span.first + span.count - 1);
        for (int c = 0; c < 4; ++c) {
            uint32_t inner = 0;
            for (int32_t k = 1; k < span.count - 1; ++k)
                inner += first[4 * k + c];
            sums[4 * x + c] = span.firstWeight * uint32_t(first[c]) + span.lastWeight * uint32_t(last[c]) +
                              axis.innerWeight * inner;
        }
    }
}

void weighPlain(const uint32_t* row, uint32_t weight, bool start, int32_t targetWidth, uint32_t* sums)
{
    const size_t n = size_t(4) * size_t(targetWidth);
    for (size_t i = 0; i < n; ++i)
        sums[i] = (start ? 0 : sums[i]) + weight * row[i];
}

void finishPlain(const uint32_t* sums, uint32_t denominator, int32_t targetWidth, uint8_t* out)
{
    const size_t n = size_t(4) * size_t(targetWidth);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t((2 * uint64_t(sums[i]) + denominator) / (2 * uint64_t(denominator)));
}

}  // namespace

const Body plainBody{horizontalPlain, weighPlain, finishPlain};

}  // namespace areascale
