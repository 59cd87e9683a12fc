// The bodies of the area-averaging scale. The plain body is the reference;
// the SSE2 body computes the same integers and gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/area_scale.h"
#include "picture/area_scale_axis.h"

namespace areascale {

// The bodies. horizontal: one source row into four 32-bit sums per target
// pixel. weigh: sums = weight * row (start) or sums += weight * row.
// finish: each sum divided by denominator, rounded half up, as bytes.
struct Body {
    void (*horizontal)(const uint8_t* row, const AxisTable& axis, int32_t targetWidth, uint32_t* sums);
    void (*weigh)(const uint32_t* row, uint32_t weight, bool start, int32_t targetWidth, uint32_t* sums);
    void (*finish)(const uint32_t* sums, uint32_t denominator, int32_t targetWidth, uint8_t* out);
};

inline const uint8_t* pixelAt(const uint8_t* row, int32_t index)
{
    return row + size_t(4) * size_t(index);
}

extern const Body plainBody;

#if defined(__SSE2__)
extern const Body sse2Body;

// Target rows [firstRow, endRow) with the rows of each span added up first,
// in 16-bit lanes: for vertical spans whose weights sum to at most
// shortSpanDenominator. False when a buffer cannot be allocated.
bool scaleColumnsFirstSse2(const ConstPixelRows& source, const PixelRows& target, const AxisTable& columns,
                           const AxisTable& rows, int32_t firstRow, int32_t endRow);
#endif

}  // namespace areascale
