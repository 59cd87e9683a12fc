#include "filelist/name_order.h"

#include <cstddef>

namespace {

// In these ranges upper and lower case alternate, the upper case letter on
// the even or odd code unit as the range says.
struct AlternatingRange {
    char16_t first, last;
    bool upperIsEven;
};

const AlternatingRange alternatingRanges[] = {
    {0x0100, 0x012F, true},  {0x0132, 0x0137, true},  {0x0139, 0x0148, false},
    {0x014A, 0x0177, true},  {0x0179, 0x017E, false}, {0x0460, 0x0481, true},
    {0x048A, 0x04BF, true},  {0x04C1, 0x04CE, false}, {0x04D0, 0x052F, true},
    {0x1E00, 0x1E95, true},  {0x1EA0, 0x1EFF, true},
};

// Lower case letters a fixed distance above their capitals.
struct ShiftedRange {
    char16_t first, last;
    char16_t distance;
};

const ShiftedRange shiftedRanges[] = {
    {u'a', u'z', 0x20},     {0x00E0, 0x00F6, 0x20}, {0x00F8, 0x00FE, 0x20},
    {0x03AD, 0x03AF, 0x25}, {0x03B1, 0x03C1, 0x20}, {0x03C3, 0x03CB, 0x20},
    {0x03CD, 0x03CE, 0x3F}, {0x0430, 0x044F, 0x20}, {0x0450, 0x045F, 0x50},
    {0x0561, 0x0586, 0x30}, {0xFF41, 0xFF5A, 0x20},
};

// Pairs that follow no range.
struct SinglePair {
    char16_t lower, upper;
};

const SinglePair singlePairs[] = {
    {0x00FF, 0x0178},  // y with diaeresis
    {0x03AC, 0x0386},  // alpha with tonos
    {0x03C2, 0x03A3},  // final sigma
    {0x03CC, 0x038C},  // omicron with tonos
    {0x04CF, 0x04C0},  // palochka
};

}  // namespace

char16_t upperCaseUnit(char16_t unit)
{
    if (unit < 0x80)
        return unit >= u'a' && unit <= u'z' ? char16_t(unit - 0x20) : unit;
    for (const ShiftedRange& range : shiftedRanges) {
        if (unit >= range.first && unit <= range.last)
            return char16_t(unit - range.distance);
    }
    for (const AlternatingRange& range : alternatingRanges) {
        if (unit >= range.first && unit <= range.last) {
            // Each lower case letter directly follows its capital.
            bool isEven = (unit & 1) == 0;
            return isEven == range.upperIsEven ? unit : char16_t(unit - 1);
        }
    }
    for (const SinglePair& pair : singlePairs) {
        if (unit == pair.lower)
            return pair.upper;
    }
    return unit;
}

int compareNames(const char16_t* left, const char16_t* right)
{
    size_t i = 0;
    while (left[i] != 0 && upperCaseUnit(left[i]) == upperCaseUnit(right[i]))
        ++i;
    int folded = int(upperCaseUnit(left[i])) - int(upperCaseUnit(right[i]));
    if (folded != 0)
        return folded;
    for (i = 0; left[i] != 0 && left[i] == right[i]; ++i) {
    }
    return int(left[i]) - int(right[i]);
}
