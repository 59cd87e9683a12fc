#include "decode/libraries/jxl_reader.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>

#include "decode/common/file_contents.h"
#include "picture/pixel_array_limit.h"
#include "picture/picture.h"
#include "state/decode_results.h"
#include "state/quit_request.h"

namespace {

struct DecoderRelease {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
struct RunnerRelease {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};

// Every parallel step of the decoder passes through here, so a quit is seen
// within one step of a frame (a pass over its groups), not only between the
// calls that return events. Without worker threads the steps run on the
// calling thread, in order.
JxlParallelRetCode runStep(void* workers, void* opaque, JxlParallelRunInit init, JxlParallelRunFunction run,
                           uint32_t start, uint32_t end)
{
    if (quitRequested.load(std::memory_order_acquire))
        return JXL_PARALLEL_RET_RUNNER_ERROR;
    if (workers)
        return JxlThreadParallelRunner(workers, opaque, init, run, start, end);
    if (const JxlParallelRetCode status = init(opaque, 1); status != 0)
        return status;
    for (uint32_t value = start; value < end; ++value)
        run(opaque, value, 0);
    return 0;
}

size_t workerCount(unsigned requested)
{
    if (requested != 0)
        return requested;
    // One per processor, as the library's own default, which gives 0 where
    // the count is unknown.
    return std::max(1u, std::thread::hardware_concurrency());
}

bool quitting()
{
    return quitRequested.load(std::memory_order_acquire);
}

// R,G,B,A rows rewritten in place as T,R,G,B with T = 255 - A.
void rgbaToTrgb(uint8_t* pixels, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i, pixels += 4) {
        const uint8_t alpha = pixels[3];
        pixels[3] = pixels[2];
        pixels[2] = pixels[1];
        pixels[1] = pixels[0];
        pixels[0] = uint8_t(255 - alpha);
    }
}

// What the basic information decides: the upright size and the samples
// asked for, refused when the picture passes the pixel limit or its byte
// count the largest pixel array.
struct Layout {
    uint32_t width = 0, height = 0;
    uint32_t channels = 0;  // 3: R,G,B; 4: R,G,B,A
    uint64_t bytes = 0;
};

bool acceptBasicInfo(const JxlBasicInfo& info, uint64_t pixelLimit, Layout& layout)
{
    const uint64_t pixelCount = uint64_t(info.xsize) * uint64_t(info.ysize);
    // The size is published as a signed 32-bit pair.
    if (pixelCount == 0 || pixelCount > pixelLimit || info.xsize > INT32_MAX || info.ysize > INT32_MAX)
        return false;
    imageWidth = int32_t(info.xsize);
    imageHeight = int32_t(info.ysize);
    layout.width = info.xsize;
    layout.height = info.ysize;
    layout.channels = info.alpha_bits > 0 ? 4 : 3;
    layout.bytes = pixelCount * layout.channels;
    return layout.bytes <= maxPixelArrayBytes;
}

// An XYB-coded picture can be converted to any colour space; sRGB is what
// the rest of the viewer assumes. Others keep the space they were coded in.
bool askForSrgb(JxlDecoder* decoder, const JxlBasicInfo& info)
{
    if (info.uses_original_profile)
        return true;
    // Filled in here: the library's own helper for this is in its encoder.
    JxlColorEncoding srgb = {};
    srgb.color_space = info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    srgb.white_point = JXL_WHITE_POINT_D65;
    srgb.primaries = JXL_PRIMARIES_SRGB;
    srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    return JxlDecoderSetPreferredColorProfile(decoder, &srgb) == JXL_DEC_SUCCESS;
}

// A frame's layer may be larger than the picture and lie partly outside it;
// the decoder holds it whole, so it is held to the same limit.
bool acceptFrame(JxlDecoder* decoder, uint64_t pixelLimit)
{
    JxlFrameHeader header;
    if (JxlDecoderGetFrameHeader(decoder, &header) != JXL_DEC_SUCCESS)
        return false;
    return uint64_t(header.layer_info.xsize) * uint64_t(header.layer_info.ysize) <= pixelLimit;
}

}  // namespace

void parseJxlImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit, unsigned workerThreads)
{
    picture.clear();
    std::unique_ptr<JxlDecoder, DecoderRelease> decoder(JxlDecoderCreate(nullptr));
    if (!decoder)
        return;
    const size_t workers = workerCount(workerThreads);
    std::unique_ptr<void, RunnerRelease> threads;
    if (workers > 1) {
        threads.reset(JxlThreadParallelRunnerCreate(nullptr, workers));
        if (!threads)
            return;
    }
    JxlDecoder* const d = decoder.get();
    if (JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FRAME |
                                         JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetKeepOrientation(d, JXL_FALSE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(d, runStep, threads.get()) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(d, data, size) != JXL_DEC_SUCCESS)
        return;
    JxlDecoderCloseInput(d);

    JxlBasicInfo info;
    Layout layout;
    JxlPixelFormat format = {0, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    ByteArray pixels;
    for (;;) {
        if (quitting())
            return;
        switch (JxlDecoderProcessInput(d)) {
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS || !acceptBasicInfo(info, pixelLimit, layout))
                return;
            format.num_channels = layout.channels;
            break;
        case JXL_DEC_COLOR_ENCODING:
            if (!askForSrgb(d, info))
                return;
            break;
        case JXL_DEC_FRAME:
            if (!acceptFrame(d, pixelLimit))
                return;
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t needed = 0;
            if (JxlDecoderImageOutBufferSize(d, &format, &needed) != JXL_DEC_SUCCESS || needed != layout.bytes)
                return;
            pixels = allocateBytes(needed);
            if (!pixels || JxlDecoderSetImageOutBuffer(d, &format, pixels.get(), needed) != JXL_DEC_SUCCESS)
                return;
            break;
        }
        case JXL_DEC_FULL_IMAGE: {
            // The first frame is all that is shown; the rest is never decoded.
            if (!pixels)
                return;
            picture.width = int32_t(layout.width);
            picture.height = int32_t(layout.height);
            picture.bitsPerPixel = int32_t(layout.channels * 8);
            picture.pixels = std::move(pixels);
            if (layout.channels == 4) {
                rgbaToTrgb(picture.pixels.get(), size_t(layout.width) * layout.height);
                // Opaque pictures go to the screen with a quarter less memory.
                if (!picture.hasTransparency() && picture.convert32To24() != 0)
                    picture.clear();
            }
            return;
        }
        default:
            // An error, input that ends before the first frame does, or an
            // event not asked for.
            return;
        }
    }
}

void readJxlImage(const char16_t* path, Picture& picture)
{
    picture.clear();
    FileContents contents;
    if (readFileContents(path, contents) != FileReadResult::ok)
        return;
    parseJxlImage(contents.data(), contents.size(), picture);
}
