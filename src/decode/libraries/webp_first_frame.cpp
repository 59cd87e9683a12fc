#include "decode/libraries/webp_first_frame.h"

#include <cstring>

#include <webp/decode.h>
#include <webp/demux.h>

#include "decode/libraries/webp_picture_area.h"
#include "picture/pixel_array_limit.h"

namespace {

// Frees the demuxer and its frame iterator on every return path.
struct FirstFrame {
    WebPDemuxer* demuxer = nullptr;
    WebPIterator iterator{};
    bool found = false;
    ~FirstFrame()
    {
        if (found)
            WebPDemuxReleaseIterator(&iterator);
        WebPDemuxDelete(demuxer);
    }
};

bool hasWebpHeader(const uint8_t* data, size_t size)
{
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

// Decodes the frame's bitstream straight into the picture's rows at the
// frame's place: the first frame of an animation is always a key frame,
// drawn on a cleared canvas without blending.
bool decodeInto(const WebPData& frame, WEBP_CSP_MODE mode, int bytesPerPixel, const WebpPictureArea& area,
                Picture& picture)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return false;
    const uint64_t stride = uint64_t{area.width} * static_cast<uint64_t>(bytesPerPixel);
    const uint64_t offset = area.frameY * stride + uint64_t{area.frameX} * static_cast<uint64_t>(bytesPerPixel);
    config.output.colorspace = mode;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.pixels.get() + offset;
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = static_cast<size_t>(picture.pixelBytes() - offset);
    const bool decoded = WebPDecode(frame.bytes, frame.size, &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&config.output);
    return decoded;
}

bool allocatePixels(Picture& picture, const WebpPictureArea& area, int32_t bitsPerPixel)
{
    picture.width = static_cast<int32_t>(area.width);
    picture.height = static_cast<int32_t>(area.height);
    picture.bitsPerPixel = bitsPerPixel;
    picture.pixels = allocateBytes(static_cast<size_t>(picture.pixelBytes()));
    return picture.pixels != nullptr;
}

// A,R,G,B as libwebp wrote it becomes T,R,G,B; false when no pixel is
// transparent.
bool invertAlpha(Picture& picture)
{
    uint8_t* pixel = picture.pixels.get();
    const uint64_t count = uint64_t(picture.width) * uint64_t(picture.height);
    uint8_t transparency = 0;
    for (uint64_t i = 0; i < count; ++i, pixel += 4) {
        pixel[0] = static_cast<uint8_t>(255 - pixel[0]);
        transparency |= pixel[0];
    }
    return transparency != 0;
}

WebpFrameResult decodeFrame(const WebPIterator& frame, const WebpPictureArea& area, Picture& picture)
{
    // Opaque frames that fill the picture decode as R,G,B rows, which are
    // already the 24-bit picture.
    const bool fills = area.width == uint32_t(frame.width) && area.height == uint32_t(frame.height);
    if (!frame.has_alpha && fills) {
        if (!allocatePixels(picture, area, 24))
            return WebpFrameResult::outOfMemory;
        return decodeInto(frame.fragment, MODE_RGB, 3, area, picture) ? WebpFrameResult::decoded
                                                                      : WebpFrameResult::corrupt;
    }
    if (!allocatePixels(picture, area, 32))
        return WebpFrameResult::outOfMemory;
    // The canvas around the frame: A = 0 and black, T = 255 once inverted.
    if (!fills)
        std::memset(picture.pixels.get(), 0, static_cast<size_t>(picture.pixelBytes()));
    if (!decodeInto(frame.fragment, MODE_ARGB, 4, area, picture))
        return WebpFrameResult::corrupt;
    if (!invertAlpha(picture) && picture.convert32To24() != 0)
        return WebpFrameResult::outOfMemory;
    return WebpFrameResult::decoded;
}

}  // namespace

WebpFrameResult decodeFirstWebpFrame(const uint8_t* data, size_t size, uint64_t maxPixels, Picture& picture)
{
    picture.clear();
    const WebPData webpData = {data, size};

    // The demuxer only reads the chunk layout: truncation, bad chunk sizes
    // and frames outside the canvas fail here, before any pixel memory.
    FirstFrame first;
    first.demuxer = WebPDemux(&webpData);
    if (!first.demuxer)
        return hasWebpHeader(data, size) ? WebpFrameResult::corrupt : WebpFrameResult::notWebp;
    const uint32_t canvasWidth = WebPDemuxGetI(first.demuxer, WEBP_FF_CANVAS_WIDTH);
    const uint32_t canvasHeight = WebPDemuxGetI(first.demuxer, WEBP_FF_CANVAS_HEIGHT);
    first.found = WebPDemuxGetFrame(first.demuxer, 1, &first.iterator) != 0;
    const WebPIterator& frame = first.iterator;
    if (!first.found || !frame.complete || frame.width <= 0 || frame.height <= 0 || canvasWidth == 0 ||
        canvasHeight == 0)
        return WebpFrameResult::corrupt;

    const WebpRectangle frameRectangle = {uint32_t(frame.x_offset), uint32_t(frame.y_offset), uint32_t(frame.width),
                                          uint32_t(frame.height)};
    const WebpPictureArea area = webpPictureArea(canvasWidth, canvasHeight, frameRectangle, size, maxPixels);
    if (uint64_t{area.width} * area.height > maxPixels || uint64_t{area.width} * area.height * 4 > maxPixelArrayBytes)
        return WebpFrameResult::tooLarge;
    const WebpFrameResult result = decodeFrame(frame, area, picture);
    if (result != WebpFrameResult::decoded)
        picture.clear();
    return result;
}
