// Source rows of the area-averaging scale as 32-bit B, G, R, x pixels:
// 32-bit rows are read in place, narrower ones widened on demand into a
// ring of rows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "picture/area_scale.h"
#include "picture/area_scale_axis.h"

namespace areascale {

// One source row as 32-bit B, G, R, x pixels; 24-bit pixels get x = 0.
void widenRow(const ConstPixelRows& source, const uint8_t* row, uint32_t* out);

// Source rows as 32-bit pixels: in place, or widened into a ring of rows
// that holds any capacity consecutive ones.
class WideRows {
public:
    WideRows(const ConstPixelRows& source, int32_t capacity) : source_(source), capacity_(capacity)
    {
        if (source.bitsPerPixel == 32)
            return;
        ring_ = allocate<uint32_t>(uint64_t(source.width) * uint64_t(capacity));
        index_ = allocate<int32_t>(uint64_t(capacity));
        if (index_)
            std::fill_n(index_.get(), capacity, -1);
    }
    bool ready() const { return source_.bitsPerPixel == 32 || (ring_ && index_); }
    const uint8_t* row(int32_t y)
    {
        const uint8_t* stored = source_.top + ptrdiff_t(y) * source_.stride;
        if (source_.bitsPerPixel == 32)
            return stored;
        const int32_t slot = y % capacity_;
        uint32_t* wide = ring_.get() + size_t(slot) * size_t(source_.width);
        if (index_[slot] != y) {
            widenRow(source_, stored, wide);
            index_[slot] = y;
        }
        return reinterpret_cast<const uint8_t*>(wide);
    }

private:
    const ConstPixelRows& source_;
    int32_t capacity_;
    std::unique_ptr<uint32_t[]> ring_;
    std::unique_ptr<int32_t[]> index_;
};

}  // namespace areascale
