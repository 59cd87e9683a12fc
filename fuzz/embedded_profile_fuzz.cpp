// libFuzzer target for the embedded-profile search, fed from memory. The
// first byte picks the JPEG or the signature rule.

#include <cstddef>
#include <cstdint>

#include "pipeline/embedded_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    ProfileLocation location;
    if (locateEmbeddedProfile(data + 1, size - 1, (data[0] & 1) != 0, location)) {
        if (location.offset + location.length > size - 1 || location.offset + 100 >= size - 1)
            __builtin_trap();
        // AddressSanitizer checks that the profile lies inside the data.
        if (location.length > 0) {
            volatile uint8_t last = data[1 + location.offset + location.length - 1];
            (void)last;
        }
    }
    return 0;
}
