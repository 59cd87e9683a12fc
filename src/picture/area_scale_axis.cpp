#include "picture/area_scale_axis.h"

#include <algorithm>
#include <numeric>

namespace areascale {

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

}  // namespace areascale
