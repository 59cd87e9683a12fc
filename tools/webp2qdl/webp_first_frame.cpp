#include "webp_first_frame.h"

#include <cstring>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// Owners of the two libwebp objects, so every return path frees them.
struct DemuxHolder {
    WebPDemuxer* demuxer;
    ~DemuxHolder() { WebPDemuxDelete(demuxer); }
};

struct AnimDecoderHolder {
    WebPAnimDecoder* decoder;
    ~AnimDecoderHolder() { WebPAnimDecoderDelete(decoder); }
};

bool hasWebpHeader(const uint8_t* data, size_t size)
{
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

bool everyPixelOpaque(const uint8_t* rgba, uint64_t count)
{
    for (uint64_t i = 0; i < count; ++i)
        if (rgba[4 * i + 3] != 255)
            return false;
    return true;
}

// R,G,B,A rows into the Picture's R,G,B or T,R,G,B layout.
bool fillPicture(const uint8_t* rgba, int32_t width, int32_t height, Picture& picture)
{
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = everyPixelOpaque(rgba, count) ? 24 : 32;
    picture.pixels = allocateBytes(static_cast<size_t>(picture.pixelBytes()));
    if (!picture.pixels) {
        picture.clear();
        return false;
    }
    uint8_t* out = picture.pixels.get();
    if (picture.bitsPerPixel == 24) {
        for (uint64_t i = 0; i < count; ++i, out += 3, rgba += 4) {
            out[0] = rgba[0];
            out[1] = rgba[1];
            out[2] = rgba[2];
        }
    } else {
        for (uint64_t i = 0; i < count; ++i, out += 4, rgba += 4) {
            out[0] = static_cast<uint8_t>(255 - rgba[3]);
            out[1] = rgba[0];
            out[2] = rgba[1];
            out[3] = rgba[2];
        }
    }
    return true;
}

}  // namespace

WebpFrameResult decodeFirstWebpFrame(const uint8_t* data, size_t size, uint64_t maxCanvasPixels,
                                     Picture& picture)
{
    picture.clear();
    const WebPData webpData = {data, size};

    // The demuxer only reads the chunk layout: truncation, bad chunk sizes
    // and frames outside the canvas fail here, before any pixel memory.
    uint32_t canvasWidth = 0;
    uint32_t canvasHeight = 0;
    {
        const DemuxHolder demux = {WebPDemux(&webpData)};
        if (!demux.demuxer)
            return hasWebpHeader(data, size) ? WebpFrameResult::corrupt : WebpFrameResult::notWebp;
        canvasWidth = WebPDemuxGetI(demux.demuxer, WEBP_FF_CANVAS_WIDTH);
        canvasHeight = WebPDemuxGetI(demux.demuxer, WEBP_FF_CANVAS_HEIGHT);
    }
    if (canvasWidth == 0 || canvasHeight == 0)
        return WebpFrameResult::corrupt;
    // Checked before libwebp allocates its two canvases of 4 bytes a pixel.
    if (static_cast<uint64_t>(canvasWidth) * canvasHeight > maxCanvasPixels)
        return WebpFrameResult::tooLarge;

    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return WebpFrameResult::outOfMemory;
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const AnimDecoderHolder decoder = {WebPAnimDecoderNew(&webpData, &options)};
    if (!decoder.decoder)
        return WebpFrameResult::outOfMemory;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.decoder, &canvas, &timestamp))
        return WebpFrameResult::corrupt;
    if (!fillPicture(canvas, static_cast<int32_t>(canvasWidth), static_cast<int32_t>(canvasHeight), picture))
        return WebpFrameResult::outOfMemory;
    return WebpFrameResult::decoded;
}
