// Where the parts of a HEIF file lie: its items (coded pictures, grids,
// Exif), their properties and their data, read from the 'meta' box before
// any decoder sees the file, so that the decoder is handed only files whose
// declared sizes the bytes can back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t fourCC(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 | uint32_t(uint8_t(code[2])) << 8 |
           uint32_t(uint8_t(code[3]));
}

// A run of bytes inside the file.
struct ByteRange {
    uint64_t offset = 0, size = 0;
};

struct HeifItem {
    uint32_t id = 0;
    uint32_t type = 0;                // 'hvc1', 'grid', 'Exif', ...
    bool located = false;             // an iloc entry was found
    std::vector<ByteRange> data;      // its data, in the file, in order
    std::vector<uint32_t> properties; // indices into HeifLayout::properties
    std::vector<uint32_t> derivedFrom;// 'dimg' references: a grid's tiles in order
};

struct HeifLayout {
    uint32_t primary = 0;
    std::vector<HeifItem> items;
    std::vector<uint32_t> propertyTypes;
    std::vector<ByteRange> properties;  // each property's payload, after its box header
    // Offsets of the type fields of the 'auxl' reference boxes: renaming
    // them hides auxiliary pictures (alpha, depth) from a decoder.
    std::vector<uint64_t> auxiliaryReferenceTypes;
};

// Reads the layout of the HEIF file held in data[0, size). False when the
// file has no 'meta' box or one of its boxes does not fit inside its parent,
// refers past the end of the file, or uses a form the reader does not know
// (item data built from other items, more than maxItems items).
bool readHeifLayout(const uint8_t* data, size_t size, HeifLayout& layout);

// The item with that id, or null.
const HeifItem* findHeifItem(const HeifLayout& layout, uint32_t id);

// The item's first property of that type, or null.
const ByteRange* findHeifProperty(const HeifLayout& layout, const HeifItem& item, uint32_t type);
