#include "decode/libraries/heif_reader.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "state/decode_results.h"
#include "state/quit_request.h"
#include "decode/common/file_contents.h"
#include "decode/common/pixel_swizzle.h"
#include "decode/headers/heif_hidden_auxiliary.h"
#include "decode/headers/heif_layout.h"
#include "decode/headers/heif_layout_check.h"
#include "picture/pixel_array_limit.h"
#include "picture/picture.h"

namespace {

struct ContextRelease {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsRelease {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using Context = std::unique_ptr<heif_context, ContextRelease>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;

// The library's defaults allow a picture of 2^30 pixels and blocks of half a
// gigabyte; a hostile header gets no more than the program's own readers.
void limitResources(heif_context* context, uint64_t pixelLimit)
{
    heif_security_limits* limits = heif_context_get_security_limits(context);
    limits->max_image_size_pixels = pixelLimit;
    // Phones write 512 x 512 tiles: 48 for 12 megapixels. 4096 tiles cover
    // the largest picture in tiles of 256 x 256.
    limits->max_number_of_tiles = 4096;
    limits->max_bayer_pattern_pixels = 16 * 16;
    // Tiles, thumbnails, depth and gain maps, Exif and XMP of one photo.
    limits->max_items = 1000;
    limits->max_color_profile_size = 4 * 1024 * 1024;
    // The largest single block is the picture's own R,G,B,A array.
    limits->max_memory_block_size = pixelLimit * 4;
    limits->max_components = 16;
    limits->max_iloc_extents_per_item = 32;
    limits->max_size_entity_group = 64;
    limits->max_children_per_box = 100;
}

// libheif asks between grid tiles.
int quitting(void*)
{
    return quitRequested.load() ? 1 : 0;
}

// A context over data[0, size), which must outlive it, and its primary
// image's handle; both null when libheif refuses the file.
Handle openPrimary(Context& context, const uint8_t* data, size_t size, uint64_t pixelLimit, int tileThreads)
{
    context.reset(heif_context_alloc());
    if (!context)
        return nullptr;
    limitResources(context.get(), pixelLimit);
    // libheif starts a grid's next tile only when one of at most this many
    // has finished, so tiles in flight, and the memory they hold, stay
    // bounded whatever the tile count; 0 decodes them on this thread.
    heif_context_set_max_decoding_threads(context.get(), tileThreads > 1 ? tileThreads : 0);
    if (heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr).code != heif_error_Ok)
        return nullptr;
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok)
        return nullptr;
    return Handle(handle);
}

// The decoded rows, copied without their padding into a 24-bit picture, or
// from R,G,B,A into a 32-bit one that is reduced to 24 bits when no pixel is
// transparent.
void copyRows(const heif_image* image, int32_t width, int32_t height, bool withAlpha, Picture& picture)
{
    int stride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const uint64_t rowBytes = uint64_t(width) * (withAlpha ? 4 : 3);
    if (!rows || stride < 0 || uint64_t(stride) < rowBytes)
        return;
    ByteArray pixels = allocateBytes(static_cast<size_t>(rowBytes * uint64_t(height)));
    if (!pixels)
        return;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* target = pixels.get() + rowBytes * uint64_t(y);
        const uint8_t* source = rows + uint64_t(stride) * uint64_t(y);
        if (withAlpha)
            rgbaToTrgb(source, target, static_cast<size_t>(width));
        else
            std::memcpy(target, source, static_cast<size_t>(rowBytes));
    }
    picture.clear();
    picture.width = width;
    picture.height = height;
    picture.bitsPerPixel = withAlpha ? 32 : 24;
    picture.pixels = std::move(pixels);
    if (withAlpha && !picture.hasTransparency())
        picture.convert32To24();
}


// The primary picture decoded as 8-bit samples in the given layout; null
// when libheif fails or delivers another layout or size.
Image decodeAs(const heif_image_handle* handle, heif_chroma chroma, const heif_decoding_options* options,
               int32_t width, int32_t height)
{
    heif_image* imageOut = nullptr;
    if (heif_decode_image(handle, &imageOut, heif_colorspace_RGB, chroma, options).code != heif_error_Ok)
        return nullptr;
    Image image(imageOut);
    if (heif_image_get_chroma_format(image.get()) != chroma ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
        heif_image_get_primary_width(image.get()) != width || heif_image_get_primary_height(image.get()) != height)
        return nullptr;
    return image;
}

}  // namespace

int heifTileThreads()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

void parseHeifImage(const uint8_t* data, size_t size, Picture& picture, uint64_t pixelLimit, HeifAlpha alpha,
                    int tileThreads)
{
    picture.clear();
    // Outlives the context that may read from it.
    std::vector<uint8_t> colourOnly;
    Context context;
    Handle handle = openPrimary(context, data, size, pixelLimit, tileThreads);
    if (!handle)
        return;

    // The size after rotation and crop, as the picture will be shown.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > pixelLimit)
        return;
    imageWidth = width;
    imageHeight = height;

    // The sizes the streams and tiles declare, checked before libde265
    // allocates for them.
    HeifLayout layout;
    if (!readHeifLayout(data, size, layout) ||
        checkHeifLayout(data, size, layout, pixelLimit) != HeifLayoutVerdict::acceptable)
        return;
    std::unique_ptr<heif_decoding_options, OptionsRelease> options(heif_decoding_options_alloc());
    if (!options)
        return;
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    options->cancel_decoding = quitting;
    bool withAlpha = alpha == HeifAlpha::kept && heif_image_handle_has_alpha_channel(handle.get());
    Image image = withAlpha ? decodeAs(handle.get(), heif_chroma_interleaved_RGBA, options.get(), width, height)
                            : nullptr;
    if (!image) {
        // Without its alpha plane, wanted or not, the picture is decoded
        // from a copy that hides the auxiliary pictures: a broken one cannot
        // fail the picture.
        withAlpha = false;
        colourOnly = withoutAuxiliaryPictures(data, size, layout);
        if (!colourOnly.empty()) {
            handle.reset();
            handle = openPrimary(context, colourOnly.data(), colourOnly.size(), pixelLimit, tileThreads);
            if (!handle)
                return;
        }
        image = decodeAs(handle.get(), heif_chroma_interleaved_RGB, options.get(), width, height);
        if (!image)
            return;
    }
    copyRows(image.get(), width, height, withAlpha, picture);
}

void readHeifImage(const char16_t* path, Picture& picture, HeifAlpha alpha)
{
    picture.clear();
    FileContents contents;
    if (readFileContents(path, contents) != FileReadResult::ok)
        return;
    parseHeifImage(contents.data(), contents.size(), picture, maxPicturePixels, alpha);
}
