#include "app/clipboard_records.h"

#include <cstring>

namespace {

void putLittleEndian32(uint8_t* target, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        target[i] = uint8_t(value >> (8 * i));
}

}  // namespace

size_t dropRecordSize(size_t pathLength)
{
    return dropRecordHeaderSize + (pathLength + 2) * sizeof(char16_t);
}

void writeDropRecord(const char16_t* path, size_t pathLength, uint8_t* record)
{
    std::memset(record, 0, dropRecordSize(pathLength));
    putLittleEndian32(record, uint32_t(dropRecordHeaderSize));
    putLittleEndian32(record + 16, 1);
    uint8_t* names = record + dropRecordHeaderSize;
    for (size_t i = 0; i < pathLength; ++i) {
        names[2 * i] = uint8_t(path[i]);
        names[2 * i + 1] = uint8_t(path[i] >> 8);
    }
}

void writeLowByteName(const char16_t* name, size_t length, uint8_t* target)
{
    for (size_t i = 0; i < length; ++i)
        target[i] = uint8_t(name[i]);
    target[length] = 0;
}

bool isPlainAscii(const char16_t* text, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (text[i] >= 0x80)
            return false;
    return true;
}
