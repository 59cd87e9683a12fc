// Run-length encoders of the QDL writer. Units never join different values,
// so the shortest stream is the shortest encoding of each maximal run of
// equal pixels on its own; each function below writes that for one run.
#include <cstring>

#include "decode/qdl/qdl_encoders.h"

namespace {

// 1 bit: one byte per run of 1 to 128 equal pixels, (length - 1) << 1 | bit.
void appendBitRun(std::vector<uint8_t>& out, int bit, uint32_t length)
{
    out.push_back(static_cast<uint8_t>(((length - 1) << 1) | static_cast<uint32_t>(bit)));
}

// 8 bits, compression 1: (c, v) for 1 to 256 pixels.
void appendCountRuns(std::vector<uint8_t>& out, uint8_t value, uint64_t length)
{
    while (length > 0) {
        const uint32_t part = length < 256 ? static_cast<uint32_t>(length) : 256u;
        out.push_back(static_cast<uint8_t>(part - 1));
        out.push_back(value);
        length -= part;
    }
}

// 8 bits, compression 2: literals cost a byte each, a run of 4 to 259 costs
// 3 (255, n - 4, v). Index 255 exists only in runs, so a remainder below 4
// is taken from the run before it.
bool appendEscapeRuns(std::vector<uint8_t>& out, uint8_t value, uint64_t length)
{
    while (length > 0) {
        if (length < 4) {
            if (value == 255)
                return false;
            out.insert(out.end(), static_cast<size_t>(length), value);
            return true;
        }
        uint32_t part = length < 259 ? static_cast<uint32_t>(length) : 259u;
        if (value == 255 && length - part > 0 && length - part < 4)
            part = static_cast<uint32_t>(length - 4);
        out.push_back(255);
        out.push_back(static_cast<uint8_t>(part - 4));
        out.push_back(value);
        length -= part;
    }
    return true;
}

// 8 bits, compression 3: literals below 128 cost a byte, a run of 3 to 130
// costs 2 (n + 125, v); indices from 128 on exist only in runs.
bool appendFlagRuns(std::vector<uint8_t>& out, uint8_t value, uint64_t length)
{
    while (length > 0) {
        if (length < 3) {
            if (value >= 128)
                return false;
            out.insert(out.end(), static_cast<size_t>(length), value);
            return true;
        }
        uint32_t part = length < 130 ? static_cast<uint32_t>(length) : 130u;
        if (value >= 128 && length - part > 0 && length - part < 3)
            part = static_cast<uint32_t>(length - 3);
        out.push_back(static_cast<uint8_t>(part + 125));
        out.push_back(value);
        length -= part;
    }
    return true;
}

// 8 bits, compression 4: literals below 254 cost a byte, a run of 4 to 259
// costs 3 (255, n - 4, v), one of 260 to 65795 costs 4 (254, n - 260 as 16
// bits, v); indices 254 and 255 exist only in runs.
bool appendLongEscapeRuns(std::vector<uint8_t>& out, uint8_t value, uint64_t length)
{
    const bool runsOnly = value >= 254;
    while (length > 0) {
        if (length < 4) {
            if (runsOnly)
                return false;
            out.insert(out.end(), static_cast<size_t>(length), value);
            return true;
        }
        if (length < 260) {
            out.push_back(255);
            out.push_back(static_cast<uint8_t>(length - 4));
            out.push_back(value);
            return true;
        }
        uint32_t part = length < 65795 ? static_cast<uint32_t>(length) : 65795u;
        if (runsOnly && length - part > 0 && length - part < 4)
            part = static_cast<uint32_t>(length - 4);
        out.push_back(254);
        out.push_back(static_cast<uint8_t>((part - 260) & 0xFF));
        out.push_back(static_cast<uint8_t>((part - 260) >> 8));
        out.push_back(value);
        length -= part;
    }
    return true;
}

// 24 and 32 bits, compression 1: a count byte c, then the colour, for 1 to
// 256 pixels.
void appendColourRuns(std::vector<uint8_t>& out, const uint8_t* colour, int colourBytes, uint64_t length)
{
    while (length > 0) {
        const uint32_t part = length < 256 ? static_cast<uint32_t>(length) : 256u;
        out.push_back(static_cast<uint8_t>(part - 1));
        out.insert(out.end(), colour, colour + colourBytes);
        length -= part;
    }
}

// 32 bits, compression 2: a lone pixel costs 4 bytes, a run of 2 to 255
// costs 6 (255, n, colour), one of 256 to 65791 costs 8 (255, 1, n - 256 as
// 16 bits, colour). A pixel starting 255, non-zero would read as a run
// marker, so it exists only in runs.
bool appendMarkedRuns(std::vector<uint8_t>& out, const uint8_t* colour, uint64_t length)
{
    const bool runsOnly = colour[0] == 255 && colour[1] != 0;
    while (length > 0) {
        if (length == 1) {
            if (runsOnly)
                return false;
            out.insert(out.end(), colour, colour + 4);
            return true;
        }
        if (length < 256) {
            out.push_back(255);
            out.push_back(static_cast<uint8_t>(length));
            out.insert(out.end(), colour, colour + 4);
            return true;
        }
        uint32_t part = length < 65791 ? static_cast<uint32_t>(length) : 65791u;
        if (runsOnly && length - part == 1)
            --part;
        out.push_back(255);
        out.push_back(1);
        out.push_back(static_cast<uint8_t>((part - 256) & 0xFF));
        out.push_back(static_cast<uint8_t>((part - 256) >> 8));
        out.insert(out.end(), colour, colour + 4);
        length -= part;
    }
    return true;
}

uint64_t pixelCount(const Picture& picture)
{
    return static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
}

// Calls emit(first, length) for each maximal run of equal colourBytes-byte
// pixels; stops early when emit returns false.
template <typename Emit>
bool forEachRun(const uint8_t* pixels, uint64_t count, int colourBytes, Emit emit)
{
    uint64_t start = 0;
    while (start < count) {
        const uint8_t* first = pixels + start * colourBytes;
        uint64_t end = start + 1;
        while (end < count && std::memcmp(pixels + end * colourBytes, first, colourBytes) == 0)
            ++end;
        if (!emit(first, end - start))
            return false;
        start = end;
    }
    return true;
}

}  // namespace

QdlWriteResult encodeQdlBitRuns(const Picture& picture, std::vector<uint8_t>& out)
{
    // Rows of no pixels: nothing to store, however many there are.
    if (picture.width == 0)
        return QdlWriteResult::written;
    const uint64_t rowBytes = picture.rowBytes();
    int bit = 0;
    uint32_t length = 0;
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* row = picture.pixels.get() + static_cast<uint64_t>(y) * rowBytes;
        for (int32_t x = 0; x < picture.width; ++x) {
            const int value = (row[x >> 3] >> (7 - (x & 7))) & 1;
            if (length > 0 && (value != bit || length == 128)) {
                appendBitRun(out, bit, length);
                length = 0;
            }
            bit = value;
            ++length;
        }
    }
    if (length > 0)
        appendBitRun(out, bit, length);
    return QdlWriteResult::written;
}

QdlWriteResult encodeQdlIndexRuns(const Picture& picture, int compression, std::vector<uint8_t>& out)
{
    const bool stored = forEachRun(picture.pixels.get(), pixelCount(picture), 1,
                                   [&](const uint8_t* value, uint64_t length) {
        switch (compression) {
        case 1: appendCountRuns(out, *value, length); return true;
        case 2: return appendEscapeRuns(out, *value, length);
        case 3: return appendFlagRuns(out, *value, length);
        default: return appendLongEscapeRuns(out, *value, length);
        }
    });
    return stored ? QdlWriteResult::written : QdlWriteResult::unrepresentable;
}

QdlWriteResult encodeQdlColourRuns(const Picture& picture, std::vector<uint8_t>& out)
{
    const int colourBytes = picture.bitsPerPixel / 8;
    forEachRun(picture.pixels.get(), pixelCount(picture), colourBytes, [&](const uint8_t* colour, uint64_t length) {
        appendColourRuns(out, colour, colourBytes, length);
        return true;
    });
    return QdlWriteResult::written;
}

QdlWriteResult encodeQdlMarkedRuns(const Picture& picture, std::vector<uint8_t>& out)
{
    const bool stored = forEachRun(picture.pixels.get(), pixelCount(picture), 4,
                                   [&](const uint8_t* colour, uint64_t length) {
        return appendMarkedRuns(out, colour, length);
    });
    return stored ? QdlWriteResult::written : QdlWriteResult::unrepresentable;
}
