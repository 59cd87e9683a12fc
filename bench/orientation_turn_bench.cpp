// The screen of a 24 MP JPEG (6000 x 4000) on a 1280 x 720 screen, stored
// upright (orientation 1) and stored turned a quarter (orientation 6), in one
// run: the decode at the DCT scale chosen from the upright fit, the area
// scale to the fitted size and, for 6, the turn of that screen-size result.
// The turn alone is measured too; the ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "decode/common/fit_to_screen.h"
#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"
#include "picture/area_scale.h"
#include "picture/orientation_turn.h"
#include "jpeg_fixtures.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kWidth = 6000, kHeight = 4000, kScreenWidth = 1280, kScreenHeight = 720;

// Smooth ramps with a little texture, baseline 4:2:0 at quality 90, as a
// camera writes.
const std::vector<uint8_t>& photo()
{
    static const std::vector<uint8_t> bytes = compressJpeg(
        kWidth, kHeight, 3, JCS_RGB, 90, [](jpeg_compress_struct&) {},
        [](JDIMENSION y, std::vector<JSAMPLE>& row) {
            for (int32_t x = 0; x < kWidth; ++x) {
                row[3 * x] = uint8_t(x * 255 / kWidth);
                row[3 * x + 1] = uint8_t(y * 255 / kHeight);
                row[3 * x + 2] = uint8_t((x ^ y) & 0x1F);
            }
        });
    return bytes;
}

void screenOf(benchmark::State& state, Orientation orientation)
{
    const std::vector<uint8_t>& bytes = photo();
    const int eighths = chooseJpegScale(kWidth, kHeight, JpegStreamKind::chroma420, kScreenWidth, kScreenHeight, nullptr, orientation);
    const int32_t decodedWidth = jpegScaledSide(kWidth, eighths), decodedHeight = jpegScaledSide(kHeight, eighths);
    int32_t uprightWidth = kWidth, uprightHeight = kHeight;
    turnSides(orientation, uprightWidth, uprightHeight);
    const FittedSize fitted = fittedSize(uprightWidth, uprightHeight, kScreenWidth, kScreenHeight);
    int32_t storedWidth = fitted.width, storedHeight = fitted.height;
    turnSides(orientation, storedWidth, storedHeight);

    std::vector<uint8_t> decoded(size_t(4) * decodedWidth * decodedHeight);
    std::vector<uint8_t> stored(size_t(4) * fitted.width * fitted.height), screen(stored.size());
    const JpegRows rows{decoded.data(), 4 * decodedWidth, decodedWidth, decodedHeight, eighths};
    const ConstPixelRows from{decoded.data(), 4 * decodedWidth, decodedWidth, decodedHeight};
    const PixelRows storedRows{stored.data(), 4 * storedWidth, storedWidth, storedHeight};
    const PixelRows screenRows{screen.data(), 4 * fitted.width, fitted.width, fitted.height};
    for (auto _ : state) {
        JpegHeader header;
        benchmark::DoNotOptimize(decodeJpeg(bytes.data(), bytes.size(), header, &rows));
        if (orientation == Orientation::upright) {
            benchmark::DoNotOptimize(scaleByAreaAverage(from, screenRows));
        } else {
            benchmark::DoNotOptimize(scaleByAreaAverage(from, storedRows));
            benchmark::DoNotOptimize(turnPixels(storedRows, screenRows, orientation));
        }
        benchmark::ClobberMemory();
    }
    state.counters["eighths"] = eighths;
}

void BM_ScreenStoredUpright(benchmark::State& state) { screenOf(state, Orientation::upright); }
void BM_ScreenStoredClockwise(benchmark::State& state) { screenOf(state, Orientation::clockwise); }

// The turn of the fitted picture alone: 720 x 480 stored, 480 x 720 shown.
void BM_TurnOfTheFittedPicture(benchmark::State& state)
{
    std::vector<uint8_t> stored(size_t(4) * 720 * 480, 7), screen(stored.size());
    const PixelRows from{stored.data(), 4 * 720, 720, 480};
    const PixelRows to{screen.data(), 4 * 480, 480, 720};
    for (auto _ : state) {
        benchmark::DoNotOptimize(turnPixels(from, to, Orientation::clockwise));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_ScreenStoredUpright)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenStoredClockwise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnOfTheFittedPicture)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSpeed("BM_ScreenStoredClockwise", "BM_ScreenStoredUpright");
    reporter.printSpeed("BM_TurnOfTheFittedPicture", "BM_ScreenStoredUpright");
    return 0;
}
