// The area-averaging scaler on a 4000 x 3000 picture shrunk to 960 x 720 (a
// 12 MP photo on a 1280 x 720 screen), plain and SSE2, next to a memcpy of
// the source in the same run, with the ratios printed at the end.

#include "picture/area_scale.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ratio_reporter.h"

namespace {

constexpr int32_t kWidth = 4000, kHeight = 3000;
constexpr int32_t kTargetWidth = 960, kTargetHeight = 720;

const std::vector<uint8_t>& source()
{
    static const std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> p(size_t(4) * kWidth * kHeight);
        uint32_t state = 12345;
        for (uint8_t& b : p) {
            state = state * 1664525u + 1013904223u;
            b = uint8_t(state >> 24);
        }
        return p;
    }();
    return pixels;
}

void runScale(benchmark::State& state, AreaScaleBody body)
{
    if (!hasAreaScaleBody(body)) {
        state.SkipWithError("body not in this build");
        return;
    }
    const std::vector<uint8_t>& pixels = source();
    std::vector<uint8_t> target(size_t(4) * kTargetWidth * kTargetHeight);
    // Bottom-up on both sides, as the screen's DIB sections are stored.
    const ConstPixelRows from{pixels.data() + size_t(4) * kWidth * (kHeight - 1), -4 * kWidth, kWidth, kHeight};
    const PixelRows to{target.data() + size_t(4) * kTargetWidth * (kTargetHeight - 1), -4 * kTargetWidth,
                       kTargetWidth, kTargetHeight};
    for (auto _ : state) {
        benchmark::DoNotOptimize(scaleByAreaAverage(from, to, body));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}

// The reference: one plain pass over the source in memory.
void BM_MemcpySource(benchmark::State& state)
{
    const std::vector<uint8_t>& pixels = source();
    std::vector<uint8_t> target(pixels.size(), 0);
    for (auto _ : state) {
        std::memcpy(target.data(), pixels.data(), pixels.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}

void BM_AreaScalePlain(benchmark::State& s) { runScale(s, AreaScaleBody::plain); }
void BM_AreaScaleSse2(benchmark::State& s) { runScale(s, AreaScaleBody::sse2); }

BENCHMARK(BM_MemcpySource)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaScalePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaScaleSse2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed relative to the reference (1.00 = as fast as one memcpy of the source;\n"
                "0.50 = two memcpy passes):\n");
    reporter.printSpeed("BM_AreaScalePlain", "BM_MemcpySource");
    reporter.printSpeed("BM_AreaScaleSse2", "BM_MemcpySource");
    benchmark::Shutdown();
    return 0;
}
