// JPEG decoding from memory with libjpeg-turbo, at a reduced DCT scale when
// the picture is shown smaller than it is, into 32-bit B,G,R,x rows that the
// caller provides (the display bitmap's own memory).
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/parallel_bands.h"

enum class JpegDecodeResult {
    decoded,         // rows written (a stream cut short decodes as far as it goes)
    notForThisPath,  // CMYK/YCCK, other colour spaces, 12-bit, lossless, arithmetic
                     // coding, or no JPEG stream at all (a picture of another format)
    corrupt,         // a JPEG stream libjpeg gives up on
    tooLarge,        // over the pixel limit, scans that would pass over the picture
                     // more often than jpegScanPassBudget, or too much coefficient memory
    cannotBeReal,    // more blocks than the file's bytes can describe
    abandoned,       // the viewer is quitting (quitRequested)
};

// Whether a file this path refuses goes on to the platform's decoder: only
// the kinds it does not take. Broken and hostile files end here, so that a
// decoder without these limits never sees them.
constexpr bool passesToPlatformDecoder(JpegDecodeResult result)
{
    return result == JpegDecodeResult::notForThisPath;
}

// The scans of a stream may together visit at most this many times the
// blocks of one pass over the whole picture (an interleaved scan of every
// component, padded to whole MCUs); each scan is counted before its data is
// decoded. A scan visits at most one pass, so every stream of up to this
// many scans is taken whatever its scans cover: encoders write about ten,
// and libjpeg's own progression visits six passes at most.
// Repeated scans, valid to libjpeg, would otherwise each cost a full pass:
// a file of 100,001 tiny scans, or 100 passes over a 16384 x 16384 picture.
constexpr uint64_t jpegScanPassBudget = 20;

// The kinds of stream whose decodes at reduced DCT scales cost differently
// against the full-size decode: the chroma sampling of a sequential stream
// (4:4:0, 4:1:1 and rarer ones count as fullChroma, whose reduced decodes
// cost the most), one component, and progressive streams of any sampling,
// whose Huffman passes over every scan outweigh the sampling.
enum class JpegStreamKind { chroma420, chroma422, fullChroma, grey, progressive };

struct JpegHeader {
    int32_t width = 0;
    int32_t height = 0;
    JpegStreamKind kind = JpegStreamKind::fullChroma;
    bool oneScan = false;  // one scan holds every block: its rows can be decoded in bands
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
// decodes the picture into them, a one-scan stream in bands on up to threads
// threads (the same bytes as one decoder gives). Without rows only the
// header is checked: decoded then means that a decode would be tried. header
// holds the size the frame declares whenever it was read, also when the
// picture is refused. Never reads outside data and never writes outside the
// rows described; ends early, abandoned, once quitRequested is raised.
JpegDecodeResult decodeJpeg(const uint8_t* data, size_t size, JpegHeader& header, const JpegRows* rows,
                            int threads = parallelBandThreads());
