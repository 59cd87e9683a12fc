#include "decode/headers/heif_layout_check.h"

#include <algorithm>
#include <vector>

#include "decode/headers/hevc_sps_size.h"

namespace {

// libheif refuses grids of more tiles; its limit is set to this.
constexpr size_t maxCodedPictures = 4096;
constexpr uint64_t blockSide = 64;
constexpr uint32_t maxPadding = 64;  // a coding tree block at most
// Larger denominators would make the exact crop arithmetic below overflow
// 64 bits; encoders write 1 or 2.
constexpr int64_t maxCropDenominator = 1 << 16;
constexpr uint64_t maxCropSide = uint64_t(1) << 28;

uint32_t readBig32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

struct Size {
    uint64_t width = 0, height = 0;
};

bool itemSize(const uint8_t* data, const HeifLayout& layout, const HeifItem& item, Size& size)
{
    const ByteRange* ispe = findHeifProperty(layout, item, fourCC("ispe"));
    if (!ispe || ispe->size < 12)
        return false;
    size = {readBig32(data + ispe->offset + 4), readBig32(data + ispe->offset + 8)};
    return true;
}

struct Pictures {
    std::vector<const HeifItem*> all;    // every item the primary is made of
    std::vector<const HeifItem*> coded;  // those decoded from a stream
};

HeifLayoutVerdict collect(const HeifLayout& layout, uint32_t id, unsigned depth, Pictures& pictures)
{
    const HeifItem* item = findHeifItem(layout, id);
    if (!item)
        return HeifLayoutVerdict::unreadable;
    if (pictures.all.size() >= 2 * maxCodedPictures)
        return HeifLayoutVerdict::tooLarge;
    pictures.all.push_back(item);
    const bool derived = item->type == fourCC("grid") || item->type == fourCC("iovl") || item->type == fourCC("iden");
    if (!derived) {
        pictures.coded.push_back(item);
        return HeifLayoutVerdict::acceptable;
    }
    if (depth >= maxHeifDerivationDepth)
        return HeifLayoutVerdict::unreadable;
    for (uint32_t source : item->derivedFrom) {
        const HeifLayoutVerdict verdict = collect(layout, source, depth + 1, pictures);
        if (verdict != HeifLayoutVerdict::acceptable)
            return verdict;
    }
    return HeifLayoutVerdict::acceptable;
}

uint64_t dataBytes(const HeifItem& item)
{
    uint64_t total = 0;
    for (const ByteRange& range : item.data)
        total += range.size;  // each range lies inside the file: no overflow
    return total;
}

// The first up to `bytes` bytes of an item's data from logical offset `at`.
std::vector<uint8_t> itemBytes(const uint8_t* data, const HeifItem& item, uint64_t at, uint64_t bytes)
{
    std::vector<uint8_t> out;
    for (const ByteRange& range : item.data) {
        if (at >= range.size) {
            at -= range.size;
            continue;
        }
        const uint64_t take = std::min(bytes - out.size(), range.size - at);
        out.insert(out.end(), data + range.offset + at, data + range.offset + at + take);
        at = 0;
        if (out.size() == bytes)
            break;
    }
    return out;
}

struct SpsRule {
    bool hasSize;
    Size size;
    uint64_t pixelLimit;
};

HeifLayoutVerdict checkSps(const uint8_t* nal, size_t bytes, const SpsRule& rule)
{
    HevcSpsSize sps;
    if (!readHevcSpsSize(nal, bytes, sps))
        return HeifLayoutVerdict::unreadable;
    if (uint64_t(sps.codedWidth) * sps.codedHeight > rule.pixelLimit)
        return HeifLayoutVerdict::tooLarge;
    if (rule.hasSize && (sps.width != rule.size.width || sps.height != rule.size.height ||
                         sps.codedWidth - sps.width >= maxPadding || sps.codedHeight - sps.height >= maxPadding))
        return HeifLayoutVerdict::sizeMismatch;
    return HeifLayoutVerdict::acceptable;
}

// hvcC: 21 bytes of profile and format fields, the NAL length size, then
// arrays of parameter-set NAL units, each with a 16-bit length.
HeifLayoutVerdict checkHevcItem(const uint8_t* data, const HeifLayout& layout, const HeifItem& item,
                                const SpsRule& rule)
{
    const ByteRange* config = findHeifProperty(layout, item, fourCC("hvcC"));
    if (!config || config->size < 23)
        return HeifLayoutVerdict::unreadable;
    const uint8_t* hvcc = data + config->offset;
    const unsigned lengthSize = (hvcc[21] & 3) + 1;
    uint64_t at = 23;
    for (unsigned array = hvcc[22]; array > 0; --array) {
        if (config->size - at < 3)
            return HeifLayoutVerdict::unreadable;
        unsigned units = unsigned(hvcc[at + 1]) << 8 | hvcc[at + 2];
        at += 3;
        for (; units > 0; --units) {
            if (config->size - at < 2)
                return HeifLayoutVerdict::unreadable;
            const uint64_t length = unsigned(hvcc[at]) << 8 | hvcc[at + 1];
            at += 2;
            if (length > config->size - at)
                return HeifLayoutVerdict::unreadable;
            if (isHevcSps(hvcc + at, length)) {
                const HeifLayoutVerdict verdict = checkSps(hvcc + at, length, rule);
                if (verdict != HeifLayoutVerdict::acceptable)
                    return verdict;
            }
            at += length;
        }
    }
    // The decoder takes parameter sets from the data as well.
    if (lengthSize == 3)
        return HeifLayoutVerdict::unreadable;
    const uint64_t total = dataBytes(item);
    for (uint64_t unit = 0; total - unit >= lengthSize;) {
        const std::vector<uint8_t> prefix = itemBytes(data, item, unit, lengthSize);
        uint64_t length = 0;
        for (uint8_t byte : prefix)
            length = length << 8 | byte;
        unit += lengthSize;
        if (length > total - unit)
            break;  // a cut stream: the decoder stops here too
        // The size fields come within the first few dozen bytes.
        const std::vector<uint8_t> nal = itemBytes(data, item, unit, std::min<uint64_t>(length, 256));
        if (isHevcSps(nal.data(), nal.size())) {
            const HeifLayoutVerdict verdict = checkSps(nal.data(), nal.size(), rule);
            if (verdict != HeifLayoutVerdict::acceptable)
                return verdict;
        }
        unit += length;
    }
    return HeifLayoutVerdict::acceptable;
}

// A fraction read from 'clap': a 32-bit numerator, signed for the offsets,
// over a positive denominator.
struct Fraction {
    int64_t numerator, denominator;
};

Fraction readFraction(const uint8_t* p, bool isSigned)
{
    const uint32_t n = readBig32(p), d = readBig32(p + 4);
    return {isSigned ? int64_t(int32_t(n)) : int64_t(n), int64_t(d)};
}

// The clean aperture is centred on the picture's centre moved by the
// offsets: its left edge is horizOff + (width - 1) / 2 - (apertureWidth - 1) / 2
// and its right edge apertureWidth - 1 further; likewise down. Both must lie
// in [0, width - 1]. Multiplied by 2 x offset denominator x width
// denominator, every term stays below 2^62.
bool edgesInside(Fraction aperture, Fraction offset, uint64_t side)
{
    const int64_t a = aperture.numerator, ad = aperture.denominator;
    const int64_t o = offset.numerator, od = offset.denominator;
    const int64_t w = int64_t(side);
    const int64_t scaledLeft = 2 * o * ad + (w - 1) * od * ad - (a - ad) * od;
    const int64_t scaledAperture = 2 * a * od;
    const int64_t scaledSide = 2 * w * od * ad;
    return scaledLeft >= 0 && scaledLeft + scaledAperture <= scaledSide;
}

// The size libheif keeps: the aperture rounded half up.
uint64_t roundedAperture(Fraction aperture)
{
    return uint64_t((2 * aperture.numerator + aperture.denominator) / (2 * aperture.denominator));
}

HeifLayoutVerdict checkCrops(const uint8_t* data, const HeifLayout& layout, const HeifItem& item)
{
    Size size;
    if (!itemSize(data, layout, item, size))
        return HeifLayoutVerdict::acceptable;  // nothing to crop against: the decoder refuses it
    for (uint32_t property : item.properties) {
        const ByteRange& box = layout.properties[property];
        if (layout.propertyTypes[property] == fourCC("irot") && box.size >= 1 && (data[box.offset] & 1))
            std::swap(size.width, size.height);
        if (layout.propertyTypes[property] != fourCC("clap"))
            continue;
        if (box.size < 32)
            return HeifLayoutVerdict::unreadable;
        const uint8_t* p = data + box.offset;
        const Fraction width = readFraction(p, false), height = readFraction(p + 8, false);
        const Fraction across = readFraction(p + 16, true), down = readFraction(p + 24, true);
        for (const Fraction& f : {width, height, across, down})
            if (f.denominator <= 0 || f.denominator > maxCropDenominator)
                return HeifLayoutVerdict::cropOutside;
        if (width.numerator < width.denominator || height.numerator < height.denominator ||
            width.numerator > INT32_MAX || height.numerator > INT32_MAX || size.width > maxCropSide ||
            size.height > maxCropSide || !edgesInside(width, across, size.width) ||
            !edgesInside(height, down, size.height))
            return HeifLayoutVerdict::cropOutside;
        size = {std::min(size.width, roundedAperture(width)), std::min(size.height, roundedAperture(height))};
    }
    return HeifLayoutVerdict::acceptable;
}

}  // namespace

HeifLayoutVerdict checkHeifLayout(const uint8_t* data, size_t size, const HeifLayout& layout, uint64_t pixelLimit)
{
    Pictures pictures;
    HeifLayoutVerdict verdict = collect(layout, layout.primary, 0, pictures);
    if (verdict != HeifLayoutVerdict::acceptable)
        return verdict;
    if (pictures.coded.size() > maxCodedPictures)
        return HeifLayoutVerdict::tooLarge;

    // Sums of at most 4096 terms, each below 2^34 once an item's own size
    // is within the pixel limit: no overflow.
    uint64_t codedBytes = 0, hevcBytes = 0, hevcBlocks = 0;
    for (const HeifItem* item : pictures.coded) {
        codedBytes += dataBytes(*item);
        Size itemArea;
        const bool sized = itemSize(data, layout, *item, itemArea);
        if (sized && itemArea.width * itemArea.height > pixelLimit)
            return HeifLayoutVerdict::tooLarge;
        if (item->type != fourCC("hvc1"))
            continue;
        hevcBytes += dataBytes(*item);
        if (sized)
            hevcBlocks += (itemArea.width + blockSide - 1) / blockSide * ((itemArea.height + blockSide - 1) / blockSide);
    }
    if (codedBytes > size || hevcBlocks > hevcBytes * hevcBlocksPerByte)
        return HeifLayoutVerdict::tooFewBytes;

    for (const HeifItem* item : pictures.coded) {
        if (item->type != fourCC("hvc1"))
            continue;
        SpsRule rule{false, {}, pixelLimit};
        rule.hasSize = itemSize(data, layout, *item, rule.size);
        verdict = checkHevcItem(data, layout, *item, rule);
        if (verdict != HeifLayoutVerdict::acceptable)
            return verdict;
    }
    for (const HeifItem* item : pictures.all) {
        verdict = checkCrops(data, layout, *item);
        if (verdict != HeifLayoutVerdict::acceptable)
            return verdict;
    }
    return HeifLayoutVerdict::acceptable;
}
