// Rewrites HEIF files written by heif-enc 1.15 into shapes it cannot write
// itself: a rotated primary image (irot), a grid of repeated or separately
// coded tiles, a header declaring a huge picture. heif-enc stores every
// picture as a grid item over one hidden tile, all boxes in 'meta' before
// 'mdat', and item locations as 32-bit file offsets, which these edits keep
// valid.
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

// The property box of that type associated with item, or none.
inline size_t itemProperty(const Bytes& b, uint32_t item, const char* type)
{
    const Layout l = layoutOf(b);
    const size_t count = associationsOf(b, l, item);
    if (count == none)
        return none;
    for (size_t i = 0; i < b[count]; ++i) {
        size_t at = l.ipco + 8;
        for (size_t index = (b[count + 1 + i] & 0x7F); index > 1; --index)
            at += get32(b, at);
        if (std::memcmp(&b[at + 4], type, 4) == 0)
            return at;
    }
    return none;
}

// The primary item's ispe property, or none.
inline size_t primarySize(const Bytes& b) { return itemProperty(b, layoutOf(b).primary, "ispe"); }

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

// The one-tile grid becomes columns x rows tiles, each a new item over the
// same coded data (references to one item twice are refused by libheif),
// so the grid grows and the file barely does.
inline bool repeatGridTile(Bytes& b, uint32_t columns = 2, uint32_t rows = 1)
{
    Layout l = layoutOf(b);
    if (l.iref == none || l.idat == none || b[l.idat + 10] != 0 || b[l.idat + 11] != 0 || columns * rows < 2 ||
        columns > 256 || rows > 256)
        return false;
    const size_t dimg = findBox(b, l.iref + 12, boxEnd(b, l.iref), "dimg");
    if (dimg == none || get16(b, dimg + 10) != 1)
        return false;
    const uint32_t tile = get16(b, dimg + 12);
    const uint32_t width = get16(b, l.idat + 12), height = get16(b, l.idat + 14);
    for (uint32_t copy = 100; copy < 99 + columns * rows; ++copy) {
        l = layoutOf(b);
        const size_t references = findBox(b, l.iref + 12, boxEnd(b, l.iref), "dimg");
        // From the end of the file backwards, so that each edit leaves the
        // offsets found before it valid.
        if (!insertBytes(b, boxEnd(b, references), {uint8_t(copy >> 8), uint8_t(copy)}, {l.meta, l.iref, references}))
            return false;
        put16(b, references + 10, get16(b, references + 10) + 1);

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
    }
    l = layoutOf(b);
    b[l.idat + 10] = uint8_t(rows - 1);
    b[l.idat + 11] = uint8_t(columns - 1);
    return setPrimarySize(b, columns * width, rows * height);
}

// The one iloc entry of item: the offset of its item ID, or none.
inline size_t locationOf(const Bytes& b, uint32_t item)
{
    const Layout l = layoutOf(b);
    size_t location = l.iloc + 16;
    for (uint32_t i = get16(b, l.iloc + 14); i > 0; --i) {
        if (get16(b, location) == item)
            return location;
        location += 12 + 8 * size_t(get16(b, location + 10));
    }
    return none;
}

// Cuts item's coded data (its one extent) to `length` bytes.
inline bool cutItemData(Bytes& b, uint32_t item, uint32_t length)
{
    const size_t location = locationOf(b, item);
    if (location == none || get16(b, location + 10) != 1)
        return false;
    put32(b, location + 16, length);
    return true;
}

// The first tile of the primary grid, or 0.
inline uint32_t firstTileOf(const Bytes& b)
{
    const Layout l = layoutOf(b);
    const size_t dimg = l.iref == none ? none : findBox(b, l.iref + 12, boxEnd(b, l.iref), "dimg");
    return dimg == none || get16(b, dimg + 10) == 0 ? 0 : get16(b, dimg + 12);
}

// The coded data of item (one extent, at its base offset), or nothing.
inline Bytes itemData(const Bytes& b, uint32_t item)
{
    const size_t location = locationOf(b, item);
    if (location == none || get16(b, location + 10) != 1)
        return {};
    const uint64_t start = uint64_t(get32(b, location + 6)) + get32(b, location + 12);
    const uint64_t length = get32(b, location + 16);
    if (start + length > b.size())
        return {};
    return Bytes(b.begin() + std::ptrdiff_t(start), b.begin() + std::ptrdiff_t(start + length));
}

// A grid of columns x rows tiles, each coded on its own, that fill it
// whole: tiles[k] are heif-enc files of one size, written with the same
// settings (the grid keeps the first file's decoder configuration for every
// tile) and a side that is not a whole number of coding blocks, so that
// heif-enc writes its grid form. Empty when a file has another shape.
inline Bytes tileGrid(const std::vector<Bytes>& tiles, uint32_t columns, uint32_t rows)
{
    if (tiles.size() != size_t(columns) * rows || tiles.size() < 2)
        return {};
    Bytes b = tiles[0];
    const size_t tileSize = itemProperty(b, firstTileOf(b), "ispe");
    if (tileSize == none)
        return {};
    const uint32_t tileWidth = get32(b, tileSize + 12), tileHeight = get32(b, tileSize + 16);
    if (!repeatGridTile(b, columns, rows) || !setPrimarySize(b, columns * tileWidth, rows * tileHeight))
        return {};
    const size_t mdat = findBox(b, 0, b.size(), "mdat");
    if (mdat == none || boxEnd(b, mdat) != b.size())
        return {};
    for (uint32_t k = 1; k < tiles.size(); ++k) {
        const Bytes data = itemData(tiles[k], firstTileOf(tiles[k]));
        const size_t location = locationOf(b, 99 + k);
        if (data.empty() || location == none || b.size() + data.size() > UINT32_MAX)
            return {};
        put32(b, location + 6, uint32_t(b.size()));
        put32(b, location + 12, 0);
        put32(b, location + 16, uint32_t(data.size()));
        b.insert(b.end(), data.begin(), data.end());
    }
    put32(b, mdat, uint32_t(b.size() - mdat));
    return b;
}

// Adds `bytes` bytes at the end of the file, as a 'free' box of at least 8.
inline void addFreeBox(Bytes& b, uint32_t bytes)
{
    const size_t at = b.size();
    b.resize(at + bytes);
    put32(b, at, bytes);
    std::memcpy(&b[at + 4], "free", 4);
}

// The crop ('clap') of the primary item: width, height and the centre's
// offsets, each a numerator over a denominator.
inline bool addCrop(Bytes& b, uint32_t widthN, uint32_t widthD, uint32_t heightN, uint32_t heightD, int32_t acrossN,
                    uint32_t acrossD, int32_t downN, uint32_t downD)
{
    Bytes box(40);
    put32(box, 0, 40);
    std::memcpy(&box[4], "clap", 4);
    const uint32_t fields[] = {widthN, widthD, heightN, heightD, uint32_t(acrossN), acrossD, uint32_t(downN), downD};
    for (size_t i = 0; i < 8; ++i)
        put32(box, 8 + 4 * i, fields[i]);
    return addPrimaryProperty(b, box);
}

// H.265 sequence parameter sets as bits, to rewrite the picture size, which
// is Exp-Golomb coded and so changes the length of everything after it.
namespace sps {

using Bits = std::vector<bool>;

inline Bits unescape(const uint8_t* p, size_t n)
{
    Bits bits;
    for (size_t i = 0, zeros = 0; i < n; ++i) {
        if (zeros >= 2 && p[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = p[i] == 0 ? zeros + 1 : 0;
        for (int bit = 7; bit >= 0; --bit)
            bits.push_back((p[i] >> bit) & 1);
    }
    return bits;
}

inline Bytes escape(const Bits& bits)
{
    Bytes out;
    size_t zeros = 0;
    for (size_t i = 0; i < bits.size(); i += 8) {
        uint8_t byte = 0;
        for (size_t bit = 0; bit < 8; ++bit)
            byte = uint8_t(byte << 1 | (i + bit < bits.size() && bits[i + bit]));
        if (zeros >= 2 && byte <= 3) {
            out.push_back(3);
            zeros = 0;
        }
        out.push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return out;
}

inline uint32_t readGolomb(const Bits& bits, size_t& at)
{
    unsigned zeros = 0;
    while (!bits[at++])
        ++zeros;
    uint32_t value = 1;
    for (unsigned i = 0; i < zeros; ++i)
        value = value << 1 | bits[at++];
    return value - 1;
}

inline void writeGolomb(Bits& bits, uint32_t value)
{
    const uint64_t coded = uint64_t(value) + 1;
    int length = 0;
    while (coded >> (length + 1))
        ++length;
    bits.insert(bits.end(), size_t(length), false);
    for (int bit = length; bit >= 0; --bit)
        bits.push_back((coded >> bit) & 1);
}

// The unit with pic_width/height_in_luma_samples replaced; empty when it
// has sub-layers (heif-enc writes none).
inline Bytes withSize(const uint8_t* nal, size_t n, uint32_t width, uint32_t height)
{
    const Bits bits = unescape(nal, n);
    if (((bits.size() > 23) && (bits[20] || bits[21] || bits[22])) || bits.size() < 200)
        return {};
    size_t at = 16 + 8 + 96;  // NAL header, four fields, profile_tier_level
    readGolomb(bits, at);     // sps_seq_parameter_set_id
    if (readGolomb(bits, at) == 3)
        ++at;  // separate_colour_plane_flag
    Bits out(bits.begin(), bits.begin() + std::ptrdiff_t(at));
    readGolomb(bits, at);
    readGolomb(bits, at);
    writeGolomb(out, width);
    writeGolomb(out, height);
    size_t stop = bits.size();
    while (stop > at && !bits[stop - 1])
        --stop;  // rbsp_stop_one_bit and the alignment zeros after it
    out.insert(out.end(), bits.begin() + std::ptrdiff_t(at), bits.begin() + std::ptrdiff_t(stop));
    out.resize((out.size() + 7) / 8 * 8, false);
    return escape(out);
}

}  // namespace sps

// The first hvcC property's sequence parameter set: where its length field
// lies, or none.
inline size_t spsOf(const Bytes& b, size_t& hvcc)
{
    const Layout l = layoutOf(b);
    hvcc = findBox(b, l.ipco + 8, boxEnd(b, l.ipco), "hvcC");
    if (hvcc == none)
        return none;
    size_t at = hvcc + 8 + 23;
    for (unsigned arrays = b[hvcc + 8 + 22]; arrays > 0; --arrays) {
        const bool isSps = (b[at] & 0x3F) == 33;
        unsigned units = get16(b, at + 1);
        at += 3;
        for (; units > 0; --units) {
            if (isSps)
                return at;
            at += 2 + get16(b, at);
        }
    }
    return none;
}

// The picture size of the first coded picture's stream (a grid's tile).
inline bool setSpsSize(Bytes& b, uint32_t width, uint32_t height)
{
    size_t hvcc = none;
    const size_t length = spsOf(b, hvcc);
    if (length == none)
        return false;
    const Bytes replaced = sps::withSize(&b[length + 2], get16(b, length), width, height);
    if (replaced.empty() || replaced.size() < get16(b, length))
        return false;
    const Layout l = layoutOf(b);
    const size_t end = length + 2 + get16(b, length);
    if (!insertBytes(b, end, Bytes(replaced.size() - get16(b, length)), {l.meta, l.iprp, l.ipco, hvcc}))
        return false;
    put16(b, length, uint32_t(replaced.size()));
    std::copy(replaced.begin(), replaced.end(), b.begin() + std::ptrdiff_t(length + 2));
    return true;
}

// The first coded picture's sequence parameter set, resized as above, also
// sent in front of its data, where the decoder takes it over the one in hvcC.
inline bool sendSpsInData(Bytes& b, uint32_t tile, uint32_t width, uint32_t height)
{
    size_t hvcc = none;
    const size_t length = spsOf(b, hvcc);
    const size_t location = locationOf(b, tile);
    if (length == none || location == none || get16(b, location + 10) != 1 || (b[hvcc + 8 + 21] & 3) != 3)
        return false;
    const Bytes replaced = sps::withSize(&b[length + 2], get16(b, length), width, height);
    if (replaced.empty())
        return false;
    Bytes unit(4);
    put32(unit, 0, uint32_t(replaced.size()));
    unit.insert(unit.end(), replaced.begin(), replaced.end());
    // heif-enc writes the data's file offset as the base offset.
    const uint32_t base = get32(b, location + 6);
    if (get32(b, location + 12) != 0 || !insertBytes(b, base, unit, {}))
        return false;
    // The tile's own offset moved behind the new unit: it starts there again.
    put32(b, location + 6, base);
    put32(b, location + 16, get32(b, location + 16) + uint32_t(unit.size()));
    return true;
}

}  // namespace heifedit
