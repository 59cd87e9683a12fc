// Small DNG files for the camera RAW tests, laid out as cameras and Adobe's
// converter write them: IFD0 holds a small R,G,B thumbnail and the DNG tags
// LibRaw needs to take the file for a DNG (DNGVersion, UniqueCameraModel,
// ColorMatrix1); its SubIFDs hold a small CFA raw image and, optionally, a
// JPEG preview. Little-endian; the pixel data first, the IFDs after it, so
// that a file cut anywhere loses its IFD0.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct DngContents {
    std::vector<uint8_t> previewJpeg;  // none when empty
    uint16_t previewWidth = 0, previewHeight = 0;
    uint16_t thumbnailWidth = 16, thumbnailHeight = 12;
    uint8_t thumbnailRgb[3] = {0x20, 0x60, 0xA0};  // its one colour
    uint16_t orientation = 1;                       // TIFF's Orientation, 1 to 8
};

namespace dng_detail {

using Bytes = std::vector<uint8_t>;

enum : uint16_t { typeByte = 1, typeAscii = 2, typeShort = 3, typeLong = 4, typeSrational = 10 };

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    Bytes value;  // little-endian, count items of the type
};

inline void put16(Bytes& out, uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
inline void put32(Bytes& out, uint32_t v)
{
    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

inline Entry shorts(uint16_t tag, std::initializer_list<uint32_t> values)
{
    Entry e{tag, typeShort, uint32_t(values.size()), {}};
    for (uint32_t v : values)
        put16(e.value, v);
    return e;
}
inline Entry longs(uint16_t tag, std::initializer_list<uint32_t> values)
{
    Entry e{tag, typeLong, uint32_t(values.size()), {}};
    for (uint32_t v : values)
        put32(e.value, v);
    return e;
}
inline Entry bytes(uint16_t tag, std::initializer_list<uint8_t> values)
{
    return Entry{tag, typeByte, uint32_t(values.size()), Bytes(values)};
}
inline Entry ascii(uint16_t tag, const std::string& text)
{
    Entry e{tag, typeAscii, uint32_t(text.size() + 1), Bytes(text.begin(), text.end())};
    e.value.push_back(0);
    return e;
}
// Signed rationals n/10000.
inline Entry srationals(uint16_t tag, std::initializer_list<int32_t> tenThousandths)
{
    Entry e{tag, typeSrational, uint32_t(tenThousandths.size()), {}};
    for (int32_t v : tenThousandths) {
        put32(e.value, uint32_t(v));
        put32(e.value, 10000);
    }
    return e;
}

// Appends an IFD (entries sorted by tag, no next IFD) with its out-of-line
// values after it; returns its offset.
inline uint32_t appendIfd(Bytes& out, std::vector<Entry> entries)
{
    if (out.size() % 2)
        out.push_back(0);
    const uint32_t offset = uint32_t(out.size());
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    uint32_t extra = offset + 2 + 12 * uint32_t(entries.size()) + 4;
    Bytes values;
    put16(out, uint32_t(entries.size()));
    for (const Entry& e : entries) {
        put16(out, e.tag);
        put16(out, e.type);
        put32(out, e.count);
        if (e.value.size() <= 4) {
            Bytes inline_ = e.value;
            inline_.resize(4, 0);
            out.insert(out.end(), inline_.begin(), inline_.end());
        } else {
            put32(out, extra + uint32_t(values.size()));
            values.insert(values.end(), e.value.begin(), e.value.end());
            if (values.size() % 2)
                values.push_back(0);
        }
    }
    put32(out, 0);
    out.insert(out.end(), values.begin(), values.end());
    return offset;
}

inline uint32_t appendData(Bytes& out, const Bytes& data)
{
    if (out.size() % 2)
        out.push_back(0);
    const uint32_t offset = uint32_t(out.size());
    out.insert(out.end(), data.begin(), data.end());
    return offset;
}

}  // namespace dng_detail

inline std::vector<uint8_t> makeDng(const DngContents& contents)
{
    using namespace dng_detail;
    Bytes out = {'I', 'I', 42, 0, 0, 0, 0, 0};

    Bytes thumbnail;
    for (int i = 0; i < contents.thumbnailWidth * contents.thumbnailHeight; ++i)
        thumbnail.insert(thumbnail.end(), contents.thumbnailRgb, contents.thumbnailRgb + 3);
    const uint32_t thumbnailAt = appendData(out, thumbnail);

    // Sensor values of 16 bits in an R,G / G,B mosaic, 32 x 32: LibRaw takes
    // no raw image under 22 pixels a side.
    constexpr uint16_t rawSide = 32;
    Bytes raw;
    for (int i = 0; i < rawSide * rawSide; ++i)
        put16(raw, uint32_t(i * 97 % 4096));
    const uint32_t rawAt = appendData(out, raw);
    const uint32_t previewAt = appendData(out, contents.previewJpeg);

    std::vector<uint32_t> subIfds;
    subIfds.push_back(appendIfd(out, {
        longs(254, {0}),  // NewSubFileType: the main image
        longs(256, {rawSide}), longs(257, {rawSide}), shorts(258, {16}), shorts(259, {1}),
        shorts(262, {32803}),  // Photometric: CFA
        longs(273, {rawAt}), shorts(277, {1}), longs(278, {rawSide}), longs(279, {uint32_t(raw.size())}),
        shorts(284, {1}),
        shorts(33421, {2, 2}),          // CFARepeatPatternDim
        bytes(33422, {0, 1, 1, 2}),     // CFAPattern: R G / G B
        longs(50717, {4095}),           // WhiteLevel
    }));
    if (!contents.previewJpeg.empty())
        subIfds.push_back(appendIfd(out, {
            longs(254, {1}),  // NewSubFileType: a reduced picture
            longs(256, {contents.previewWidth}), longs(257, {contents.previewHeight}), shorts(258, {8, 8, 8}),
            shorts(259, {7}),  // Compression: JPEG
            shorts(262, {6}),  // Photometric: YCbCr
            longs(273, {previewAt}), shorts(277, {3}), longs(278, {contents.previewHeight}),
            longs(279, {uint32_t(contents.previewJpeg.size())}), shorts(284, {1}),
        }));

    Entry subIfdEntry{330, typeLong, uint32_t(subIfds.size()), {}};
    for (uint32_t offset : subIfds)
        put32(subIfdEntry.value, offset);
    const uint32_t ifd0 = appendIfd(out, {
        longs(254, {1}),
        longs(256, {contents.thumbnailWidth}), longs(257, {contents.thumbnailHeight}), shorts(258, {8, 8, 8}),
        shorts(259, {1}), shorts(262, {2}),
        ascii(271, "Vellora"), ascii(272, "Test Camera"),
        longs(273, {thumbnailAt}), shorts(274, {contents.orientation}), shorts(277, {3}),
        longs(278, {contents.thumbnailHeight}), longs(279, {uint32_t(thumbnail.size())}), shorts(284, {1}),
        subIfdEntry,
        bytes(50706, {1, 4, 0, 0}),  // DNGVersion
        bytes(50707, {1, 1, 0, 0}),  // DNGBackwardVersion
        ascii(50708, "Vellora Test Camera"),
        srationals(50721, {10000, 0, 0, 0, 10000, 0, 0, 0, 10000}),  // ColorMatrix1
        shorts(50778, {21}),                                         // CalibrationIlluminant1: D65
    });
    out[4] = uint8_t(ifd0);
    out[5] = uint8_t(ifd0 >> 8);
    out[6] = uint8_t(ifd0 >> 16);
    out[7] = uint8_t(ifd0 >> 24);
    return out;
}
