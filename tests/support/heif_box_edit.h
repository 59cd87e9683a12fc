// Rewrites HEIF files written by heif-enc 1.15 into shapes it cannot write
// itself: a rotated primary image (irot), a grid of two tiles, a header
// declaring a huge picture. heif-enc stores every picture as a grid item
// over one hidden tile, all boxes in 'meta' before 'mdat', and item
// locations as 32-bit file offsets, which these edits keep valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace heifedit {

using Bytes = std::vector<uint8_t>;
constexpr size_t none = SIZE_MAX;

inline uint32_t get16(const Bytes& b, size_t at) { return uint32_t(b[at]) << 8 | b[at + 1]; }
inline uint32_t get32(const Bytes& b, size_t at) { return get16(b, at) << 16 | get16(b, at + 2); }
inline void put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v); }
inline void put32(Bytes& b, size_t at, uint32_t v) { put16(b, at, v >> 16), put16(b, at + 2, v); }

// The first box of type among the boxes in [begin, end), or none.
inline size_t findBox(const Bytes& b, size_t begin, size_t end, const char* type)
{
    for (size_t at = begin; at + 8 <= end && get32(b, at) >= 8; at += get32(b, at))
        if (std::memcmp(&b[at + 4], type, 4) == 0)
            return at;
    return none;
}
inline size_t boxEnd(const Bytes& b, size_t box) { return box + get32(b, box); }

struct Layout {
    size_t meta = none, iloc = none, iprp = none, ipco = none, ipma = none, iref = none, idat = none;
    uint32_t primary = 0;
};

inline Layout layoutOf(const Bytes& b)
{
    Layout l;
    l.meta = findBox(b, 0, b.size(), "meta");
    if (l.meta == none)
        return l;
    const size_t first = l.meta + 12, end = boxEnd(b, l.meta);  // meta is a full box
    l.iloc = findBox(b, first, end, "iloc");
    l.iref = findBox(b, first, end, "iref");
    l.idat = findBox(b, first, end, "idat");
    const size_t pitm = findBox(b, first, end, "pitm");
    if (pitm != none)
        l.primary = get16(b, pitm + 12);
    l.iprp = findBox(b, first, end, "iprp");
    if (l.iprp != none) {
        l.ipco = findBox(b, l.iprp + 8, boxEnd(b, l.iprp), "ipco");
        l.ipma = findBox(b, l.iprp + 8, boxEnd(b, l.iprp), "ipma");
    }
    return l;
}

inline size_t mediaDataStart(const Bytes& b)
{
    const size_t mdat = findBox(b, 0, b.size(), "mdat");
    return mdat == none ? b.size() : mdat + 8;
}

// Inserts bytes at offset `at` inside the boxes starting at `enclosing`,
// which grow by as much; file offsets of item data behind `at` move too.
inline bool insertBytes(Bytes& b, size_t at, const Bytes& bytes, std::initializer_list<size_t> enclosing)
{
    const Layout l = layoutOf(b);
    const size_t iloc = l.iloc;
    if (iloc == none || b[iloc + 8] != 1 || b[iloc + 12] != 0x44 || (b[iloc + 13] & 0xF0) != 0x40)
        return false;  // version 1, 32-bit offsets, lengths and base offsets only
    const uint32_t items = get16(b, iloc + 14);
    size_t entry = iloc + 16;
    for (uint32_t i = 0; i < items; ++i) {
        const uint32_t method = get16(b, entry + 2) & 0xF;
        const uint32_t extents = get16(b, entry + 10);
        if (method == 0 && get32(b, entry + 6) >= at)
            put32(b, entry + 6, get32(b, entry + 6) + uint32_t(bytes.size()));
        entry += 12 + 8 * size_t(extents);
    }
    for (size_t box : enclosing)
        put32(b, box, get32(b, box) + uint32_t(bytes.size()));
    b.insert(b.begin() + std::ptrdiff_t(at), bytes.begin(), bytes.end());
    return true;
}

// The ipma entry of item: the offset of its association count, or none.
inline size_t associationsOf(const Bytes& b, const Layout& l, uint32_t item)
{
    if (l.ipma == none || b[l.ipma + 8] != 0 || (b[l.ipma + 11] & 1) != 0)
        return none;  // version 0 with 7-bit property indices only
    size_t entry = l.ipma + 16;
    for (uint32_t i = get32(b, l.ipma + 12); i > 0; --i) {
        if (get16(b, entry) == item)
            return entry + 2;
        entry += 3 + b[entry + 2];
    }
    return none;
}

// Appends property box to ipco and associates it with the primary item.
inline bool addPrimaryProperty(Bytes& b, const Bytes& property)
{
    Layout l = layoutOf(b);
    const size_t count = associationsOf(b, l, l.primary);
    if (count == none)
        return false;
    size_t index = 0;
    for (size_t at = l.ipco + 8; at < boxEnd(b, l.ipco); at += get32(b, at))
        ++index;
    // ipma follows ipco: the later insertion first keeps the earlier offset.
    if (!insertBytes(b, count + 1 + b[count], {uint8_t(0x80 | (index + 1))}, {l.meta, l.iprp, l.ipma}))
        return false;
    ++b[count];
    return insertBytes(b, boxEnd(b, l.ipco), property, {l.meta, l.iprp, l.ipco});
}

// Rotation by quarterTurns x 90 degrees anticlockwise.
inline bool addRotation(Bytes& b, uint8_t quarterTurns)
{
    return addPrimaryProperty(b, {0, 0, 0, 9, 'i', 'r', 'o', 't', quarterTurns});
}

// The primary item's ispe property, or none.
inline size_t primarySize(const Bytes& b)
{
    const Layout l = layoutOf(b);
    const size_t count = associationsOf(b, l, l.primary);
    if (count == none)
        return none;
    for (size_t i = 0; i < b[count]; ++i) {
        size_t at = l.ipco + 8;
        for (size_t index = (b[count + 1 + i] & 0x7F); index > 1; --index)
            at += get32(b, at);
        if (std::memcmp(&b[at + 4], "ispe", 4) == 0)
            return at;
    }
    return none;
}

// The size the primary item's header declares (its grid too, where the
// picture is one, as heif-enc writes it; avifenc's is a coded item).
inline bool setPrimarySize(Bytes& b, uint32_t width, uint32_t height)
{
    const size_t ispe = primarySize(b);
    const Layout l = layoutOf(b);
    if (ispe == none)
        return false;
    put32(b, ispe + 12, width);
    put32(b, ispe + 16, height);
    if (l.idat != none) {
        put16(b, l.idat + 12, width);  // grid descriptor: version, flags, rows-1, columns-1, width, height
        put16(b, l.idat + 14, height);
    }
    return true;
}

// The one-tile grid becomes a row of two tiles, twice as wide: the second
// is a new item over the same coded data (references to one item twice
// are refused by libheif).
inline bool repeatGridTile(Bytes& b)
{
    Layout l = layoutOf(b);
    if (l.iref == none || l.idat == none || b[l.idat + 10] != 0 || b[l.idat + 11] != 0)
        return false;
    const size_t dimg = findBox(b, l.iref + 12, boxEnd(b, l.iref), "dimg");
    if (dimg == none || get16(b, dimg + 10) != 1)
        return false;
    const uint32_t tile = get16(b, dimg + 12), copy = 100;
    const uint32_t width = get16(b, l.idat + 12), height = get16(b, l.idat + 14);
    // From the end of the file backwards, so that each edit leaves the
    // offsets found before it valid.
    if (!insertBytes(b, dimg + 14, {uint8_t(copy >> 8), uint8_t(copy)}, {l.meta, l.iref, dimg}))
        return false;
    put16(b, dimg + 10, 2);

    const size_t associations = associationsOf(b, l, tile);
    if (associations == none)
        return false;
    Bytes entry(b.begin() + std::ptrdiff_t(associations) - 2,
                b.begin() + std::ptrdiff_t(associations) + 1 + b[associations]);
    put16(entry, 0, copy);
    if (!insertBytes(b, boxEnd(b, l.ipma), entry, {l.meta, l.iprp, l.ipma}))
        return false;
    put32(b, l.ipma + 12, get32(b, l.ipma + 12) + 1);

    const size_t iinf = findBox(b, l.meta + 12, boxEnd(b, l.meta), "iinf");
    if (iinf == none || b[iinf + 8] != 0)
        return false;
    size_t infe = iinf + 14;
    while (infe < boxEnd(b, iinf) && get16(b, infe + 12) != tile)
        infe += get32(b, infe);
    if (infe >= boxEnd(b, iinf) || b[infe + 8] != 2)
        return false;
    entry.assign(b.begin() + std::ptrdiff_t(infe), b.begin() + std::ptrdiff_t(boxEnd(b, infe)));
    put16(entry, 12, copy);
    if (!insertBytes(b, boxEnd(b, iinf), entry, {l.meta, iinf}))
        return false;
    put16(b, iinf + 12, get16(b, iinf + 12) + 1);

    size_t location = l.iloc + 16;
    for (uint32_t i = get16(b, l.iloc + 14); i > 0 && get16(b, location) != tile; --i)
        location += 12 + 8 * size_t(get16(b, location + 10));
    if (location >= boxEnd(b, l.iloc))
        return false;
    entry.assign(b.begin() + std::ptrdiff_t(location),
                 b.begin() + std::ptrdiff_t(location + 12 + 8 * size_t(get16(b, location + 10))));
    put16(entry, 0, copy);
    const size_t copied = boxEnd(b, l.iloc);
    if (!insertBytes(b, copied, entry, {l.meta, l.iloc}))
        return false;
    put16(b, l.iloc + 14, get16(b, l.iloc + 14) + 1);
    put32(b, copied + 6, get32(b, location + 6));  // the tile's data, moved with the file

    b[l.idat + 11] = 1;
    return setPrimarySize(b, 2 * width, height);
}

}  // namespace heifedit
