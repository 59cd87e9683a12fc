// Pictures that take the platform's decoders a long time, written as bytes
// by the test: a progressive JPEG of many scans that each cost a pass over
// every block while holding only a few bytes, and a large but genuine PNG.
#pragma once

#include <cstdint>
#include <string>

#include "header_fixtures.h"

// Bits written the way JPEG entropy data holds them: first bit highest, a
// 0xFF byte followed by a stuffed zero, the last byte padded with ones.
class JpegBits {
public:
    void put(uint32_t value, int count)
    {
        for (int bit = count - 1; bit >= 0; --bit) {
            byte_ = uint8_t(byte_ << 1 | ((value >> bit) & 1));
            if (++filled_ == 8)
                flush();
        }
    }
    Bytes finish()
    {
        if (filled_ > 0)
            put(0xFF, 8 - filled_);
        return std::move(bytes_);
    }

private:
    void flush()
    {
        bytes_.push_back(byte_);
        if (byte_ == 0xFF)
            bytes_.push_back(0);
        byte_ = 0;
        filled_ = 0;
    }
    Bytes bytes_;
    uint8_t byte_ = 0;
    int filled_ = 0;
};

// A grey progressive JPEG of side x side pixels: one DC scan, then acScans
// scans of the AC bands, each one coded as end-of-band runs over all blocks
// in a few bytes, so that every scan costs a decoder that takes them all a
// pass over every block. 2048 and 100,000 make about 1.8 MB.
inline std::string progressiveScanBomb(uint16_t side, uint32_t acScans)
{
    const uint32_t blocks = uint32_t((side + 7) / 8) * uint32_t((side + 7) / 8);
    Bytes quantisation = {0};
    quantisation.insert(quantisation.end(), 64, 1);
    Bytes frame = {8};
    be16(frame, side), be16(frame, side);
    frame.insert(frame.end(), {1, 1, 0x11, 0});
    // One code each, of one bit: DC difference 0, and a run of 2^14 + 14
    // further bits of ends of band.
    Bytes dcTable = {0x00, 1}, acTable = {0x10, 1};
    dcTable.insert(dcTable.end(), 15, 0), acTable.insert(acTable.end(), 15, 0);
    dcTable.push_back(0x00), acTable.push_back(0xE0);

    JpegBits dc;
    for (uint32_t block = 0; block < blocks; ++block)
        dc.put(0, 1);
    JpegBits ac;
    for (uint32_t covered = 0; covered < blocks; covered += 32767)
        ac.put(0x3FFF, 15);  // the code 0, then 14 one bits: a run of 32767
    const Bytes acData = ac.finish();
    const Bytes acScan = join({jpegSegment(0xDA, {1, 1, 0x00, 1, 63, 0}), acData});

    Bytes file = join({{0xFF, 0xD8}, jpegSegment(0xDB, quantisation), jpegSegment(0xC2, frame),
                       jpegSegment(0xC4, dcTable), jpegSegment(0xC4, acTable),
                       jpegSegment(0xDA, {1, 1, 0x00, 0, 0, 0}), dc.finish()});
    file.reserve(file.size() + acScans * acScan.size() + 2);
    for (uint32_t scan = 0; scan < acScans; ++scan)
        file.insert(file.end(), acScan.begin(), acScan.end());
    file.insert(file.end(), {0xFF, 0xD9});
    return std::string(file.begin(), file.end());
}

// Deflate bits: first bit lowest; Huffman codes go in highest bit first.
class DeflateBits {
public:
    void put(uint32_t value, int count)
    {
        for (int bit = 0; bit < count; ++bit)
            push((value >> bit) & 1);
    }
    void code(uint32_t value, int length)
    {
        for (int bit = length - 1; bit >= 0; --bit)
            push((value >> bit) & 1);
    }
    // A literal byte or end of block (256) in the fixed code.
    void literal(uint32_t symbol)
    {
        if (symbol < 144)
            code(0x30 + symbol, 8);
        else if (symbol < 256)
            code(0x190 + symbol - 144, 9);
        else
            code(symbol - 256, 7);
    }
    // A copy of length 3..258 from distance 3 (one RGB pixel back).
    void copyPixelBack(uint32_t length)
    {
        static const uint16_t base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                        31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        int index = 28;
        while (base[index] > length)
            --index;
        const uint32_t symbol = 257 + uint32_t(index);
        if (symbol < 280)
            code(symbol - 256, 7);
        else
            code(0xC0 + symbol - 280, 8);
        const int extra = index < 8 || index == 28 ? 0 : (index - 4) / 4;
        put(length - base[index], extra);
        code(2, 5);  // distance 3
    }
    Bytes finish() { return std::move(bytes_); }

private:
    void push(uint32_t bit)
    {
        if (filled_ == 0)
            bytes_.push_back(0);
        bytes_.back() = uint8_t(bytes_.back() | bit << filled_);
        filled_ = (filled_ + 1) % 8;
    }
    Bytes bytes_;
    int filled_ = 0;
};

// A true-colour PNG whose rows run smoothly from the top colour to the
// bottom one, each row of one colour; compressed as a copy of the row's
// first pixel, so that a large picture stays a small file.
inline std::string gradientPng(uint32_t width, uint32_t height, const uint8_t top[3], const uint8_t bottom[3])
{
    DeflateBits deflate;
    deflate.put(1, 1), deflate.put(1, 2);  // the last block, fixed codes
    uint64_t a = 1, b = 0;  // the Adler-32 of the rows
    for (uint32_t row = 0; row < height; ++row) {
        uint8_t pixel[3];
        for (int c = 0; c < 3; ++c)
            pixel[c] = uint8_t(top[c] + (int(bottom[c]) - int(top[c])) * int64_t(row) / int64_t(height > 1 ? height - 1 : 1));
        deflate.literal(0);  // no filter
        b = (b + a) % 65521;
        for (int c = 0; c < 3; ++c)
            deflate.literal(pixel[c]);
        // The rest of the row, a multiple of 3 bytes, copies its first pixel.
        uint32_t left = 3 * (width - 1);
        for (; left > 258; left -= 258)
            deflate.copyPixelBack(258);
        if (left > 0)
            deflate.copyPixelBack(left);
        // The row's pixels added to the sums at once: after m pixels of sum
        // s, a grows by m s, b by m (3 a + t) + 3 s m (m - 1) / 2, where t
        // weighs the pixel's bytes 3, 2, 1.
        const uint64_t m = width, s = uint64_t(pixel[0]) + pixel[1] + pixel[2];
        const uint64_t t = 3 * uint64_t(pixel[0]) + 2 * uint64_t(pixel[1]) + pixel[2];
        b = (b + m * (3 * a + t) + 3 * s * (m * (m - 1) / 2)) % 65521;
        a = (a + m * s) % 65521;
    }
    deflate.literal(256);
    Bytes stream = join({{0x78, 0x01}, deflate.finish()});
    be32(stream, uint32_t(b << 16 | a));

    Bytes header;
    be32(header, width), be32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    const Bytes file = join({{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, pngChunk("IHDR", header),
                             pngChunk("IDAT", stream), pngChunk("IEND", {})});
    return std::string(file.begin(), file.end());
}
