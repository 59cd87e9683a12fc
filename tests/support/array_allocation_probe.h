// Replaces the nothrow array allocation that allocateBytes uses, so that a
// test sees the largest array a reader asked for. Requests above
// refusedAbove are answered with null, as on a machine without that memory:
// a reader that asks too much then fails at once instead of filling
// gigabytes. Defines functions, so include it in one file of a program only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>

namespace arrayAllocationProbe {
inline size_t largestRequest = 0;
constexpr size_t refusedAbove = size_t(256) << 20;
}  // namespace arrayAllocationProbe

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    arrayAllocationProbe::largestRequest = std::max(arrayAllocationProbe::largestRequest, size);
    if (size > arrayAllocationProbe::refusedAbove)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
