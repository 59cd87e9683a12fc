#include "decode/libraries/jxr_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "decode/common/file_bytes.h"
#include "decode/platform/wic_pixels.h"
#include "picture/pixel_array_limit.h"
#include "picture/picture.h"
#include "state/decode_results.h"

// Last: jxrlib's headers define min and max as macros.
#include <JXRGlue.h>
#undef min
#undef max

namespace {

enum class Sample { u8, u16, half, single };

// How one decoded pixel is laid out in the file's own format.
struct PixelLayout {
    const PKPixelFormatGUID* format;
    Sample sample;
    int samples;      // per pixel, padding included
    bool gray;        // one sample stands for R, G and B
    bool bgr;         // colour samples in B,G,R order
    bool alpha;       // the fourth sample is alpha
    bool premultiplied;
};

const PixelLayout pixelLayouts[] = {
    {&GUID_PKPixelFormat24bppBGR, Sample::u8, 3, false, true, false, false},
    {&GUID_PKPixelFormat24bppRGB, Sample::u8, 3, false, false, false, false},
    {&GUID_PKPixelFormat32bppBGR, Sample::u8, 4, false, true, false, false},
    {&GUID_PKPixelFormat32bppRGB, Sample::u8, 4, false, false, false, false},
    {&GUID_PKPixelFormat32bppBGRA, Sample::u8, 4, false, true, true, false},
    {&GUID_PKPixelFormat32bppRGBA, Sample::u8, 4, false, false, true, false},
    {&GUID_PKPixelFormat32bppPBGRA, Sample::u8, 4, false, true, true, true},
    {&GUID_PKPixelFormat32bppPRGBA, Sample::u8, 4, false, false, true, true},
    {&GUID_PKPixelFormat8bppGray, Sample::u8, 1, true, false, false, false},
    {&GUID_PKPixelFormat16bppGray, Sample::u16, 1, true, false, false, false},
    {&GUID_PKPixelFormat48bppRGB, Sample::u16, 3, false, false, false, false},
    {&GUID_PKPixelFormat64bppRGBA, Sample::u16, 4, false, false, true, false},
    {&GUID_PKPixelFormat64bppPRGBA, Sample::u16, 4, false, false, true, true},
    {&GUID_PKPixelFormat16bppGrayHalf, Sample::half, 1, true, false, false, false},
    {&GUID_PKPixelFormat48bppRGBHalf, Sample::half, 3, false, false, false, false},
    {&GUID_PKPixelFormat64bppRGBHalf, Sample::half, 4, false, false, false, false},
    {&GUID_PKPixelFormat64bppRGBAHalf, Sample::half, 4, false, false, true, false},
    {&GUID_PKPixelFormat32bppGrayFloat, Sample::single, 1, true, false, false, false},
    {&GUID_PKPixelFormat96bppRGBFloat, Sample::single, 3, false, false, false, false},
    {&GUID_PKPixelFormat128bppRGBFloat, Sample::single, 4, false, false, false, false},
    {&GUID_PKPixelFormat128bppRGBAFloat, Sample::single, 4, false, false, true, false},
    {&GUID_PKPixelFormat128bppPRGBAFloat, Sample::single, 4, false, false, true, true},
};

const PixelLayout* layoutOf(const PKPixelFormatGUID& format)
{
    for (const PixelLayout& layout : pixelLayouts)
        if (std::memcmp(layout.format, &format, sizeof format) == 0)
            return &layout;
    return nullptr;
}

size_t sampleBytes(Sample sample)
{
    switch (sample) {
    case Sample::u8: return 1;
    case Sample::u16:
    case Sample::half: return 2;
    case Sample::single: return 4;
    }
    return 4;
}

float halfToFloat(uint16_t half)
{
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    float magnitude;
    if (exponent == 0)
        magnitude = std::ldexp(float(mantissa), -24);
    else if (exponent == 31)
        magnitude = mantissa ? 0.0f : INFINITY;  // NaN shows as black
    else
        magnitude = std::ldexp(float(mantissa | 0x400), exponent - 25);
    return (half & 0x8000) ? -magnitude : magnitude;
}

// Linear light in [0, 1] at 1/4095 steps, encoded as 8-bit sRGB.
constexpr int linearSteps = 4095;
struct SrgbTable {
    uint8_t value[linearSteps + 1];
    SrgbTable()
    {
        for (int i = 0; i <= linearSteps; ++i) {
            const double linear = double(i) / linearSteps;
            const double encoded = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
            value[i] = uint8_t(std::lround(std::clamp(encoded, 0.0, 1.0) * 255));
        }
    }
};

uint8_t linearToSrgb(float linear)
{
    static const SrgbTable table;
    if (!(linear > 0.0f))
        return 0;
    if (linear >= 1.0f)
        return 255;
    return table.value[int(linear * linearSteps + 0.5f)];
}

uint8_t unitToByte(float value)
{
    if (!(value > 0.0f))
        return 0;
    return value >= 1.0f ? 255 : uint8_t(value * 255 + 0.5f);
}

// One sample as a fraction of full scale (integer formats) or as linear
// light (floating-point formats).
float sampleValue(const uint8_t* at, Sample sample)
{
    switch (sample) {
    case Sample::u8: return at[0] / 255.0f;
    case Sample::u16: {
        uint16_t value;
        std::memcpy(&value, at, 2);
        return value / 65535.0f;
    }
    case Sample::half: {
        uint16_t value;
        std::memcpy(&value, at, 2);
        return halfToFloat(value);
    }
    case Sample::single: {
        float value;
        std::memcpy(&value, at, 4);
        return value;
    }
    }
    return 0.0f;
}

// The decoded rows rewritten as B,G,R,A.
void convertToBgra(const uint8_t* decoded, size_t pixelCount, const PixelLayout& layout, uint8_t* bgra)
{
    const size_t step = sampleBytes(layout.sample);
    const size_t pixelBytes = step * size_t(layout.samples);
    const bool linear = layout.sample == Sample::half || layout.sample == Sample::single;
    for (size_t i = 0; i < pixelCount; ++i, decoded += pixelBytes, bgra += 4) {
        float rgb[3];
        for (int c = 0; c < 3; ++c)
            rgb[c] = sampleValue(decoded + (layout.gray ? 0 : step * size_t(c)), layout.sample);
        if (layout.bgr)
            std::swap(rgb[0], rgb[2]);
        float alpha = layout.alpha ? sampleValue(decoded + step * 3, layout.sample) : 1.0f;
        alpha = std::clamp(alpha, 0.0f, 1.0f);
        for (int c = 0; c < 3; ++c) {
            float value = rgb[c];
            if (layout.premultiplied)
                value = alpha > 0.0f ? value / alpha : 0.0f;
            bgra[2 - c] = linear ? linearToSrgb(value) : unitToByte(value);
        }
        bgra[3] = unitToByte(alpha);
    }
}

struct DecoderRelease {
    void operator()(PKImageDecode* decoder) const { decoder->Release(&decoder); }
};
struct StreamRelease {
    void operator()(WMPStream* stream) const { stream->Close(&stream); }
};

}  // namespace

void parseJxrImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit)
{
    picture.clear();
    WMPStream* streamOut = nullptr;
    // The memory stream only reads; it takes a writable pointer for its
    // writing twin.
    if (Failed(CreateWS_Memory(&streamOut, const_cast<uint8_t*>(data), size)))
        return;
    std::unique_ptr<WMPStream, StreamRelease> stream(streamOut);
    PKImageDecode* decoderOut = nullptr;
    if (Failed(PKImageDecode_Create_WMP(&decoderOut)))
        return;
    std::unique_ptr<PKImageDecode, DecoderRelease> decoder(decoderOut);
    if (Failed(decoder->Initialize(decoder.get(), stream.get())))
        return;

    I32 width = 0;
    I32 height = 0;
    PKPixelFormatGUID format;
    if (Failed(decoder->GetSize(decoder.get(), &width, &height)) ||
        Failed(decoder->GetPixelFormat(decoder.get(), &format)))
        return;
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > pixelLimit)
        return;
    imageWidth = width;
    imageHeight = height;

    const PixelLayout* layout = layoutOf(format);
    if (!layout)
        return;
    // Alpha is decoded only when asked for: image and alpha together.
    decoder->WMP.wmiSCP.uAlphaMode = layout->alpha ? 2 : 0;
    const uint64_t pixelCount = uint64_t(width) * uint64_t(height);
    const uint64_t rowBytes = uint64_t(width) * sampleBytes(layout->sample) * uint64_t(layout->samples);
    // The codec writes whole macroblocks of 16 rows.
    const uint64_t decodedRows = (uint64_t(height) + 15) / 16 * 16;
    if (rowBytes * decodedRows > maxPixelArrayBytes)
        return;
    ByteArray decoded = allocateBytes(static_cast<size_t>(rowBytes * decodedRows));
    ByteArray bgra = allocateBytes(static_cast<size_t>(pixelCount * 4));
    if (!decoded || !bgra)
        return;
    const PKRect whole = {0, 0, width, height};
    if (Failed(decoder->Copy(decoder.get(), &whole, decoded.get(), static_cast<U32>(rowBytes))))
        return;
    convertToBgra(decoded.get(), static_cast<size_t>(pixelCount), *layout, bgra.get());
    decoded.reset();
    picture = pictureFromWicPixels(std::move(bgra), width, height, 4);
}

void readJxrImage(const char16_t* path, Picture& picture)
{
    picture.clear();
    ByteArray bytes;
    size_t size = 0;
    if (readFileBytes(path, bytes, size) != FileReadResult::ok)
        return;
    parseJxrImage(bytes.get(), size, picture);
}
