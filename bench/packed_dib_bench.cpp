// toPackedDib on a 6000 x 4000 picture at 24 and 32 bits, each next to a
// memcpy of the same picture's bytes, with the ratios printed at the end.

#include "picture/picture.h"

#include <benchmark/benchmark.h>

#include <cstring>

#include "ratio_reporter.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// Varied bytes, so that the 32-bit paths meet every transparency level.
Picture makeNoisyPicture(int32_t bitsPerPixel)
{
    Picture p;
    p.width = kWidth;
    p.height = kHeight;
    p.bitsPerPixel = bitsPerPixel;
    const size_t n = static_cast<size_t>(p.pixelBytes());
    p.pixels = allocateBytes(n);
    uint32_t state = 12345;
    for (size_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        p.pixels[i] = static_cast<uint8_t>(state >> 24);
    }
    return p;
}

const Picture& picture(int32_t bitsPerPixel)
{
    static const Picture rgb = makeNoisyPicture(24);
    static const Picture trgb = makeNoisyPicture(32);
    return bitsPerPixel == 24 ? rgb : trgb;
}

void runToPackedDib(benchmark::State& state, int32_t bitsPerPixel, bool premultiply)
{
    const Picture& p = picture(bitsPerPixel);
    for (auto _ : state) {
        ByteArray dib = p.toPackedDib(0, premultiply);
        benchmark::DoNotOptimize(dib.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(p.pixelBytes()));
}

// The reference: the same bytes copied into a buffer that already exists.
void runMemcpy(benchmark::State& state, int32_t bitsPerPixel)
{
    const Picture& p = picture(bitsPerPixel);
    const size_t n = static_cast<size_t>(p.pixelBytes());
    ByteArray target = allocateBytes(n);
    std::memset(target.get(), 0, n);
    for (auto _ : state) {
        std::memcpy(target.get(), p.pixels.get(), n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// toPackedDib hands back fresh memory each time; this reference pays for
// the same fresh allocation and first touch of its pages.
void runAllocateAndMemcpy(benchmark::State& state, int32_t bitsPerPixel)
{
    const Picture& p = picture(bitsPerPixel);
    const size_t n = static_cast<size_t>(p.pixelBytes());
    for (auto _ : state) {
        ByteArray target = allocateBytes(n);
        std::memcpy(target.get(), p.pixels.get(), n);
        benchmark::DoNotOptimize(target.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

void BM_ToPackedDib24(benchmark::State& s) { runToPackedDib(s, 24, true); }
void BM_ToPackedDib32Premultiplied(benchmark::State& s) { runToPackedDib(s, 32, true); }
void BM_ToPackedDib32Flattened(benchmark::State& s) { runToPackedDib(s, 32, false); }
void BM_Memcpy24(benchmark::State& s) { runMemcpy(s, 24); }
void BM_Memcpy32(benchmark::State& s) { runMemcpy(s, 32); }
void BM_AllocateAndMemcpy24(benchmark::State& s) { runAllocateAndMemcpy(s, 24); }
void BM_AllocateAndMemcpy32(benchmark::State& s) { runAllocateAndMemcpy(s, 32); }

BENCHMARK(BM_ToPackedDib24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllocateAndMemcpy24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToPackedDib32Premultiplied)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToPackedDib32Flattened)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllocateAndMemcpy32)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed relative to the reference (1.00 = as fast):\n");
    reporter.printSpeed("BM_ToPackedDib24", "BM_Memcpy24");
    reporter.printSpeed("BM_ToPackedDib24", "BM_AllocateAndMemcpy24");
    reporter.printSpeed("BM_ToPackedDib32Premultiplied", "BM_Memcpy32");
    reporter.printSpeed("BM_ToPackedDib32Premultiplied", "BM_AllocateAndMemcpy32");
    reporter.printSpeed("BM_ToPackedDib32Flattened", "BM_Memcpy32");
    reporter.printSpeed("BM_ToPackedDib32Flattened", "BM_AllocateAndMemcpy32");
    benchmark::Shutdown();
    return 0;
}
