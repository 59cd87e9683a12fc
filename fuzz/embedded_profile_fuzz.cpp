// libFuzzer target for the embedded-profile search, fed from memory. The
// first byte picks the JPEG or the signature rule; JPEG data also goes
// through the walk over its segments that joins a profile split into chunks.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pipeline/embedded_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool jpeg = (data[0] & 1) != 0;
    const uint8_t* bytes = data + 1;
    const size_t length = size - 1;
    ProfileLocation location;
    if (locateEmbeddedProfile(bytes, length, jpeg, location)) {
        if (location.offset + location.length > length || location.offset + 100 >= length)
            __builtin_trap();
    }
    ProfileChunks chunks;
    if (locateJpegProfileChunks(bytes, length, chunks)) {
        if (chunks.count < 2)
            __builtin_trap();
        for (size_t k = 0; k < chunks.count; ++k)
            if (chunks.pieces[k].offset + chunks.pieces[k].length > length)
                __builtin_trap();
    }
    // The copy is exactly as large as the input, so AddressSanitizer sees any
    // profile byte read past it, joined or not.
    ByteArray copy = allocateBytes(length == 0 ? 1 : length);
    if (!copy)
        return 0;
    std::memcpy(copy.get(), bytes, length);
    EmbeddedProfile profile;
    if (embeddedProfileInBytes(std::move(copy), length, jpeg, profile) && profile.size > 0) {
        volatile uint8_t first = profile.bytes[0];
        volatile uint8_t last = profile.bytes[profile.size - 1];
        (void)first;
        (void)last;
    }
    return 0;
}
