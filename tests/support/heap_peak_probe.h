// The most heap bytes held at once while a function runs, counted through
// AddressSanitizer's allocation hooks: every allocation of every thread, the
// libraries' included. For programs of the sanitizer build only.
#pragma once

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace heappeak {

inline std::atomic<bool> counting{false};
inline std::atomic<int64_t> live{0}, peak{0};

inline void onAllocate(const volatile void*, size_t size)
{
    if (!counting)
        return;
    const int64_t now = live += int64_t(size);
    for (int64_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
}

inline void onFree(const volatile void* block)
{
    if (counting && block)
        live -= int64_t(__sanitizer_get_allocated_size(block));
}

// Bytes beyond those held before run(), at the most.
template <typename Run>
int64_t peakDuring(Run run)
{
    static const int installed = __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree);
    (void)installed;
    live = peak = 0;
    counting = true;
    run();
    counting = false;
    return peak;
}

}  // namespace heappeak
