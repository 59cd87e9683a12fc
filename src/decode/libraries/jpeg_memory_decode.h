// JPEG decoding from memory with libjpeg-turbo, at a reduced DCT scale when
// the picture is shown smaller than it is, into 32-bit B,G,R,x rows that the
// caller provides (the display bitmap's own memory).
#pragma once

#include <cstddef>
#include <cstdint>

enum class JpegDecodeResult {
    decoded,         // rows written (a stream cut short decodes as far as it goes)
    notForThisPath,  // CMYK/YCCK, other colour spaces, 12-bit, lossless, arithmetic coding
    corrupt,         // not a JPEG stream, or one libjpeg gives up on
    tooLarge,        // over the pixel limit, more than the file's bytes can describe,
                     // too many scans or too much coefficient memory
};

// A progressive stream can repeat scans that each pass over every block of
// the picture; encoders write about ten. A stream with more is tooLarge.
constexpr int maxJpegScans = 100;

struct JpegHeader {
    int32_t width = 0;
    int32_t height = 0;
};

// Where the decoded rows go: row y (top first) starts at firstRow + y * stride,
// 4 bytes a pixel. width and height must be the stream's size at scale
// eighths/8 (jpegScaledSide), eighths 1 to 8.
struct JpegRows {
    uint8_t* firstRow;
    ptrdiff_t stride;
    int32_t width;
    int32_t height;
    int eighths;
};

// Reads the header of data[0, size) into header and, when rows is given,
// decodes the picture into them. Without rows only the header is checked:
// decoded then means that a decode would be tried. Never reads outside data
// and never writes outside the rows described.
JpegDecodeResult decodeJpeg(const uint8_t* data, size_t size, JpegHeader& header, const JpegRows* rows);
