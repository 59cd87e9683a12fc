// Decoding a 6000 x 4000 picture from memory: QDL in each pixel type and
// compression the viewer meets, TGA plain and run-length encoded (ours and
// stb_image's), and pictureFromDib, each next to a memcpy of the same output
// bytes. Speeds relative to memcpy and to stb_image are printed at the end.
//
// Every decoder hands back a newly allocated picture. glibc serves blocks of
// this size with fresh pages from the kernel, whose first touch costs more
// than the copy itself; with --keep_freed_memory the freed blocks are kept
// and reused instead, which measures the decoders' own work.
//
// The picture looks like a screenshot or a drawing: rows of flat runs of a
// 64-colour palette with noisy stretches between them, so that every
// run-length and colour-group scheme has something to find and something
// it cannot compress.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ratio_reporter.h"

#include "decode/dib/dib_reader.h"
#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_writer.h"
#include "decode/tga/tga_reader.h"
#include "picture/picture.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t width = 6000;
constexpr int32_t height = 4000;

uint32_t nextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Palette indices: flat runs of 1 to 96 pixels, and in a quarter of the
// stretches 1 to 8 pixels of noise.
Bytes makeIndices()
{
    Bytes indices(size_t(width) * height);
    uint32_t state = 2024;
    size_t i = 0;
    while (i < indices.size()) {
        const bool noise = nextRandom(state) % 4 == 0;
        size_t length = noise ? 1 + nextRandom(state) % 8 : 1 + nextRandom(state) % 96;
        length = std::min(length, indices.size() - i);
        const uint8_t flat = uint8_t(nextRandom(state) % 64);
        for (size_t k = 0; k < length; ++k)
            indices[i + k] = noise ? uint8_t(nextRandom(state) % 64) : flat;
        i += length;
    }
    return indices;
}

// The same picture at 8 bits with a palette, 24 and 32 bits; some palette
// colours are partly transparent.
Picture makePicture(int bitsPerPixel)
{
    static const Bytes indices = makeIndices();
    uint8_t palette[1024] = {};
    uint32_t state = 77;
    for (int entry = 0; entry < 64; ++entry)
        for (int byte = 0; byte < 4; ++byte)
            palette[4 * entry + byte] = byte == 0 ? uint8_t(entry % 8 == 0 ? 128 : 0) : uint8_t(nextRandom(state));

    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = bitsPerPixel;
    picture.pixels = allocateBytes(size_t(picture.pixelBytes()));
    const int bytes = bitsPerPixel / 8;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (bytes == 1)
            picture.pixels[i] = indices[i];
        else
            std::memcpy(picture.pixels.get() + i * bytes, palette + 4 * indices[i] + (bytes == 3 ? 1 : 0), bytes);
    }
    if (bitsPerPixel == 8) {
        picture.palette = allocateBytes(1024);
        std::memcpy(picture.palette.get(), palette, 1024);
    }
    return picture;
}

const Picture& picture(int bitsPerPixel)
{
    static const Picture indexed = makePicture(8);
    static const Picture rgb = makePicture(24);
    static const Picture trgb = makePicture(32);
    return bitsPerPixel == 8 ? indexed : bitsPerPixel == 24 ? rgb : trgb;
}

Bytes qdlFile(int bitsPerPixel, int compression)
{
    Bytes file;
    const int type = bitsPerPixel == 8 ? 2 : bitsPerPixel == 24 ? 4 : 5;
    if (writeQdlImage(picture(bitsPerPixel), type, compression, file) != QdlWriteResult::written)
        std::fprintf(stderr, "decode_bench: cannot write QDL %d/%d\n", type, compression);
    return file;
}

// TGA, top-left origin (so stb_image need not flip), B,G,R(,A) pixels;
// run-length packets: runs of 2 to 128 equal pixels, raw packets otherwise.
Bytes tgaFile(int bitsPerPixel, bool runLength)
{
    const Picture& source = picture(bitsPerPixel);
    const int bytes = bitsPerPixel / 8;
    Bytes file = {0, 0, uint8_t(runLength ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                  uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8),
                  uint8_t(bitsPerPixel), uint8_t(0x20 | (bytes == 4 ? 8 : 0))};
    const size_t count = size_t(width) * height;
    auto stored = [&](size_t i) {
        const uint8_t* p = source.pixels.get() + i * bytes;
        return bytes == 3 ? Bytes{p[2], p[1], p[0]} : Bytes{p[3], p[2], p[1], uint8_t(255 - p[0])};
    };
    auto same = [&](size_t a, size_t b) {
        return std::memcmp(source.pixels.get() + a * bytes, source.pixels.get() + b * bytes, bytes) == 0;
    };
    size_t i = 0;
    while (i < count) {
        if (!runLength) {
            const Bytes pixel = stored(i++);
            file.insert(file.end(), pixel.begin(), pixel.end());
            continue;
        }
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            file.push_back(uint8_t(127 + run));
            const Bytes pixel = stored(i);
            file.insert(file.end(), pixel.begin(), pixel.end());
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1)))
            ++raw;
        file.push_back(uint8_t(raw - 1));
        for (size_t k = 0; k < raw; ++k) {
            const Bytes pixel = stored(i + k);
            file.insert(file.end(), pixel.begin(), pixel.end());
        }
        i += raw;
    }
    return file;
}

// Bottom-up BI_RGB packed DIB; rows of 6000 pixels need no padding.
Bytes dibFile(int bitsPerPixel)
{
    const Picture& source = picture(bitsPerPixel);
    const int bytes = bitsPerPixel / 8;
    const uint32_t rowBytes = uint32_t(width) * bytes;
    Bytes file(40 + size_t(rowBytes) * height);
    const uint32_t header[10] = {40, uint32_t(width), uint32_t(height), uint32_t(1 | bitsPerPixel << 16), 0,
                                 rowBytes * height, 0, 0, 0, 0};
    std::memcpy(file.data(), header, 40);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = source.pixels.get() + size_t(y) * rowBytes;
        uint8_t* out = file.data() + 40 + size_t(height - 1 - y) * rowBytes;
        for (int32_t x = 0; x < width; ++x, in += bytes, out += bytes) {
            if (bytes == 3) {
                out[0] = in[2], out[1] = in[1], out[2] = in[0];
            } else {
                out[0] = in[3], out[1] = in[2], out[2] = in[1], out[3] = uint8_t(255 - in[0]);
            }
        }
    }
    return file;
}

// Benchmarks and the files they decode, made before any timing starts.
struct Case {
    std::string name;
    Bytes file;
    int bitsPerPixel;
    std::string reference;  // a faster-is-better comparison, or empty
};

void reportBytes(benchmark::State& state, int bitsPerPixel)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(picture(bitsPerPixel).pixelBytes()));
}

void runMemcpy(benchmark::State& state, int bitsPerPixel)
{
    const size_t n = size_t(picture(bitsPerPixel).pixelBytes());
    ByteArray target = allocateBytes(n);
    std::memset(target.get(), 0, n);
    for (auto _ : state) {
        std::memcpy(target.get(), picture(bitsPerPixel).pixels.get(), n);
        benchmark::ClobberMemory();
    }
    reportBytes(state, bitsPerPixel);
}

// The decoders return fresh memory each time; this reference pays for the
// same fresh allocation and first touch of its pages.
void runAllocateAndMemcpy(benchmark::State& state, int bitsPerPixel)
{
    const size_t n = size_t(picture(bitsPerPixel).pixelBytes());
    for (auto _ : state) {
        ByteArray target = allocateBytes(n);
        std::memcpy(target.get(), picture(bitsPerPixel).pixels.get(), n);
        benchmark::DoNotOptimize(target.get());
    }
    reportBytes(state, bitsPerPixel);
}

void runQdl(benchmark::State& state, const Case& c)
{
    for (auto _ : state) {
        Picture decoded;
        if (parseQdlImage(decoded, c.file.data(), c.file.size()) != qdlDecoded)
            state.SkipWithError("QDL decode failed");
        benchmark::DoNotOptimize(decoded.pixels.get());
    }
    reportBytes(state, c.bitsPerPixel);
}

void runTga(benchmark::State& state, const Case& c)
{
    for (auto _ : state) {
        Picture decoded;
        parseTgaImage(c.file.data(), c.file.size(), decoded);
        if (!decoded.holdsImage())
            state.SkipWithError("TGA decode failed");
        benchmark::DoNotOptimize(decoded.pixels.get());
    }
    reportBytes(state, c.bitsPerPixel);
}

void runStbTga(benchmark::State& state, const Case& c)
{
    for (auto _ : state) {
        int w = 0, h = 0, components = 0;
        stbi_uc* decoded = stbi_load_from_memory(c.file.data(), int(c.file.size()), &w, &h, &components, 0);
        if (!decoded)
            state.SkipWithError("stb_image failed");
        benchmark::DoNotOptimize(decoded);
        stbi_image_free(decoded);
    }
    reportBytes(state, c.bitsPerPixel);
}

void runDib(benchmark::State& state, const Case& c)
{
    for (auto _ : state) {
        Picture decoded;
        if (pictureFromDib(c.file.data(), c.file.size(), decoded) != dibConverted)
            state.SkipWithError("DIB conversion failed");
        benchmark::DoNotOptimize(decoded.pixels.get());
    }
    reportBytes(state, c.bitsPerPixel);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc > 1 && std::strcmp(argv[argc - 1], "--keep_freed_memory") == 0) {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        --argc;
        std::printf("Freed memory is kept for reuse.\n");
    }
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::vector<Case> cases;
    for (int bits : {8, 24, 32}) {
        const int lastCompression = bits == 8 ? 4 : bits == 24 ? 2 : 3;
        for (int compression = bits == 8 ? 1 : 0; compression <= lastCompression; ++compression)
            cases.push_back({"qdl" + std::to_string(bits) + "/compression" + std::to_string(compression),
                             qdlFile(bits, compression), bits, ""});
    }
    for (int bits : {24, 32}) {
        for (bool runLength : {false, true}) {
            const std::string kind = std::to_string(bits) + (runLength ? "/rle" : "/plain");
            cases.push_back({"stb_tga" + kind, tgaFile(bits, runLength), bits, ""});
            cases.push_back({"tga" + kind, cases.back().file, bits, "stb_tga" + kind});
        }
        cases.push_back({"dib" + std::to_string(bits), dibFile(bits), bits, ""});
    }

    for (int bits : {8, 24, 32}) {
        benchmark::RegisterBenchmark(("memcpy" + std::to_string(bits)).c_str(), runMemcpy, bits)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("allocate+memcpy" + std::to_string(bits)).c_str(), runAllocateAndMemcpy, bits)
            ->Unit(benchmark::kMillisecond);
    }
    for (const Case& c : cases) {
        auto run = c.name.compare(0, 3, "qdl") == 0 ? runQdl
                   : c.name.compare(0, 3, "tga") == 0 ? runTga
                   : c.name.compare(0, 3, "stb") == 0 ? runStbTga
                                                      : runDib;
        const Case* decoded = &c;
        benchmark::RegisterBenchmark(c.name.c_str(), [run, decoded](benchmark::State& state) { run(state, *decoded); })
            ->Unit(benchmark::kMillisecond);
    }

    std::printf("File sizes (pixels: %d x %d):\n", width, height);
    for (const Case& c : cases)
        std::printf("  %-24s %10zu bytes\n", c.name.c_str(), c.file.size());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nSpeed relative to memcpy of the same output bytes (1.00 = as fast):\n");
    for (const Case& c : cases) {
        if (c.name.compare(0, 3, "stb") == 0)
            continue;
        reporter.printSpeed(c.name, "memcpy" + std::to_string(c.bitsPerPixel));
        reporter.printSpeed(c.name, "allocate+memcpy" + std::to_string(c.bitsPerPixel));
    }
    std::printf("\nSpeed relative to stb_image on the same TGA file:\n");
    for (const Case& c : cases)
        if (!c.reference.empty())
            reporter.printSpeed(c.name, c.reference);
    benchmark::Shutdown();
    return 0;
}
