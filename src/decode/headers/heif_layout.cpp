// ISO/IEC 14496-12 boxes as HEIF (ISO/IEC 23008-12) uses them: 'meta' holds
// 'pitm' (the primary item), 'iinf' (item types), 'iloc' (where each item's
// data lies), 'iref' (grid tiles, auxiliary pictures), 'idat' (small item
// data) and 'iprp' ('ipco' property boxes, 'ipma' their owners). Every read
// goes through Cursor, which never passes the end of the box it was given;
// offsets and sizes are 64-bit and checked before they are added.
#include "decode/headers/heif_layout.h"

#include <unordered_map>

namespace {

// The reader lets libheif take at most 1000 items; a file with more than
// this is not read, which also bounds the work of following references.
constexpr uint64_t maxItems = 1 << 13;

class Cursor {
public:
    Cursor(const uint8_t* data, uint64_t begin, uint64_t end) : data_(data), at_(begin), end_(end) {}

    bool failed() const { return failed_; }
    uint64_t at() const { return at_; }
    uint64_t left() const { return end_ - at_; }

    uint64_t read(unsigned bytes)
    {
        if (failed_ || bytes > left()) {
            failed_ = true;
            return 0;
        }
        uint64_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value = value << 8 | data_[at_++];
        return value;
    }

    void skip(uint64_t bytes)
    {
        if (bytes > left())
            failed_ = true;
        else
            at_ += bytes;
    }

private:
    const uint8_t* data_;
    uint64_t at_, end_;
    bool failed_ = false;
};

struct Box {
    uint32_t type = 0;
    uint64_t start = 0, payload = 0, end = 0;
};

// The box starting at the cursor, which then stands behind it. A size of 0
// runs to the end of the parent; 1 means a 64-bit size follows the type.
bool nextBox(Cursor& parent, uint64_t parentEnd, Box& box)
{
    box.start = parent.at();
    uint64_t size = parent.read(4);
    box.type = uint32_t(parent.read(4));
    if (size == 1)
        size = parent.read(8);
    else if (size == 0)
        size = parentEnd - box.start;
    if (parent.failed() || size < parent.at() - box.start || size > parentEnd - box.start)
        return false;
    box.payload = parent.at();
    box.end = box.start + size;
    parent.skip(box.end - box.payload);
    return true;
}

struct Reader {
    const uint8_t* data;
    uint64_t size;
    HeifLayout& layout;
    std::unordered_map<uint32_t, size_t> index;  // item id -> position in layout.items
    ByteRange idat;

    HeifItem* item(uint32_t id, bool create)
    {
        const auto found = index.find(id);
        if (found != index.end())
            return &layout.items[found->second];
        if (!create || layout.items.size() >= maxItems)
            return nullptr;
        index.emplace(id, layout.items.size());
        layout.items.push_back({});
        layout.items.back().id = id;
        return &layout.items.back();
    }

    // Calls each(box) for every child box in [begin, end); false when one
    // does not fit or each refuses it.
    template <typename Each>
    bool children(uint64_t begin, uint64_t end, Each each)
    {
        Cursor cursor(data, begin, end);
        while (cursor.left() > 0) {
            Box box;
            if (!nextBox(cursor, end, box) || !each(box))
                return false;
        }
        return true;
    }

    bool readPrimary(const Box& box)
    {
        Cursor in(data, box.payload, box.end);
        const uint64_t version = in.read(1);
        in.skip(3);
        layout.primary = uint32_t(in.read(version == 0 ? 2 : 4));
        return !in.failed();
    }

    bool readItemInfo(const Box& box)
    {
        Cursor in(data, box.payload, box.end);
        const uint64_t version = in.read(1);
        in.skip(3);
        in.read(version == 0 ? 2 : 4);  // entry count: the boxes that follow are counted instead
        if (in.failed())
            return false;
        return children(in.at(), box.end, [&](const Box& entry) {
            if (entry.type != fourCC("infe"))
                return true;
            Cursor e(data, entry.payload, entry.end);
            const uint64_t entryVersion = e.read(1);
            e.skip(3);
            if (entryVersion < 2)
                return !e.failed();  // no item type in these versions
            const uint32_t id = uint32_t(e.read(entryVersion == 2 ? 2 : 4));
            e.skip(2);  // protection index
            const uint32_t type = uint32_t(e.read(4));
            HeifItem* described = e.failed() ? nullptr : item(id, true);
            if (!described)
                return false;
            described->type = type;
            return true;
        });
    }

    bool readLocations(const Box& box)
    {
        Cursor in(data, box.payload, box.end);
        const uint64_t version = in.read(1);
        in.skip(3);
        const uint64_t sizes = in.read(2);
        const unsigned offsetSize = unsigned(sizes >> 12), lengthSize = unsigned(sizes >> 8 & 15);
        const unsigned baseSize = unsigned(sizes >> 4 & 15), indexSize = version >= 1 ? unsigned(sizes & 15) : 0;
        for (unsigned field : {offsetSize, lengthSize, baseSize, indexSize})
            if (field != 0 && field != 4 && field != 8)
                return false;
        if (version > 2)
            return false;
        const uint64_t count = in.read(version < 2 ? 2 : 4);
        for (uint64_t i = 0; i < count && !in.failed(); ++i) {
            const uint32_t id = uint32_t(in.read(version < 2 ? 2 : 4));
            const uint64_t method = version >= 1 ? in.read(2) & 15 : 0;
            in.skip(2);  // data reference index
            const uint64_t base = in.read(baseSize);
            const uint64_t extents = in.read(2);
            HeifItem* located = in.failed() ? nullptr : item(id, true);
            if (!located || method > 1)
                return false;  // method 2 builds data from other items
            located->located = true;
            located->data.clear();
            const ByteRange within = method == 0 ? ByteRange{0, size} : idat;
            for (uint64_t e = 0; e < extents && !in.failed(); ++e) {
                in.skip(indexSize);
                const uint64_t offset = in.read(offsetSize), length = in.read(lengthSize);
                // Offsets are relative to the file or to the 'idat' payload;
                // a length of 0 runs to the end of either.
                if (base > within.size || offset > within.size - base)
                    return false;
                const uint64_t start = base + offset;
                const uint64_t run = length == 0 ? within.size - start : length;
                if (run > within.size - start)
                    return false;
                located->data.push_back({within.offset + start, run});
            }
        }
        return !in.failed();
    }

    bool readReferences(const Box& box)
    {
        Cursor in(data, box.payload, box.end);
        const uint64_t version = in.read(1);
        in.skip(3);
        if (in.failed())
            return false;
        const unsigned idSize = version == 0 ? 2 : 4;
        return children(in.at(), box.end, [&](const Box& reference) {
            Cursor r(data, reference.payload, reference.end);
            const uint32_t from = uint32_t(r.read(idSize));
            const uint64_t count = r.read(2);
            if (reference.type == fourCC("auxl"))
                layout.auxiliaryReferenceTypes.push_back(reference.start + 4);
            HeifItem* source = reference.type == fourCC("dimg") && !r.failed() ? item(from, true) : nullptr;
            for (uint64_t i = 0; i < count && !r.failed(); ++i) {
                const uint32_t to = uint32_t(r.read(idSize));
                if (source && !r.failed())
                    source->derivedFrom.push_back(to);
            }
            return !r.failed();
        });
    }

    bool readProperties(const Box& box)
    {
        return children(box.payload, box.end, [&](const Box& child) {
            if (child.type == fourCC("ipco"))
                return children(child.payload, child.end, [&](const Box& property) {
                    layout.propertyTypes.push_back(property.type);
                    layout.properties.push_back({property.payload, property.end - property.payload});
                    return true;
                });
            if (child.type == fourCC("ipma"))
                return readAssociations(child);
            return true;
        });
    }

    bool readAssociations(const Box& box)
    {
        Cursor in(data, box.payload, box.end);
        const uint64_t version = in.read(1);
        const uint64_t flags = in.read(3);
        const uint64_t count = in.read(4);
        for (uint64_t i = 0; i < count && !in.failed(); ++i) {
            const uint32_t id = uint32_t(in.read(version < 1 ? 2 : 4));
            const uint64_t associations = in.read(1);
            HeifItem* owner = in.failed() ? nullptr : item(id, true);
            if (!owner)
                return false;
            for (uint64_t a = 0; a < associations && !in.failed(); ++a) {
                const uint64_t entry = in.read(flags & 1 ? 2 : 1);
                const uint64_t position = entry & (flags & 1 ? 0x7FFF : 0x7F);
                if (position != 0)
                    owner->properties.push_back(uint32_t(position - 1));
            }
        }
        return !in.failed();
    }
};

}  // namespace

bool readHeifLayout(const uint8_t* data, size_t size, HeifLayout& layout)
{
    layout = {};
    Reader reader{data, size, layout, {}, {}};
    Box meta;
    bool found = false;
    if (!reader.children(0, size, [&](const Box& box) {
            if (box.type == fourCC("meta") && !found)
                meta = box, found = true;
            return true;
        }) && !found)
        return false;
    if (!found || meta.end - meta.payload < 4)
        return false;
    const uint64_t first = meta.payload + 4;  // a full box: version and flags
    // 'idat' first: item locations may point into it.
    if (!reader.children(first, meta.end, [&](const Box& box) {
            if (box.type == fourCC("idat"))
                reader.idat = {box.payload, box.end - box.payload};
            return true;
        }))
        return false;
    const bool read = reader.children(first, meta.end, [&](const Box& box) {
        switch (box.type) {
        case fourCC("pitm"): return reader.readPrimary(box);
        case fourCC("iinf"): return reader.readItemInfo(box);
        case fourCC("iloc"): return reader.readLocations(box);
        case fourCC("iref"): return reader.readReferences(box);
        case fourCC("iprp"): return reader.readProperties(box);
        default: return true;
        }
    });
    if (!read)
        return false;
    for (const HeifItem& item : layout.items)
        for (uint32_t property : item.properties)
            if (property >= layout.properties.size())
                return false;
    return true;
}

const HeifItem* findHeifItem(const HeifLayout& layout, uint32_t id)
{
    for (const HeifItem& item : layout.items)
        if (item.id == id)
            return &item;
    return nullptr;
}

const ByteRange* findHeifProperty(const HeifLayout& layout, const HeifItem& item, uint32_t type)
{
    for (uint32_t property : item.properties)
        if (layout.propertyTypes[property] == type)
            return &layout.properties[property];
    return nullptr;
}
