// libFuzzer target for the header size readers and the EXIF orientation
// reader, fed from memory and, through fmemopen, from a file read through the
// source's window: both roads must reach the same verdict, size and
// orientation, and neither may read past the bytes held. A TIFF or icon size
// is declared only when both sides were read and are not zero.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "decode/headers/declared_size.h"
#include "decode/headers/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HeaderSource memory = memorySource(data, size);
    const DeclaredSize fromMemory = readDeclaredSize(memory);
    isUndecodable(fromMemory);
    const Orientation orientationFromMemory = readExifOrientation(memory);
    const bool tiffOrIcon = size >= 4
                            && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0
                                || std::memcmp(data, "\0\0\1\0", 4) == 0 || std::memcmp(data, "\0\0\2\0", 4) == 0);
    if (tiffOrIcon && fromMemory.verdict == HeaderVerdict::declared && (fromMemory.width == 0 || fromMemory.height == 0))
        __builtin_trap();

    if (size == 0)
        return 0;  // fmemopen refuses an empty buffer
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    HeaderSource windowed = fileSource(file, size);
    const DeclaredSize fromFile = readDeclaredSize(windowed);
    const Orientation orientationFromFile = readExifOrientation(windowed);
    fclose(file);
    if (fromFile.verdict != fromMemory.verdict || fromFile.width != fromMemory.width
        || fromFile.height != fromMemory.height || orientationFromFile != orientationFromMemory)
        __builtin_trap();
    return 0;
}
