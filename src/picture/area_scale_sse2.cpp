#include "picture/area_scale_bodies.h"

#if defined(__SSE2__)

#include <algorithm>
#include <cstring>

#include <emmintrin.h>

#include "picture/area_scale_wide_rows.h"

namespace areascale {

namespace {

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

}  // namespace

const Body sse2Body{horizontalSse2, weighSse2, finishSse2};

// Rows first when the vertical sums fit 16-bit lanes: the horizontal pass,
// the costly one, then runs once per target row instead of once per source
// row. The integers are those of the row-by-row order, so the bytes are too.
bool scaleColumnsFirstSse2(const ConstPixelRows& source, const PixelRows& target, const AxisTable& columns,
                           const AxisTable& rows, int32_t firstRow, int32_t endRow)
{
    int32_t longest = 1;
    for (int32_t y = firstRow; y < endRow; ++y)
        longest = std::max(longest, rows.spans[y].count);
    WideRows wide(source, longest + 1);
    auto sums = allocate<uint16_t>(uint64_t(4) * uint64_t(source.width));
    auto spanRows = allocate<const uint8_t*>(uint64_t(longest));
    auto weights = allocate<__m128i>(uint64_t(longest));
    if (!wide.ready() || !sums || !spanRows || !weights)
        return false;
    const uint32_t denominator = columns.total * rows.total;
    for (int32_t y = firstRow; y < endRow; ++y) {
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

}  // namespace areascale

#endif
