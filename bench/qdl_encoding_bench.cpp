// Which QDL compression gets a converted WebP picture onto the screen
// soonest: for each WebP file given, its first frame is decoded once, then
// every compression of its pixel type is timed writing (encoding and writing
// the file, as the converter does) and reading (the whole-file read and the
// parse, as the viewer does), beside a memcpy of the picture's pixel bytes.
// The file is temporary, read once and deleted, so its size only counts
// through these two times.
//
//   qdl_encoding_bench [benchmark options] FILE.webp...
//
// For example 4096 x 4096 pictures made by ImageMagick (plasma:fractal with
// noise for a photograph, flat shapes for a drawing) and cwebp -q 80 or
// -lossless.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "ratio_reporter.h"

#include "decode/common/file_bytes.h"
#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_writer.h"
#include "decode/libraries/webp_first_frame.h"
#include "picture/pixel_array_limit.h"

namespace {

namespace fs = std::filesystem;

constexpr int lastCompression[6] = {1, 1, 4, 1, 2, 3};

const fs::path qdlPath = fs::temp_directory_path() / ("qdl_encoding_bench." + std::to_string(getpid()) + ".qdl");

bool writeFile(const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(qdlPath.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void writeQdl(benchmark::State& state, const Picture* picture, int compression)
{
    std::vector<uint8_t> file;
    for (auto _ : state) {
        if (writeQdlImage(*picture, naturalQdlPixelType(*picture), compression, file) != QdlWriteResult::written ||
            !writeFile(file))
            state.SkipWithError("cannot write");
    }
    state.counters["MB"] = double(file.size()) / 1e6;
}

void readQdl(benchmark::State& state)
{
    const std::string name = qdlPath.string();
    const std::u16string path(name.begin(), name.end());
    for (auto _ : state) {
        ByteArray bytes;
        size_t size = 0;
        Picture picture;
        if (readFileBytes(path.c_str(), bytes, size) != FileReadResult::ok ||
            parseQdlImage(picture, bytes.get(), size) != qdlDecoded)
            state.SkipWithError("cannot read");
        benchmark::DoNotOptimize(picture.pixels.get());
    }
}

// The console output, and each run's real and CPU time: on a machine shared
// with other work the CPU time is the steadier of the two.
class TimeReporter : public RatioReporter {
public:
    std::map<std::string, double> cpuTime;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        RatioReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
                cpuTime[run.run_name.str()] = run.GetAdjustedCPUTime();
    }
};

void copyPixels(benchmark::State& state, const Picture* picture)
{
    const size_t size = static_cast<size_t>(picture->pixelBytes());
    std::vector<uint8_t> copy(size);
    for (auto _ : state) {
        std::memcpy(copy.data(), picture->pixels.get(), size);
        benchmark::ClobberMemory();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: qdl_encoding_bench [benchmark options] FILE.webp...\n");
        return 2;
    }
    std::map<std::string, Picture> pictures;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<uint8_t> webp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Picture& picture = pictures[fs::path(argv[i]).stem().string()];
        if (decodeFirstWebpFrame(webp.data(), webp.size(), maxPicturePixels, picture) != WebpFrameResult::decoded) {
            std::fprintf(stderr, "%s is not a WebP file libwebp decodes\n", argv[i]);
            return 1;
        }
    }
    TimeReporter reporter;
    for (const auto& [name, picture] : pictures) {
        benchmark::RegisterBenchmark(("memcpy/" + name).c_str(), copyPixels, &picture)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        // Each write leaves the file its read then takes.
        for (int compression = 0; compression <= lastCompression[naturalQdlPixelType(picture)]; ++compression) {
            const std::string id = name + "/" + std::to_string(compression);
            benchmark::RegisterBenchmark(("write/" + id).c_str(), writeQdl, &picture, compression)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
            benchmark::RegisterBenchmark(("read/" + id).c_str(), readQdl)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    fs::remove(qdlPath);

    std::printf("\nWrite + read per compression in ms, real time / CPU time, and CPU time as a multiple of\n"
                "the CPU time of a memcpy of the pixels:\n");
    for (const auto& [name, picture] : pictures) {
        const double reference = reporter.cpuTime["memcpy/" + name + "/real_time"];
        std::printf("%-18s %2d bits:", name.c_str(), picture.bitsPerPixel);
        for (int compression = 0; compression <= lastCompression[naturalQdlPixelType(picture)]; ++compression) {
            const std::string id = name + "/" + std::to_string(compression) + "/real_time";
            const double real = reporter.realTime["write/" + id] + reporter.realTime["read/" + id];
            const double cpu = reporter.cpuTime["write/" + id] + reporter.cpuTime["read/" + id];
            std::printf("  c%d %6.0f / %5.0f (%5.1fx)", compression, real, cpu, reference > 0 ? cpu / reference : 0.0);
        }
        std::printf("\n");
    }
    return 0;
}
