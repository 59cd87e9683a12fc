// What a decode at each DCT scale M/8 costs against the full-size decode of
// the same file, per kind of stream, with the libjpeg-turbo the program
// links, on one thread: the figures behind jpegScaleCost. The picture is
// photo-like (large-scale structure, mid-scale texture and per-pixel grain),
// 3840 x 2400 at quality 85 and 95. After the runs, one line per kind gives
// the time of M = 1..8 as a fraction of M = 8: the least processor time of
// five repetitions, which other work on the machine disturbs least. A second
// line per kind gives the figures behind the band split's reading share:
// each scale's decode less the reading of its blocks alone (every row
// skipped but the last), per pixel, in hundredths of the reading per byte.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"
#include "jpeg_fixtures.h"

namespace {

constexpr int32_t kWidth = 3840, kHeight = 2400;

// Smooth value noise: a lattice of random levels every `cell` pixels,
// blended bilinearly.
class ValueNoise {
public:
    ValueNoise(int cell, uint32_t seed) : cell_(cell), across_(kWidth / cell + 2), levels_(size_t(across_) * (kHeight / cell + 2))
    {
        for (float& level : levels_)
            level = float(next(seed) % 1024) / 1023.0f;
    }

    float at(int32_t x, int32_t y) const
    {
        const float fx = float(x) / float(cell_), fy = float(y) / float(cell_);
        const int ix = int(fx), iy = int(fy);
        const float tx = fx - float(ix), ty = fy - float(iy);
        const float top = lattice(ix, iy) * (1 - tx) + lattice(ix + 1, iy) * tx;
        const float bottom = lattice(ix, iy + 1) * (1 - tx) + lattice(ix + 1, iy + 1) * tx;
        return top * (1 - ty) + bottom * ty;
    }

    static uint32_t next(uint32_t& state)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }

private:
    float lattice(int x, int y) const { return levels_[size_t(y) * size_t(across_) + size_t(x)]; }

    int cell_, across_;
    std::vector<float> levels_;
};

// R,G,B rows of the photo-like picture, top first.
const std::vector<uint8_t>& photo()
{
    static const std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> rgb(size_t(3) * kWidth * kHeight);
        const ValueNoise broad[3] = {{480, 11}, {480, 23}, {480, 37}};
        const ValueNoise texture(24, 41), fine(4, 53);
        uint32_t grain = 97;
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const float detail = 60 * (texture.at(x, y) - 0.5f) + 24 * (fine.at(x, y) - 0.5f);
                for (int c = 0; c < 3; ++c) {
                    const float noise = float(int(ValueNoise::next(grain) % 9) - 4);
                    const float level = 30 + 190 * broad[c].at(x, y) + detail + noise;
                    rgb[(size_t(y) * kWidth + size_t(x)) * 3 + size_t(c)] =
                        uint8_t(std::lround(std::fmin(255.0f, std::fmax(0.0f, level))));
                }
            }
        return rgb;
    }();
    return pixels;
}

struct Kind {
    const char* name;
    int components, hFactor, vFactor;  // the luma's sampling factors
    bool progressive;
};

const Kind kinds[] = {
    {"420", 3, 2, 2, false},         {"422", 3, 2, 1, false}, {"444", 3, 1, 1, false},
    {"grey", 1, 1, 1, false},        {"progressive420", 3, 2, 2, true},
    {"progressive444", 3, 1, 1, true},
};
const int qualities[] = {85, 95};

std::vector<uint8_t> encode(const Kind& kind, int quality)
{
    const std::vector<uint8_t>& rgb = photo();
    return compressJpeg(
        kWidth, kHeight, kind.components, kind.components == 1 ? JCS_GRAYSCALE : JCS_RGB, quality,
        [&](jpeg_compress_struct& info) {
            info.comp_info[0].h_samp_factor = kind.hFactor;
            info.comp_info[0].v_samp_factor = kind.vFactor;
            if (kind.progressive)
                jpeg_simple_progression(&info);
        },
        [&](JDIMENSION y, std::vector<JSAMPLE>& row) {
            const uint8_t* source = rgb.data() + size_t(y) * kWidth * 3;
            for (int32_t x = 0; x < kWidth; ++x)
                if (kind.components == 1)
                    row[size_t(x)] = JSAMPLE((source[3 * x] * 77 + source[3 * x + 1] * 150 + source[3 * x + 2] * 29) >> 8);
                else
                    for (int c = 0; c < 3; ++c)
                        row[size_t(x) * 3 + size_t(c)] = source[3 * x + c];
        });
}

// Console output as usual, keeping each benchmark's least processor time.
class LeastTimeReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> cpuTime;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "least")
                cpuTime[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
};

double least(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

std::string nameOf(const Kind& kind, int quality, int eighths, const char* family = "Decode")
{
    return std::string(family) + "/" + kind.name + "/q" + std::to_string(quality) + "/" + std::to_string(eighths) +
           "_8";
}

// The blocks read and every row but the last skipped untransformed: what
// each band's decoder spends on the rows above its band.
void readOnly(const std::vector<uint8_t>& bytes, int eighths, uint8_t* lastRow)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX;
    info.scale_num = static_cast<unsigned int>(eighths);
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    jpeg_skip_scanlines(&info, info.output_height - 1);
    jpeg_read_scanlines(&info, &lastRow, 1);
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
}

double cpuTimeOf(const LeastTimeReporter& reporter, const std::string& name)
{
    const auto found = reporter.cpuTime.find(name);
    return found == reporter.cpuTime.end() ? 0 : found->second;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::vector<std::vector<uint8_t>> streams;
    streams.reserve(std::size(kinds) * std::size(qualities));
    for (const Kind& kind : kinds)
        for (int quality : qualities) {
            streams.push_back(encode(kind, quality));
            const std::vector<uint8_t>* bytes = &streams.back();
            for (int eighths = 1; eighths <= jpegFullScaleEighths; ++eighths)
                benchmark::RegisterBenchmark(nameOf(kind, quality, eighths).c_str(), [=](benchmark::State& state) {
                    const int32_t width = jpegScaledSide(kWidth, eighths), height = jpegScaledSide(kHeight, eighths);
                    for (auto _ : state) {
                        // Fresh memory each time, as the viewer's bitmaps are:
                        // the first touch of its pages is part of the cost.
                        std::unique_ptr<uint8_t[]> pixels(new uint8_t[size_t(4) * width * height]);
                        const JpegRows rows{pixels.get(), 4 * width, width, height, eighths};
                        JpegHeader header;
                        benchmark::DoNotOptimize(decodeJpeg(bytes->data(), bytes->size(), header, &rows, 1));
                        benchmark::ClobberMemory();
                    }
                })
                    ->Unit(benchmark::kMillisecond)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true)
                    ->ComputeStatistics("least", least);
            for (int eighths = 1; eighths <= jpegFullScaleEighths; ++eighths)
                benchmark::RegisterBenchmark(nameOf(kind, quality, eighths, "Read").c_str(),
                                             [=](benchmark::State& state) {
                                                 std::vector<uint8_t> lastRow(size_t(4) * kWidth);
                                                 for (auto _ : state)
                                                     readOnly(*bytes, eighths, lastRow.data());
                                             })
                    ->Unit(benchmark::kMillisecond)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true)
                    ->ComputeStatistics("least", least);
        }
    LeastTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("cost of M/8 against 8/8, M = 1..8\n");
    size_t stream = 0;
    for (const Kind& kind : kinds)
        for (int quality : qualities) {
            const auto full = reporter.cpuTime.find(nameOf(kind, quality, jpegFullScaleEighths));
            std::printf("%-16s q%d %6zu KB:", kind.name, quality, streams[stream++].size() / 1024);
            for (int eighths = 1; full != reporter.cpuTime.end() && eighths <= jpegFullScaleEighths; ++eighths) {
                const auto own = reporter.cpuTime.find(nameOf(kind, quality, eighths));
                if (own != reporter.cpuTime.end())
                    std::printf(" %.2f", own->second / full->second);
            }
            std::printf("\n");
        }
    std::printf("transform per pixel at M/8, M = 1..8, in hundredths of the reading of one byte\n");
    stream = 0;
    for (const Kind& kind : kinds)
        for (int quality : qualities) {
            const double perByte = cpuTimeOf(reporter, nameOf(kind, quality, jpegFullScaleEighths, "Read")) /
                                   double(streams[stream++].size());
            std::printf("%-16s q%d:", kind.name, quality);
            for (int eighths = 1; perByte > 0 && eighths <= jpegFullScaleEighths; ++eighths) {
                const double transform = cpuTimeOf(reporter, nameOf(kind, quality, eighths)) -
                                         cpuTimeOf(reporter, nameOf(kind, quality, eighths, "Read"));
                std::printf(" %.0f", 100 * transform / (double(kWidth) * kHeight) / perByte);
            }
            std::printf("\n");
        }
    benchmark::Shutdown();
    return 0;
}
