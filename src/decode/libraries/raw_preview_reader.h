// Camera RAW files (DNG and the makers' own formats) are shown through the
// largest preview the camera embedded in them, taken out by LibRaw; the
// sensor data itself is never developed. A JPEG preview is decoded by
// libjpeg-turbo at a reduced DCT scale like any JPEG, a bitmap preview is
// taken as it is, and either is turned upright by the orientation LibRaw
// reads from the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/libraries/jpeg_memory_decode.h"
#include "picture/picture.h"
#include "picture/pixel_array_limit.h"
#include "picture/orientation_turn.h"

enum class RawPreviewKind { none, jpeg, bitmap };

struct RawPreview {
    RawPreviewKind kind = RawPreviewKind::none;
    ByteArray bytes;  // the JPEG stream, or rows of `colours` bytes a pixel, top first, unpadded
    size_t size = 0;
    int32_t width = 0;  // as stored, before the turn; a JPEG's from its own header
    int32_t height = 0;
    int colours = 0;  // bitmap: 3 (R,G,B) or 1 (grey)
    JpegStreamKind jpegKind = JpegStreamKind::fullChroma;  // a JPEG's, from its own header
    Orientation orientation = Orientation::upright;  // where the stored picture's rows belong
};

// The orientation of LibRaw's code `flip` (dcraw's: bit 4 transposes, bit 2
// reverses the rows, bit 1 the columns; 3 is half a turn, 5 and 6 a quarter
// turn either way).
Orientation orientationOfRawFlip(int flip);

// Opens the file held in data[0, size) with LibRaw and takes out its largest
// preview that this reader can show (the next largest when the largest is in
// a form it cannot). False, with preview empty, when the file has none.
// Previews of more than pixelLimit pixels are refused before their pixels
// are allocated; the tests and the fuzz target pass smaller limits than the
// program's own. data must stay valid and unchanged during the call.
bool extractRawPreview(const uint8_t* data, size_t size, RawPreview& preview,
                       uint64_t pixelLimit = maxPicturePixels);

// The upright size of the preview decoded at scale eighths/8 (a bitmap only
// at 8/8).
void rawPreviewUprightSize(const RawPreview& preview, int eighths, int32_t& width, int32_t& height);

// Decodes the preview upright into rows of 4-byte B,G,R,x pixels whose size
// is rawPreviewUprightSize at rows.eighths. False when it cannot be decoded
// (a JPEG stream libjpeg gives up on, no memory for the turn).
bool decodeRawPreview(const RawPreview& preview, const JpegRows& rows);
