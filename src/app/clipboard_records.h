// Byte layouts of the path formats put on the clipboard: the dropped-file
// record (CF_HDROP) and the 8-bit "FileName" form.
#pragma once

#include <cstddef>
#include <cstdint>

// A dropped-file record for one path of length units: a 20-byte header
// (offset of the names 20, drop point 0,0, client area, UTF-16 names), the
// path with its terminator, and a second zero ending the name list.
constexpr size_t dropRecordHeaderSize = 20;
size_t dropRecordSize(size_t pathLength);
void writeDropRecord(const char16_t* path, size_t pathLength, uint8_t* record);

// The 8-bit form keeps the low byte of each code unit and adds a zero byte:
// length + 1 bytes.
void writeLowByteName(const char16_t* name, size_t length, uint8_t* target);

// True when every unit is 7-bit ASCII, so that the low bytes name the same
// file in any 8-bit code page.
bool isPlainAscii(const char16_t* text, size_t length);
