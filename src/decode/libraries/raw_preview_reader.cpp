#include "decode/libraries/raw_preview_reader.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "decode/libraries/jpeg_scale.h"

namespace {

struct LibRawRelease {
    void operator()(libraw_data_t* data) const { libraw_close(data); }
};
using LibRawHandle = std::unique_ptr<libraw_data_t, LibRawRelease>;

// LibRaw's default lets one allocation for raw data reach 2 GB. This reader
// never unpacks raw data; what LibRaw does allocate while it reads the
// file's tags gets no more than the largest picture's 16-bit samples.
constexpr unsigned maxLibRawMegabytes = unsigned(maxPicturePixels * 2 / (1024 * 1024));

#if LIBRAW_VERSION >= LIBRAW_MAKE_VERSION(0, 21, 0)
void limitMemory(libraw_data_t& raw) { raw.rawparams.max_raw_memory_mb = maxLibRawMegabytes; }
#else
void limitMemory(libraw_data_t& raw) { raw.params.max_raw_memory_mb = maxLibRawMegabytes; }
#endif

// The JPEG's own header gives the size; a stream libjpeg-turbo refuses, or
// one over the limit, is no preview.
bool acceptJpeg(const libraw_thumbnail_t& thumbnail, uint64_t pixelLimit, RawPreview& preview)
{
    JpegHeader header;
    const auto* stream = reinterpret_cast<const uint8_t*>(thumbnail.thumb);
    if (decodeJpeg(stream, thumbnail.tlength, header, nullptr) != JpegDecodeResult::decoded)
        return false;
    if (uint64_t(header.width) * uint64_t(header.height) > pixelLimit)
        return false;
    preview.kind = RawPreviewKind::jpeg;
    preview.width = header.width;
    preview.height = header.height;
    preview.jpegKind = header.kind;
    return true;
}

// 8-bit R,G,B or grey rows that fill what LibRaw says it holds.
bool acceptBitmap(const libraw_thumbnail_t& thumbnail, uint64_t pixelLimit, RawPreview& preview)
{
    const uint64_t pixels = uint64_t(thumbnail.twidth) * uint64_t(thumbnail.theight);
    if (pixels == 0 || pixels > pixelLimit)
        return false;
    if (thumbnail.tcolors != 1 && thumbnail.tcolors != 3)
        return false;
    if (uint64_t(thumbnail.tlength) < pixels * uint64_t(thumbnail.tcolors))
        return false;
    preview.kind = RawPreviewKind::bitmap;
    preview.width = thumbnail.twidth;
    preview.height = thumbnail.theight;
    preview.colours = thumbnail.tcolors;
    return true;
}

// The preview LibRaw has just unpacked, copied out of its memory.
bool takeUnpackedPreview(const libraw_data_t& raw, uint64_t pixelLimit, RawPreview& preview)
{
    const libraw_thumbnail_t& thumbnail = raw.thumbnail;
    if (!thumbnail.thumb || thumbnail.tlength == 0)
        return false;
    RawPreview taken;
    if (thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG) {
        if (!acceptJpeg(thumbnail, pixelLimit, taken))
            return false;
    } else if (thumbnail.tformat == LIBRAW_THUMBNAIL_BITMAP) {
        if (!acceptBitmap(thumbnail, pixelLimit, taken))
            return false;
    } else {
        return false;
    }
    taken.bytes = allocateBytes(thumbnail.tlength);
    if (!taken.bytes)
        return false;
    std::memcpy(taken.bytes.get(), thumbnail.thumb, thumbnail.tlength);
    taken.size = thumbnail.tlength;
    taken.orientation = orientationOfRawFlip(raw.sizes.flip);
    preview = std::move(taken);
    return true;
}

#if LIBRAW_VERSION >= LIBRAW_MAKE_VERSION(0, 21, 0)
// LibRaw allocates a bitmap preview's pixels (three times its stated size)
// before this reader sees them, so its stated size is judged first; a JPEG
// preview's bytes lie within the file.
bool mayUnpack(const libraw_thumbnail_item_t& item, size_t fileSize, uint64_t pixelLimit)
{
    if (item.tlength > fileSize)
        return false;
    if (item.tformat == LIBRAW_INTERNAL_THUMBNAIL_JPEG)
        return true;
    return uint64_t(item.twidth) * uint64_t(item.theight) <= pixelLimit;
}

// The file's previews from the largest down, by stated pixels, then bytes.
bool takeLargestListedPreview(libraw_data_t& raw, size_t fileSize, uint64_t pixelLimit, RawPreview& preview)
{
    const libraw_thumbnail_list_t& list = raw.thumbs_list;
    const int count = std::min(list.thumbcount, int(LIBRAW_THUMBNAIL_MAXCOUNT));
    int order[LIBRAW_THUMBNAIL_MAXCOUNT];
    for (int i = 0; i < count; ++i)
        order[i] = i;
    auto pixels = [&](int i) { return uint64_t(list.thumblist[i].twidth) * list.thumblist[i].theight; };
    std::stable_sort(order, order + count, [&](int a, int b) {
        if (pixels(a) != pixels(b))
            return pixels(a) > pixels(b);
        return list.thumblist[a].tlength > list.thumblist[b].tlength;
    });
    for (int i = 0; i < count; ++i) {
        if (!mayUnpack(list.thumblist[order[i]], fileSize, pixelLimit))
            continue;
        if (libraw_unpack_thumb_ex(&raw, order[i]) == LIBRAW_SUCCESS &&
            takeUnpackedPreview(raw, pixelLimit, preview))
            return true;
    }
    return false;
}
#endif

// The one preview LibRaw's own parsers picked, for the makers' formats whose
// parsers list none.
bool takeDefaultPreview(libraw_data_t& raw, uint64_t pixelLimit, RawPreview& preview)
{
    const libraw_thumbnail_t& stated = raw.thumbnail;
    if (uint64_t(stated.twidth) * uint64_t(stated.theight) > pixelLimit)
        return false;
    return libraw_unpack_thumb(&raw) == LIBRAW_SUCCESS && takeUnpackedPreview(raw, pixelLimit, preview);
}

// 4-byte B,G,R,x pixels from the bitmap's rows.
void widenBitmap(const RawPreview& preview, const PixelRows& rows)
{
    const uint8_t* in = preview.bytes.get();
    for (int32_t y = 0; y < rows.height; ++y) {
        uint8_t* out = rows.top + y * rows.stride;
        for (int32_t x = 0; x < rows.width; ++x, out += 4, in += preview.colours) {
            const uint8_t red = in[0];
            const uint8_t green = preview.colours == 3 ? in[1] : in[0];
            const uint8_t blue = preview.colours == 3 ? in[2] : in[0];
            out[0] = blue;
            out[1] = green;
            out[2] = red;
            out[3] = 0xFF;
        }
    }
}

// The stored picture at the scale, into rows of its own (stored) size.
bool decodeStored(const RawPreview& preview, const PixelRows& rows, int eighths)
{
    if (preview.kind == RawPreviewKind::bitmap) {
        if (rows.width != preview.width || rows.height != preview.height)
            return false;
        widenBitmap(preview, rows);
        return true;
    }
    const JpegRows jpegRows{rows.top, rows.stride, rows.width, rows.height, eighths};
    JpegHeader header;
    return decodeJpeg(preview.bytes.get(), preview.size, header, &jpegRows) == JpegDecodeResult::decoded;
}

}  // namespace

Orientation orientationOfRawFlip(int flip)
{
    // Indexed by the three bits: transpose, reverse rows, reverse columns.
    static const uint8_t exifValues[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return orientationFromExif(exifValues[flip & 7]);
}

bool extractRawPreview(const uint8_t* data, size_t size, RawPreview& preview, uint64_t pixelLimit)
{
    preview = RawPreview{};
    // Its default data-error callback writes to stderr. (The flag's name
    // with LibRaw's old spelling, which 0.20 and 0.21 both know.)
    LibRawHandle raw(libraw_init(LIBRAW_OPIONS_NO_DATAERR_CALLBACK));
    if (!raw)
        return false;
    limitMemory(*raw);
    // LibRaw only reads the buffer; 0.20 declares it without const.
    if (libraw_open_buffer(raw.get(), const_cast<uint8_t*>(data), size) != LIBRAW_SUCCESS)
        return false;
#if LIBRAW_VERSION >= LIBRAW_MAKE_VERSION(0, 21, 0)
    if (takeLargestListedPreview(*raw, size, pixelLimit, preview))
        return true;
    if (raw->thumbs_list.thumbcount > 0)
        return false;
#endif
    return takeDefaultPreview(*raw, pixelLimit, preview);
}

void rawPreviewUprightSize(const RawPreview& preview, int eighths, int32_t& width, int32_t& height)
{
    const int scale = preview.kind == RawPreviewKind::jpeg ? eighths : jpegFullScaleEighths;
    const int32_t storedWidth = jpegScaledSide(preview.width, scale);
    const int32_t storedHeight = jpegScaledSide(preview.height, scale);
    width = storedWidth;
    height = storedHeight;
    turnSides(preview.orientation, width, height);
}

bool decodeRawPreview(const RawPreview& preview, const JpegRows& rows)
{
    if (preview.kind == RawPreviewKind::none)
        return false;
    const PixelRows destination{rows.firstRow, rows.stride, rows.width, rows.height};
    if (preview.orientation == Orientation::upright)
        return decodeStored(preview, destination, rows.eighths);
    // Decoded as stored, then turned into the caller's rows.
    int32_t width = rows.width, height = rows.height;
    turnSides(preview.orientation, width, height);
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    if (width <= 0 || height <= 0 || bytes > maxPixelArrayBytes)
        return false;
    ByteArray stored = allocateBytes(static_cast<size_t>(bytes));
    if (!stored)
        return false;
    const PixelRows storedRows{stored.get(), ptrdiff_t{4} * width, width, height};
    return decodeStored(preview, storedRows, rows.eighths) && turnPixels(storedRows, destination, preview.orientation);
}
