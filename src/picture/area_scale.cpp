#include "picture/area_scale.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "picture/area_scale_axis.h"
#include "picture/area_scale_bodies.h"
#include "picture/area_scale_wide_rows.h"
#include "picture/parallel_bands.h"
#include "picture/pixel_array_limit.h"

using namespace areascale;

namespace {

const Body* bodyOf(AreaScaleBody body)
{
    switch (body) {
    case AreaScaleBody::plain: return &plainBody;
    case AreaScaleBody::sse2:
#if defined(__SSE2__)
        return &sse2Body;
#else
        return nullptr;
#endif
    }
    return nullptr;
}

bool usableDepth(const ConstPixelRows& source)
{
    switch (source.bitsPerPixel) {
    case 32:
    case 24: return true;
    case 8:
    case 1: return source.colours != nullptr;
    default: return false;
    }
}

bool usableSize(int32_t width, int32_t height)
{
    return width > 0 && height > 0 && uint64_t(width) * uint64_t(height) <= maxPicturePixels;
}

// The weighted sums of source rows, computed once each: a target row shares
// at most its first source row with the row before, so two slots serve.
class RowCache {
public:
    RowCache(const ConstPixelRows& source, const AxisTable& columns, int32_t targetWidth, const Body& body)
        : wide_(source, 1), columns_(columns), targetWidth_(targetWidth), body_(body)
    {
        const uint64_t values = uint64_t(4) * uint64_t(targetWidth);
        for (int s = 0; s < 2; ++s)
            rows_[s] = allocate<uint32_t>(values);
    }
    bool ready() const { return rows_[0] && rows_[1] && wide_.ready(); }
    const uint32_t* row(int32_t y)
    {
        const int slot = y & 1;
        if (index_[slot] != y) {
            body_.horizontal(wide_.row(y), columns_, targetWidth_, rows_[slot].get());
            index_[slot] = y;
        }
        return rows_[slot].get();
    }

private:
    WideRows wide_;
    const AxisTable& columns_;
    int32_t targetWidth_;
    const Body& body_;
    std::unique_ptr<uint32_t[]> rows_[2];
    int32_t index_[2] = {-1, -1};
};

// Target rows [firstRow, endRow), each from its own span of source rows.
bool scaleRows(const ConstPixelRows& source, const PixelRows& target, const AxisTable& columns,
               const AxisTable& rows, AreaScaleBody which, int32_t firstRow, int32_t endRow)
{
#if defined(__SSE2__)
    if (which == AreaScaleBody::sse2 && rows.total <= shortSpanDenominator)
        return scaleColumnsFirstSse2(source, target, columns, rows, firstRow, endRow);
#endif
    const Body& body = *bodyOf(which);
    RowCache cache(source, columns, target.width, body);
    auto sums = allocate<uint32_t>(uint64_t(4) * uint64_t(target.width));
    if (!cache.ready() || !sums)
        return false;
    const uint32_t denominator = columns.total * rows.total;
    for (int32_t y = firstRow; y < endRow; ++y) {
        const Span& span = rows.spans[y];
        for (int32_t k = 0; k < span.count; ++k) {
            const uint32_t weight = k == 0 ? span.firstWeight : k == span.count - 1 ? span.lastWeight : rows.innerWeight;
            if (weight != 0 || k == 0)
                body.weigh(cache.row(span.first + k), weight, k == 0, target.width, sums.get());
        }
        body.finish(sums.get(), denominator, target.width, target.top + ptrdiff_t(y) * target.stride);
    }
    return true;
}

}  // namespace

int areaScaleBands(int32_t sourceWidth, int32_t sourceHeight, int32_t targetHeight, int threads)
{
    if (uint64_t(std::max(sourceWidth, 0)) * uint64_t(std::max(sourceHeight, 0)) < minAreaScaleThreadPixels)
        return 1;
    return std::clamp(std::min(threads, int(targetHeight / minAreaScaleBandRows)), 1, maxParallelBands);
}

AreaScaleBody fastestAreaScaleBody()
{
#if defined(__SSE2__)
    return AreaScaleBody::sse2;
#else
    return AreaScaleBody::plain;
#endif
}

bool hasAreaScaleBody(AreaScaleBody body)
{
    return bodyOf(body) != nullptr;
}

bool scaleByAreaAverage(const ConstPixelRows& source, const PixelRows& target, AreaScaleBody which, int threads)
{
    if (!bodyOf(which) || !source.top || !target.top || !usableDepth(source) || !usableSize(source.width, source.height) ||
        !usableSize(target.width, target.height))
        return false;
    uint64_t budgetX, budgetY;
    if (!chooseBudgets(neededDenominator(uint64_t(source.width), uint64_t(target.width)),
                       neededDenominator(uint64_t(source.height), uint64_t(target.height)), budgetX, budgetY))
        return false;
    AxisTable columns, rows;
    if (!buildAxis(source.width, target.width, budgetX, columns) ||
        !buildAxis(source.height, target.height, budgetY, rows))
        return false;
    const int bands = areaScaleBands(source.width, source.height, target.height, threads);
    bool scaled[maxParallelBands] = {};
    runParallelBands(bands, [&](int k) {
        scaled[k] = scaleRows(source, target, columns, rows, which, int32_t(int64_t(target.height) * k / bands),
                              int32_t(int64_t(target.height) * (k + 1) / bands));
    });
    return std::all_of(scaled, scaled + bands, [](bool ok) { return ok; });
}
