// libFuzzer target for the header size readers and the EXIF orientation
// reader, fed from memory and, through fmemopen, from a file read through the
// source's window: both roads must reach the same verdict, size and
// orientation, and neither may read past the bytes held.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "decode/headers/declared_size.h"
#include "decode/headers/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HeaderSource memory = memorySource(data, size);
    const DeclaredSize fromMemory = readDeclaredSize(memory);
    isUndecodable(fromMemory);
    const Orientation orientationFromMemory = readExifOrientation(memory);

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
