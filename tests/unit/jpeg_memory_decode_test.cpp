#include "decode/libraries/jpeg_memory_decode.h"

#include <gtest/gtest.h>

#include "decode/libraries/jpeg_scale.h"
#include "header_fixtures.h"
#include "jpeg_fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Result = JpegDecodeResult;

// The stream with its last scan (SOS up to the final EOI) repeated count
// more times: each repeat is one more pass over every block.
Bytes withRepeatedLastScan(const Bytes& jpeg, int count)
{
    size_t last = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            last = i;
    Bytes result(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < count; ++i)
        result.insert(result.end(), jpeg.begin() + long(last), jpeg.end() - 2);
    result.insert(result.end(), {0xFF, 0xD9});
    return result;
}

// The header check, then a decode at every scale into rows of exactly the
// announced size: the result families the viewer tells apart (its own
// decode, GDI+'s formats, broken files, hostile ones).
TEST(JpegMemoryDecode, DecodesWhatItTakesAndSaysWhyItRefuses)
{
    const Bytes baseline = encodeJpeg({JCS_RGB, 3, false, false, 0});
    const Bytes progressive = encodeJpeg({JCS_RGB, 3, true, false, 0});  // ten scans
    const struct {
        const char* what;
        Bytes file;
        Result header, decode;
    } cases[] = {
        {"baseline", baseline, Result::decoded, Result::decoded},
        {"progressive", progressive, Result::decoded, Result::decoded},
        {"grey, 4:4:4 with restarts", encodeJpeg({JCS_GRAYSCALE, 1, false, true, 1}), Result::decoded,
         Result::decoded},
        {"cut inside its scan", Bytes(baseline.begin(), baseline.end() - 30), Result::decoded, Result::decoded},
        {"scans at the limit", withRepeatedLastScan(progressive, maxJpegScans - 10), Result::decoded,
         Result::decoded},
        {"one scan past the limit", withRepeatedLastScan(progressive, maxJpegScans - 9), Result::decoded,
         Result::tooLarge},
        {"16000 x 16000 in a few hundred bytes", withFrameHeader(baseline, 5, {0x3E, 0x80, 0x3E, 0x80}),
         Result::tooLarge, Result::tooLarge},
        {"CMYK", encodeJpeg({JCS_CMYK, 4, false, false, 0}), Result::notForThisPath, Result::notForThisPath},
        {"12-bit samples", withFrameHeader(baseline, 1, {0xC1, 0, 17, 12}), Result::notForThisPath,
         Result::notForThisPath},
        {"lossless", withFrameHeader(baseline, 1, {0xC3}), Result::notForThisPath, Result::notForThisPath},
        {"no width", withFrameHeader(baseline, 7, {0, 0}), Result::corrupt, Result::corrupt},
        {"cut inside its header", Bytes(baseline.begin(), baseline.begin() + 100), Result::corrupt,
         Result::corrupt},
        {"no JPEG", Bytes(64, 0x5A), Result::corrupt, Result::corrupt},
    };
    for (const auto& c : cases) {
        JpegHeader header;
        EXPECT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, nullptr), c.header) << c.what;
        if (c.header != Result::decoded)
            continue;
        EXPECT_EQ(header.width, 24) << c.what;
        EXPECT_EQ(header.height, 16) << c.what;
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

// The size a frame header declares (4:2:0, so blocks are counted on the
// full-size luma plane), in a file padded to the given length: the pixel
// limit, 2^28, with a file large enough for the stream-size rule, and that
// rule (one bit per luma block: 2047 x 2047 blocks need ceil(4190209 / 8)
// bytes) at its minimum and one byte short.
TEST(JpegMemoryDecode, HeaderLimitsAtTheirValueAndOnePast)
{
    const Bytes baseline = encodeJpeg({JCS_RGB, 3, false, false, 0});
    const auto declaring = [&](uint16_t width, uint16_t height, size_t size) {
        Bytes file = withFrameHeader(baseline, 5, {uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
                                                   uint8_t(width)});
        file.resize(size, 0);
        return file;
    };
    const size_t plenty = size_t(1) << 20;
    const struct {
        const char* what;
        Bytes file;
        Result header;
    } cases[] = {
        {"16384 x 16384, exactly 2^28 pixels", declaring(16384, 16384, plenty), Result::decoded},
        {"16384 x 16385", declaring(16384, 16385, plenty), Result::tooLarge},
        {"16376 x 16376 at the stream-size minimum", declaring(16376, 16376, 523777), Result::decoded},
        {"16376 x 16376 one byte short", declaring(16376, 16376, 523776), Result::tooLarge},
    };
    for (const auto& c : cases) {
        JpegHeader header;
        EXPECT_EQ(decodeJpeg(c.file.data(), c.file.size(), header, nullptr), c.header) << c.what;
    }
}

}  // namespace
