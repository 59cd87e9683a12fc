// The most heap bytes held at once while a function runs, counted through
// AddressSanitizer's allocation hooks: every allocation of every thread, the
// libraries' included. Without AddressSanitizer nothing is counted.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELLORA_HEAP_PEAK 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace heappeak {

#ifdef VELLORA_HEAP_PEAK
constexpr bool available = true;

inline std::atomic<bool> counting{false};
inline std::atomic<int64_t> live{0};
inline std::atomic<int64_t> peak{0};

inline void onAllocate(const volatile void*, size_t size)
{
    if (!counting)
        return;
    const int64_t now = live += int64_t(size);
    int64_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
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
    live = 0;
    peak = 0;
    counting = true;
    run();
    counting = false;
    return peak;
}
#else
constexpr bool available = false;

template <typename Run>
int64_t peakDuring(Run run)
{
    run();
    return 0;
}
#endif

}  // namespace heappeak
