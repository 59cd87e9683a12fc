#include "decode/libraries/jpeg_memory_decode.h"

#include <gtest/gtest.h>

#include "decode/headers/declared_size.h"
#include "decode/libraries/jpeg_bands.h"
#include "decode/libraries/jpeg_scale.h"
#include "header_fixtures.h"
#include "jpeg_fixtures.h"
#include "state/quit_request.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Result = JpegDecodeResult;
using Kind = JpegStreamKind;

// A 24 x 16 baseline stream whose luma has the given sampling factors and
// whose chroma has chromaAcross x 1.
Bytes sampledJpeg(int lumaAcross, int lumaDown, int chromaAcross = 1)
{
    return compressJpeg(
        24, 16, 3, JCS_RGB, 75,
        [&](jpeg_compress_struct& info) {
            info.comp_info[0].h_samp_factor = lumaAcross;
            info.comp_info[0].v_samp_factor = lumaDown;
            for (int i = 1; i < 3; ++i) {
                info.comp_info[i].h_samp_factor = chromaAcross;
                info.comp_info[i].v_samp_factor = 1;
            }
        },
        [](JDIMENSION y, std::vector<JSAMPLE>& row) {
            for (JDIMENSION i = 0; i < row.size(); ++i)
                row[i] = static_cast<JSAMPLE>((i * 37 + y * 11) & 0xFF);
        });
}

// The header check, then a decode at every scale into rows of exactly the
// announced size: the result families the viewer tells apart (its own
// decode, GDI+'s formats, broken files, hostile ones), and the kind of
// stream the scale's cost is looked up by (a stream whose chroma is not
// the plain 4:2:0 or 4:2:2 counts as full chroma). The scan work is
// counted in blocks against 20 passes over the picture: the grey stream's
// six scans each pass over its 6 blocks, so 14 more reach the budget
// exactly; the 4:2:0 stream's ten scans visit 56 blocks of a 12-block pass
// (MCUs of 4 + 1 + 1), and each repeat of its last, luma-only, scan adds 6.
TEST(JpegMemoryDecode, DecodesWhatItTakesAndSaysWhyItRefuses)
{
    const Bytes baseline = encodeJpeg({JCS_RGB, 3, false, false, 0});
    const Bytes progressive = encodeJpeg({JCS_RGB, 3, true, false, 0});  // ten scans
    const Bytes greyProgressive = encodeJpeg({JCS_GRAYSCALE, 1, true, true, 0});  // six scans
    const struct {
        const char* what;
        Bytes file;
        Result header, decode;
        Kind kind = Kind::fullChroma;
    } cases[] = {
        {"baseline", baseline, Result::decoded, Result::decoded, Kind::chroma420},
        {"progressive", progressive, Result::decoded, Result::decoded, Kind::progressive},
        {"grey, 4:4:4 with restarts", encodeJpeg({JCS_GRAYSCALE, 1, false, true, 1}), Result::decoded,
         Result::decoded, Kind::grey},
        {"4:2:2", sampledJpeg(2, 1), Result::decoded, Result::decoded, Kind::chroma422},
        {"4:4:4", sampledJpeg(1, 1), Result::decoded, Result::decoded, Kind::fullChroma},
        {"4:4:0", sampledJpeg(1, 2), Result::decoded, Result::decoded, Kind::fullChroma},
        {"4:1:1", sampledJpeg(4, 1), Result::decoded, Result::decoded, Kind::fullChroma},
        {"every component 2 x 1", sampledJpeg(2, 1, 2), Result::decoded, Result::decoded, Kind::fullChroma},
        {"cut inside its scan", Bytes(baseline.begin(), baseline.end() - 30), Result::decoded, Result::decoded,
         Kind::chroma420},
        {"grey, 20 passes", withRepeatedLastScan(greyProgressive, 14), Result::decoded, Result::decoded,
         Kind::progressive},
        {"grey, 21 passes", withRepeatedLastScan(greyProgressive, 15), Result::decoded, Result::tooLarge,
         Kind::progressive},
        {"4:2:0, 236 of 240 blocks", withRepeatedLastScan(progressive, 30), Result::decoded, Result::decoded,
         Kind::progressive},
        {"4:2:0, 242 of 240 blocks", withRepeatedLastScan(progressive, 31), Result::decoded, Result::tooLarge,
         Kind::progressive},
        {"16000 x 16000 in a few hundred bytes", withFrameHeader(baseline, 5, {0x3E, 0x80, 0x3E, 0x80}),
         Result::cannotBeReal, Result::cannotBeReal},
        {"CMYK", encodeJpeg({JCS_CMYK, 4, false, false, 0}), Result::notForThisPath, Result::notForThisPath},
        {"12-bit samples", withFrameHeader(baseline, 1, {0xC1, 0, 17, 12}), Result::notForThisPath,
         Result::notForThisPath},
        {"lossless", withFrameHeader(baseline, 1, {0xC3}), Result::notForThisPath, Result::notForThisPath},
        {"no width", withFrameHeader(baseline, 7, {0, 0}), Result::corrupt, Result::corrupt},
        {"cut inside its header", Bytes(baseline.begin(), baseline.begin() + 100), Result::corrupt,
         Result::corrupt},
        {"no JPEG: another format's name", Bytes(64, 0x5A), Result::notForThisPath, Result::notForThisPath},
    };
    for (const auto& c : cases) {
        JpegHeader header;
        EXPECT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, nullptr), c.header) << c.what;
        if (c.header != Result::decoded)
            continue;
        EXPECT_EQ(header.width, 24) << c.what;
        EXPECT_EQ(header.height, 16) << c.what;
        EXPECT_EQ(header.kind, c.kind) << c.what;
        EXPECT_EQ(header.oneScan, c.kind != Kind::progressive) << c.what;
        for (int eighths = 1; eighths <= jpegFullScaleEighths; ++eighths) {
            const int32_t width = jpegScaledSide(24, eighths), height = jpegScaledSide(16, eighths);
            Bytes pixels(size_t(4) * width * height);
            JpegRows rows{pixels.data(), 4 * width, width, height, eighths};
            ASSERT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, &rows), c.decode) << c.what << " " << eighths;
            for (size_t i = 3; c.decode == Result::decoded && i < pixels.size(); i += 4)
                ASSERT_EQ(pixels[i], 0xFF) << c.what << ": pixel " << i / 4 << " not written at " << eighths;
        }
        // Rows of another size than the stream's at that scale are refused.
        Bytes pixels(size_t(4) * 23 * 16);
        JpegRows wrong{pixels.data(), 4 * 23, 23, 16, 8};
        EXPECT_NE(decodeJpeg(c.file.data(), c.file.size(), header, &wrong), Result::decoded) << c.what;
    }
}

// Only what the path does not take goes on to the platform's decoder; a
// refusal of a broken or hostile file ends the decode.
TEST(JpegMemoryDecode, OnlyWhatThePathDoesNotTakePassesOn)
{
    const struct {
        Result result;
        bool passes;
    } cases[] = {
        {Result::decoded, false},  {Result::notForThisPath, true}, {Result::corrupt, false},
        {Result::tooLarge, false}, {Result::cannotBeReal, false},  {Result::abandoned, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(passesToPlatformDecoder(c.result), c.passes) << int(c.result);
}

// The picture limit and the bytes a Huffman stream needs for its largest
// component's blocks, exactly at each limit and one step past, as this path
// and the header check in front of GDI+ both judge them. Files are padded
// behind their end to the size a row names.
TEST(JpegMemoryDecode, PictureAndStreamLimitsAsTheHeaderCheckSeesThem)
{
    const Bytes grey = encodeJpeg({JCS_GRAYSCALE, 1, false, true, 0});
    const Bytes colour = encodeJpeg({JCS_RGB, 3, false, false, 0});  // 4:2:0
    auto sized = [](const Bytes& jpeg, uint16_t width, uint16_t height, size_t fileBytes) {
        Bytes file = withFrameHeader(jpeg, 5, {uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width)});
        file.resize(fileBytes, 0);
        return file;
    };
    const struct {
        const char* what;
        Bytes file;
        Result verdict;
        HeaderVerdict header;
        bool refused;  // by the header check
    } cases[] = {
        // 2048 x 2048 blocks need 524,288 bytes; 2048 x 2049 need 524,544.
        {"16384 x 16384", sized(grey, 16384, 16384, 524288), Result::decoded, HeaderVerdict::declared, false},
        {"16384 x 16385", sized(grey, 16384, 16385, 524544), Result::tooLarge, HeaderVerdict::declared, true},
        // 500 x 375 blocks: 23,437.5 bytes, rounded up.
        {"4000 x 3000 grey in 23,438 bytes", sized(grey, 4000, 3000, 23438), Result::decoded,
         HeaderVerdict::declared, false},
        {"4000 x 3000 grey in 23,437 bytes", sized(grey, 4000, 3000, 23437), Result::cannotBeReal,
         HeaderVerdict::cannotBeReal, true},
        // Luma of 1601 x 1200 at 2 x 2 is 201 x 150 blocks (not the 202 of
        // whole MCUs, nor every component's 45,300): 3,768.75 bytes.
        {"1601 x 1200 4:2:0 in 3,769 bytes", sized(colour, 1601, 1200, 3769), Result::decoded,
         HeaderVerdict::declared, false},
        {"1601 x 1200 4:2:0 in 3,768 bytes", sized(colour, 1601, 1200, 3768), Result::cannotBeReal,
         HeaderVerdict::cannotBeReal, true},
    };
    for (const auto& c : cases) {
        JpegHeader header;
        EXPECT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, nullptr), c.verdict) << c.what;
        HeaderSource source = memorySource(c.file.data(), c.file.size());
        const DeclaredSize declared = readDeclaredSize(source);
        EXPECT_EQ(declared.verdict, c.header) << c.what;
        EXPECT_EQ(isUndecodable(declared), c.refused) << c.what;
        // Both publish the size the frame declares, also when they refuse it.
        EXPECT_EQ(uint32_t(header.width), declared.width) << c.what;
        EXPECT_EQ(uint32_t(header.height), declared.height) << c.what;
    }
}

// A decode in bands on several threads gives the bytes of one decoder, at
// the full size, at a SIMD reduction and a plain C one, for every kind of
// one-scan stream and for one cut short, whose lower bands read past the end.
// The picture, ramps with a little texture, is tall enough to be split at
// each scale.
TEST(JpegMemoryDecode, BandsGiveTheBytesOfOneDecoder)
{
    constexpr JDIMENSION width = 200, height = 1400;
    auto fill = [](JDIMENSION y, std::vector<JSAMPLE>& row) {
        for (JDIMENSION i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>((i / 2 + y / 3 + ((i * y) & 7)) & 0xFF);
    };
    auto sampled = [&](int lumaAcross, int lumaDown, unsigned int restartRows = 0) {
        return compressJpeg(
            width, height, 3, JCS_RGB, 90,
            [&](jpeg_compress_struct& info) {
                info.comp_info[0].h_samp_factor = lumaAcross;
                info.comp_info[0].v_samp_factor = lumaDown;
                info.restart_in_rows = static_cast<int>(restartRows);
            },
            fill);
    };
    const Bytes baseline = sampled(2, 2);
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"4:2:0", baseline},
        {"4:2:2 with restarts", sampled(2, 1, 3)},
        {"4:4:4", sampled(1, 1)},
        {"grey", compressJpeg(width, height, 1, JCS_GRAYSCALE, 90, [](jpeg_compress_struct&) {}, fill)},
        {"cut at 60 %", Bytes(baseline.begin(), baseline.begin() + long(baseline.size() * 6 / 10))},
    };
    for (const auto& c : cases)
        for (int eighths : {8, 4, 5}) {
            const int32_t scaledWidth = jpegScaledSide(width, eighths), scaledHeight = jpegScaledSide(height, eighths);
            Bytes one(size_t(4) * scaledWidth * scaledHeight), banded(one.size());
            JpegRows rows{one.data(), 4 * scaledWidth, scaledWidth, scaledHeight, eighths};
            JpegHeader header;
            ASSERT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, &rows, 1), Result::decoded) << c.what;
            const JpegBands bands = splitJpegDecode(
                scaledHeight, jpegReadPercent(c.file.size(), width, height, header.kind, eighths), maxJpegBands);
            EXPECT_GT(bands.count, 1) << c.what << " at " << eighths << "/8";
            rows.firstRow = banded.data();
            ASSERT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, &rows, maxJpegBands), Result::decoded)
                << c.what;
            EXPECT_TRUE(one == banded) << c.what << " at " << eighths << "/8";
        }
}

// A raised quit flag ends a decode between two steps, whether the stream
// is absorbed scan by scan or put out row by row.
TEST(JpegMemoryDecode, QuitEndsTheDecode)
{
    for (const Bytes& file : {encodeJpeg({JCS_RGB, 3, false, false, 0}), encodeJpeg({JCS_RGB, 3, true, false, 0})}) {
        Bytes pixels(size_t(4) * 24 * 16);
        JpegRows rows{pixels.data(), 4 * 24, 24, 16, 8};
        JpegHeader header;
        quitRequested = true;
        EXPECT_EQ(decodeJpeg(file.data(), file.size(), header, &rows), Result::abandoned);
        quitRequested = false;
        EXPECT_EQ(decodeJpeg(file.data(), file.size(), header, &rows), Result::decoded);
    }
}

}  // namespace
