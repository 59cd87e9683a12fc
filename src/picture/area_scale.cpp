#include "picture/area_scale.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>

#include "picture/pixel_array_limit.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Sums stay below 255 * 2^22 < 2^30, so every lane is a non-negative 32-bit
// integer and the final quotient is exact in a double.
constexpr uint64_t maxDenominator = uint64_t(1) << 22;
// Per axis unless the other axis leaves room: weights then fit the signed
// 16-bit lanes of the SSE2 multiply-add.
constexpr uint64_t axisDenominator = 2048;
// Vertically, when a span has few enough rows: a column's weighted sum of
// 8-bit values then stays below 2^15, and the SSE2 body adds the rows up in
// 16-bit lanes before the horizontal pass.
constexpr uint64_t shortSpanDenominator = 128;

// One target pixel's source pixels along an axis: first, count, and the
// weights of the first and last one (the last is 0 when count is 1).
struct Span {
    int32_t first;
    int32_t count;
    uint16_t firstWeight;
    uint16_t lastWeight;
};

// An axis of the scale: spans per target pixel, the weight of every pixel
// that lies wholly inside a target pixel, and the sum of one span's weights.
struct AxisTable {
    std::unique_ptr<Span[]> spans;
    uint32_t innerWeight = 0;
    uint32_t total = 0;
};

template <typename T>
std::unique_ptr<T[]> allocate(uint64_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

// Least denominator that still gives a whole pixel a weight of 1 or more.
uint64_t neededDenominator(uint64_t source, uint64_t target)
{
    return (source + target - 1) / target + 2;
}

// Target pixel i covers [i * source, (i + 1) * source) and source pixel j
// covers [j * target, (j + 1) * target) on a common integer lattice. With
// source / gcd steps or fewer per span the weights are the exact lattice
// overlaps over the gcd; otherwise they are rounded to a denominator of at
// most budget, the last pixel taking up the rounding.
bool buildAxis(int32_t sourceSize, int32_t targetSize, uint64_t budget, AxisTable& axis)
{
    const uint64_t source = uint64_t(sourceSize), target = uint64_t(targetSize);
    axis.spans = allocate<Span>(target);
    if (!axis.spans)
        return false;
    const uint64_t common = std::gcd(source, target);
    const bool exact = source / common <= budget;
    const uint64_t inner = exact ? target / common : budget * target / source;
    const uint64_t total = exact ? source / common : (2 * inner * source + target) / (2 * target);
    axis.innerWeight = uint32_t(inner);
    axis.total = uint32_t(total);
    for (uint64_t i = 0; i < target; ++i) {
        const uint64_t low = i * source, high = low + source;
        const uint64_t first = low / target, last = (high - 1) / target;
        Span& span = axis.spans[i];
        span.first = int32_t(first);
        span.count = int32_t(last - first + 1);
        if (first == last) {
            span.firstWeight = uint16_t(total);
            span.lastWeight = 0;
            continue;
        }
        const uint64_t firstOverlap = (first + 1) * target - low;
        const uint64_t innerSum = (last - first - 1) * inner;
        uint64_t firstWeight, lastWeight;
        if (exact) {
            firstWeight = firstOverlap / common;
            lastWeight = (high - last * target) / common;
        } else {
            firstWeight = (2 * inner * firstOverlap + target) / (2 * target);
            if (firstWeight + innerSum > total)
                firstWeight = total - innerSum;
            lastWeight = total - innerSum - firstWeight;
        }
        span.firstWeight = uint16_t(firstWeight);
        span.lastWeight = uint16_t(lastWeight);
    }
    return true;
}

// Denominators for both axes whose product stays within maxDenominator: 2048
// each (128 vertically for short spans), or as much as a very long axis
// needs with the rest for the other.
bool chooseBudgets(uint64_t neededX, uint64_t neededY, uint64_t& budgetX, uint64_t& budgetY)
{
    if (neededX * neededY > maxDenominator)
        return false;
    budgetX = axisDenominator;
    budgetY = neededY <= shortSpanDenominator ? shortSpanDenominator : axisDenominator;
    if (neededX > axisDenominator) {
        budgetX = neededX;
        budgetY = std::min(budgetY, maxDenominator / neededX);
    } else if (neededY > axisDenominator) {
        budgetY = neededY;
        budgetX = maxDenominator / neededY;
    }
    return true;
}

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

const Body plainBody{horizontalPlain, weighPlain, finishPlain};

#if defined(__SSE2__)

inline __m128i loadPixel(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}

// Each multiply-add pairs one channel of two pixels with two 16-bit weights.
void horizontalSse2(const uint8_t* row, const AxisTable& axis, int32_t targetWidth, uint32_t* sums)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i innerPair = _mm_set1_epi32(int32_t(axis.innerWeight | axis.innerWeight << 16));
    for (int32_t x = 0; x < targetWidth; ++x) {
        const Span& span = axis.spans[x];
        const uint8_t* first = pixelAt(row, span.first);
        // B0 B1 G0 G1 R0 R1 x0 x1 of the first and last pixel.
        const __m128i edges = _mm_unpacklo_epi8(
            _mm_unpacklo_epi8(loadPixel(first), loadPixel(pixelAt(first, span.count - 1))), zero);
        __m128i sum = _mm_madd_epi16(edges, _mm_set1_epi32(int32_t(span.firstWeight | span.lastWeight << 16)));
        const uint8_t* p = first + 4;
        int32_t inner = span.count - 2;
        for (; inner >= 4; inner -= 4, p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i low = _mm_unpacklo_epi8(v, zero), high = _mm_unpackhi_epi8(v, zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(low, high), innerPair));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpackhi_epi16(low, high), innerPair));
        }
        if (inner >= 2) {
            const __m128i low = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(low, _mm_srli_si128(low, 8)), innerPair));
            inner -= 2;
            p += 8;
        }
        if (inner == 1) {
            const __m128i low = _mm_unpacklo_epi8(loadPixel(p), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(low, zero), innerPair));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4 * x), sum);
    }
}

// Products stay below 2^30, so the low halves of the 64-bit products are
// the whole products.
void weighSse2(const uint32_t* row, uint32_t weight, bool start, int32_t targetWidth, uint32_t* sums)
{
    const __m128i w = _mm_set1_epi32(int32_t(weight));
    for (int32_t x = 0; x < targetWidth; ++x) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * x));
        const __m128i even = _mm_mul_epu32(v, w);
        const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(v, 32), w);
        __m128i product = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        __m128i* target = reinterpret_cast<__m128i*>(sums + 4 * x);
        if (!start)
            product = _mm_add_epi32(product, _mm_loadu_si128(target));
        _mm_storeu_si128(target, product);
    }
}

// floor(sum / d + 1/2): sum < 2^30 and d <= 2^22 are exact doubles, so the
// product is off by less than 2^-43 while a fraction short of the next
// integer is at least 2^-23 short; adding 2^-30 lifts the exact halves that
// the product may have put just below.
void finishSse2(const uint32_t* sums, uint32_t denominator, int32_t targetWidth, uint8_t* out)
{
    const __m128d reciprocal = _mm_set1_pd(1.0 / double(denominator));
    const __m128d half = _mm_set1_pd(0.5 + 1.0 / double(1 << 30));
    for (int32_t x = 0; x < targetWidth; ++x) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * x));
        const __m128i low = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(v), reciprocal), half));
        const __m128i high =
            _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(v, 8)), reciprocal), half));
        const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(low, high), low);
        const int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(out + 4 * x, &pixel, 4);
    }
}

const Body sse2Body{horizontalSse2, weighSse2, finishSse2};

#endif

// Pixels are handled as host-order words; the layouts are little-endian, as
// every target of this program is.
inline uint32_t loadWord(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// One source row as 32-bit B, G, R, x pixels; 24-bit pixels get x = 0.
void widenRow(const ConstPixelRows& source, const uint8_t* row, uint32_t* out)
{
    const int32_t width = source.width;
    if (source.bitsPerPixel == 24) {
        // Four pixels are three words.
        int32_t x = 0;
        for (; x + 4 <= width; x += 4, row += 12) {
            const uint32_t a = loadWord(row), b = loadWord(row + 4), c = loadWord(row + 8);
            out[x] = a & 0xFFFFFF;
            out[x + 1] = (a >> 24 | b << 8) & 0xFFFFFF;
            out[x + 2] = (b >> 16 | c << 16) & 0xFFFFFF;
            out[x + 3] = c >> 8;
        }
        for (; x < width; ++x, row += 3)
            out[x] = uint32_t(row[0]) | uint32_t(row[1]) << 8 | uint32_t(row[2]) << 16;
    } else if (source.bitsPerPixel == 8) {
        for (int32_t x = 0; x < width; ++x)
            out[x] = source.colours[row[x]];
    } else {
        for (int32_t x = 0; x < width; ++x)
            out[x] = source.colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
    }
}

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

#if defined(__SSE2__)

// Column sums of one span of rows: 16-bit lanes, each at most 255 * 128.
void verticalSumsSse2(const uint8_t* const* rows, const __m128i* weights, int32_t count, int32_t width,
                      uint16_t* sums)
{
    const __m128i zero = _mm_setzero_si128();
    int32_t x = 0;
    // A whole cache line of every row at a time.
    for (; x + 16 <= width; x += 16) {
        __m128i sum[8] = {zero, zero, zero, zero, zero, zero, zero, zero};
        for (int32_t k = 0; k < count; ++k) {
            const __m128i* line = reinterpret_cast<const __m128i*>(rows[k] + 4 * x);
            for (int i = 0; i < 4; ++i) {
                const __m128i v = _mm_loadu_si128(line + i);
                sum[2 * i] = _mm_add_epi16(sum[2 * i], _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), weights[k]));
                sum[2 * i + 1] =
                    _mm_add_epi16(sum[2 * i + 1], _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), weights[k]));
            }
        }
        for (int i = 0; i < 8; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4 * x + 8 * i), sum[i]);
    }
    for (; x + 4 <= width; x += 4) {
        __m128i low = zero, high = zero;
        for (int32_t k = 0; k < count; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + 4 * x));
            low = _mm_add_epi16(low, _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), weights[k]));
            high = _mm_add_epi16(high, _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), weights[k]));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4 * x), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4 * x + 8), high);
    }
    for (; x < width; ++x) {
        __m128i sum = zero;
        for (int32_t k = 0; k < count; ++k)
            sum = _mm_add_epi16(sum, _mm_mullo_epi16(_mm_unpacklo_epi8(loadPixel(rows[k] + 4 * x), zero), weights[k]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(sums + 4 * x), sum);
    }
}

// The horizontal pass over one row of column sums, divided and written as
// pixels.
void horizontalFinishSse2(const uint16_t* sums, const AxisTable& axis, uint32_t denominator, int32_t targetWidth,
                          uint8_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i innerPair = _mm_set1_epi32(int32_t(axis.innerWeight | axis.innerWeight << 16));
    const __m128d reciprocal = _mm_set1_pd(1.0 / double(denominator));
    const __m128d half = _mm_set1_pd(0.5 + 1.0 / double(1 << 30));
    for (int32_t x = 0; x < targetWidth; ++x) {
        const Span& span = axis.spans[x];
        const uint16_t* first = sums + 4 * size_t(span.first);
        const __m128i edges =
            _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + 4 * (span.count - 1))));
        __m128i sum = _mm_madd_epi16(edges, _mm_set1_epi32(int32_t(span.firstWeight | span.lastWeight << 16)));
        const uint16_t* p = first + 4;
        int32_t inner = span.count - 2;
        for (; inner >= 4; inner -= 4, p += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), innerPair));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), innerPair));
        }
        if (inner >= 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, _mm_srli_si128(a, 8)), innerPair));
            inner -= 2;
            p += 8;
        }
        if (inner == 1)
            sum = _mm_add_epi32(
                sum, _mm_madd_epi16(_mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero),
                                    innerPair));
        const __m128i low = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(sum), reciprocal), half));
        const __m128i high =
            _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(sum, 8)), reciprocal), half));
        const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(low, high), low);
        const int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(out + 4 * size_t(x), &pixel, 4);
    }
}

// Rows first when the vertical sums fit 16-bit lanes: the horizontal pass,
// the costly one, then runs once per target row instead of once per source
// row. The integers are those of the row-by-row order, so the bytes are too.
bool scaleColumnsFirstSse2(const ConstPixelRows& source, const PixelRows& target, const AxisTable& columns,
                           const AxisTable& rows)
{
    int32_t longest = 1;
    for (int32_t y = 0; y < target.height; ++y)
        longest = std::max(longest, rows.spans[y].count);
    WideRows wide(source, longest + 1);
    auto sums = allocate<uint16_t>(uint64_t(4) * uint64_t(source.width));
    auto spanRows = allocate<const uint8_t*>(uint64_t(longest));
    auto weights = allocate<__m128i>(uint64_t(longest));
    if (!wide.ready() || !sums || !spanRows || !weights)
        return false;
    const uint32_t denominator = columns.total * rows.total;
    for (int32_t y = 0; y < target.height; ++y) {
        const Span& span = rows.spans[y];
        for (int32_t k = 0; k < span.count; ++k) {
            spanRows[k] = wide.row(span.first + k);
            const uint32_t weight = k == 0 ? span.firstWeight : k == span.count - 1 ? span.lastWeight : rows.innerWeight;
            weights[k] = _mm_set1_epi16(int16_t(weight));
        }
        verticalSumsSse2(spanRows.get(), weights.get(), span.count, source.width, sums.get());
        horizontalFinishSse2(sums.get(), columns, denominator, target.width, target.top + ptrdiff_t(y) * target.stride);
    }
    return true;
}

#endif

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

}  // namespace

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

bool scaleByAreaAverage(const ConstPixelRows& source, const PixelRows& target, AreaScaleBody which)
{
    const Body* body = bodyOf(which);
    if (!body || !source.top || !target.top || !usableDepth(source) || !usableSize(source.width, source.height) ||
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
#if defined(__SSE2__)
    if (which == AreaScaleBody::sse2 && rows.total <= shortSpanDenominator)
        return scaleColumnsFirstSse2(source, target, columns, rows);
#endif
    RowCache cache(source, columns, target.width, *body);
    auto sums = allocate<uint32_t>(uint64_t(4) * uint64_t(target.width));
    if (!cache.ready() || !sums)
        return false;
    const uint32_t denominator = columns.total * rows.total;
    for (int32_t y = 0; y < target.height; ++y) {
        const Span& span = rows.spans[y];
        for (int32_t k = 0; k < span.count; ++k) {
            const uint32_t weight = k == 0 ? span.firstWeight : k == span.count - 1 ? span.lastWeight : rows.innerWeight;
            if (weight != 0 || k == 0)
                body->weigh(cache.row(span.first + k), weight, k == 0, target.width, sums.get());
        }
        body->finish(sums.get(), denominator, target.width, target.top + ptrdiff_t(y) * target.stride);
    }
    return true;
}
