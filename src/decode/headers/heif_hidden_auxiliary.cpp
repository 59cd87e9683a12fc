#include "decode/headers/heif_hidden_auxiliary.h"

namespace {

constexpr uint8_t unknownReferenceType[4] = {'x', 'a', 'u', 'x'};

}  // namespace

std::vector<uint8_t> withoutAuxiliaryPictures(const uint8_t* data, size_t size, const HeifLayout& layout)
{
    if (layout.auxiliaryReferenceTypes.empty())
        return {};
    std::vector<uint8_t> copy(data, data + size);
    for (uint64_t type : layout.auxiliaryReferenceTypes)
        for (size_t i = 0; i < 4; ++i)
            copy[type + i] = unknownReferenceType[i];  // inside the file: the layout read the box
    return copy;
}
