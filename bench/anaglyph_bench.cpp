// composeAnaglyph on a 6000 x 4000 picture, as a single view and as a
// parallel pair, each measured against memcpy of the picture's bytes in the
// same run. ratio_to_memcpy = composition time / memcpy time.
//
// A result larger than its source (the 24-bit single view: 92 MB from
// 72 MB) needs a new array, and the first touch of its pages costs what it
// costs on the platform. fault_ms measures that alone, in the same run, on
// an array of the result's size touched once per 4 KiB page;
// ratio_beyond_faults = (composition - fault_ms) / memcpy.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>

#include "picture/anaglyph.h"
#include "picture/picture.h"

namespace {

constexpr int32_t benchWidth = 6000;
constexpr int32_t benchHeight = 4000;

// Smooth gradients with a little noise, roughly like a photograph.
Picture makePhoto(int32_t bitsPerPixel)
{
    Picture p;
    const size_t stride = static_cast<size_t>(bitsPerPixel / 8);
    p.width = benchWidth;
    p.height = benchHeight;
    p.bitsPerPixel = bitsPerPixel;
    p.pixels = allocateBytes(static_cast<size_t>(benchWidth) * benchHeight * stride);
    std::mt19937 noise(1);
    uint8_t* out = p.pixels.get();
    for (int32_t y = 0; y < benchHeight; ++y) {
        for (int32_t x = 0; x < benchWidth; ++x) {
            const int n = static_cast<int>(noise() % 16);
            if (stride == 4)
                *out++ = 0;
            *out++ = static_cast<uint8_t>(20 + x / 30 + n);
            *out++ = static_cast<uint8_t>(10 + y / 20 + n);
            *out++ = static_cast<uint8_t>(30 + (x + y) / 60 + n);
        }
    }
    return p;
}

// One translucent pixel sends a 32-bit picture down the operation-by-
// operation road: the cost of the composition as its steps read.
Picture makeTranslucentPhoto()
{
    Picture p = makePhoto(32);
    p.pixels[0] = 1;
    return p;
}

// bitsPerPixel 24 or 32; 0 for the 32-bit picture with one translucent pixel.
const Picture& photo(int32_t bitsPerPixel)
{
    static const Picture rgb = makePhoto(24);
    static const Picture trgb = makePhoto(32);
    static const Picture translucent = makeTranslucentPhoto();
    return bitsPerPixel == 24 ? rgb : bitsPerPixel == 32 ? trgb : translucent;
}

double secondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

void composeAgainstMemcpy(benchmark::State& state, const char16_t* name, int32_t bitsPerPixel)
{
    const Picture& source = photo(bitsPerPixel);
    const size_t bytes = static_cast<size_t>(source.pixelBytes());
    ByteArray copy = allocateBytes(bytes);
    std::memset(copy.get(), 1, bytes);  // no page faults inside the timed copy

    double composeSeconds = 0;
    double memcpySeconds = 0;
    double faultSeconds = 0;
    size_t resultBytes = 0;
    for (auto _ : state) {
        Picture picture;
        picture.assign(source);

        const auto start = std::chrono::steady_clock::now();
        std::memcpy(copy.get(), source.pixels.get(), bytes);
        benchmark::ClobberMemory();
        const auto copied = std::chrono::steady_clock::now();
        composeAnaglyph(picture, name);
        benchmark::DoNotOptimize(picture.pixels.get());
        benchmark::ClobberMemory();
        const auto composed = std::chrono::steady_clock::now();
        resultBytes = static_cast<size_t>(picture.pixelBytes());
        picture.clear();

        if (resultBytes > bytes) {
            const auto touching = std::chrono::steady_clock::now();
            ByteArray fresh = allocateBytes(resultBytes);
            for (size_t i = 0; i < resultBytes; i += 4096)
                fresh[i] = 1;
            benchmark::DoNotOptimize(fresh.get());
            benchmark::ClobberMemory();
            faultSeconds += secondsBetween(touching, std::chrono::steady_clock::now());
        }

        memcpySeconds += secondsBetween(start, copied);
        composeSeconds += secondsBetween(copied, composed);
        state.SetIterationTime(secondsBetween(copied, composed));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["memcpy_ms"] = memcpySeconds / runs * 1e3;
    state.counters["ratio_to_memcpy"] = composeSeconds / memcpySeconds;
    if (resultBytes > bytes) {
        state.counters["fault_ms"] = faultSeconds / runs * 1e3;
        state.counters["ratio_beyond_faults"] = (composeSeconds - faultSeconds) / memcpySeconds;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

BENCHMARK_CAPTURE(composeAgainstMemcpy, single_view_24bit, u"C:\\photos\\hills.jpg", 24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(composeAgainstMemcpy, parallel_pair_24bit, u"C:\\photos\\hills.stereo.jpg", 24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(composeAgainstMemcpy, single_view_32bit_opaque, u"C:\\photos\\hills.tga", 32)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(composeAgainstMemcpy, single_view_32bit_step_by_step, u"C:\\photos\\hills.tga", 0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
