// Work split into bands that run at once: band 0 on the calling thread, the
// others on threads of their own, all finished before it returns.
#pragma once

#include <system_error>
#include <thread>

constexpr int maxParallelBands = 4;

// The threads a split may use: one per core, up to maxParallelBands.
inline int parallelBandThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 1 ? 1 : cores > maxParallelBands ? maxParallelBands : static_cast<int>(cores);
}

// Calls band(k) for k in [0, count), count at most maxParallelBands. A band
// that gets no thread runs on the calling thread.
template <typename Band>
void runParallelBands(int count, const Band& band)
{
    std::thread threads[maxParallelBands];
    for (int k = 1; k < count; ++k) {
        try {
            threads[k] = std::thread(band, k);
        } catch (const std::system_error&) {
            band(k);
        }
    }
    band(0);
    for (int k = 1; k < count; ++k)
        if (threads[k].joinable())
            threads[k].join();
}
