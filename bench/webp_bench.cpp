// The WebP converter against dwebp on a 4000 x 3000 picture, lossy and
// lossless: each run is a whole program, reading the WebP file, decoding it
// and writing the result (webp2qdl: a plain QDL file; dwebp: a PPM
// file), started the same way in the same run. webp2qdl is the native build
// of the converter's decode-and-write code; dwebp is Debian's, of the same
// libwebp version. The test pictures are made at start with ImageMagick and
// cwebp (half a minute).
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ratio_reporter.h"

namespace {

namespace fs = std::filesystem;

const fs::path workDirectory = fs::temp_directory_path() / ("webp_bench." + std::to_string(getpid()));

bool run(const std::string& command)
{
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

void runProgram(benchmark::State& state, const std::string& command)
{
    for (auto _ : state)
        if (!run(command))
            state.SkipWithError(("failed: " + command).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const fs::path converter = fs::canonical("/proc/self/exe").parent_path() / "webp2qdl";
    if (!fs::exists(converter) || !run("command -v dwebp && command -v cwebp && command -v convert")) {
        std::fprintf(stderr, "webp_bench needs %s, dwebp, cwebp and ImageMagick's convert\n", converter.c_str());
        return 1;
    }
    fs::create_directories(workDirectory);
    const fs::path source = workDirectory / "picture.png";
    const fs::path lossy = workDirectory / "lossy.webp";
    const fs::path lossless = workDirectory / "lossless.webp";
    std::printf("Making the 4000 x 3000 test pictures...\n");
    if (!run("convert -size 4000x3000 plasma:'#4568dc-#b06ab3' -seed 7 -blur 0x1 " + quoted(source)) ||
        !run("cwebp -q 80 " + quoted(source) + " -o " + quoted(lossy)) ||
        !run("cwebp -lossless -m 1 " + quoted(source) + " -o " + quoted(lossless))) {
        std::fprintf(stderr, "cannot make the test pictures in %s\n", workDirectory.c_str());
        fs::remove_all(workDirectory);
        return 1;
    }

    for (const auto& [kind, input] : {std::pair{"lossy", lossy}, std::pair{"lossless", lossless}}) {
        const std::string webp2qdl = quoted(converter) + " " + quoted(input) + " " + quoted(workDirectory / "out.qdl");
        const std::string dwebp = "dwebp -quiet " + quoted(input) + " -ppm -o " + quoted(workDirectory / "out.ppm");
        benchmark::RegisterBenchmark((std::string("webp2qdl/") + kind).c_str(), runProgram, webp2qdl)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((std::string("dwebp_ppm/") + kind).c_str(), runProgram, dwebp)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed relative to dwebp writing a PPM of the same file (1.00 = as fast):\n");
    for (const char* kind : {"lossy", "lossless"})
        reporter.printSpeed(std::string("webp2qdl/") + kind + "/real_time", std::string("dwebp_ppm/") + kind + "/real_time");
    fs::remove_all(workDirectory);
    return 0;
}
