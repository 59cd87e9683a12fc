// The axis tables of the area-averaging scale: for each target pixel along
// one axis, its first source pixel, how many it covers and their integer
// weights. Shared by the scale's driver and its bodies.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

namespace areascale {

// Sums stay below 255 * 2^22 < 2^30, so every lane is a non-negative 32-bit
// integer and the final quotient is exact in a double.
inline constexpr uint64_t maxDenominator = uint64_t(1) << 22;
// Per axis unless the other axis leaves room: weights then fit the signed
// 16-bit lanes of the SSE2 multiply-add.
inline constexpr uint64_t axisDenominator = 2048;
// Vertically, when a span has few enough rows: a column's weighted sum of
// 8-bit values then stays below 2^15, and the SSE2 body adds the rows up in
// 16-bit lanes before the horizontal pass.
inline constexpr uint64_t shortSpanDenominator = 128;

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
uint64_t neededDenominator(uint64_t source, uint64_t target);

// Fills axis for sourceSize pixels onto targetSize ones, with weights of a
// denominator of at most budget unless they are exact; false when the table
// cannot be allocated.
bool buildAxis(int32_t sourceSize, int32_t targetSize, uint64_t budget, AxisTable& axis);

// Denominators for both axes whose product stays within maxDenominator;
// false when no such pair leaves every whole pixel a weight.
bool chooseBudgets(uint64_t neededX, uint64_t neededY, uint64_t& budgetX, uint64_t& budgetY);

}  // namespace areascale
