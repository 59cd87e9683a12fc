// libFuzzer target for the AVIF road of the HEIF reader: libheif and dav1d
// on untrusted bytes behind the reader's limits, alpha kept. Besides memory
// errors it checks the promises of published_picture.h.
#include <cstdint>

#include "decode/libraries/heif_reader.h"
#include "published_picture.h"

// As for HEIC: a picture and its conversions stay well inside the fuzzer's
// memory limit under AddressSanitizer.
constexpr uint64_t fuzzPixelLimit = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    imageWidth = imageHeight = 0;
    Picture picture;
    parseHeifImage(data, size, picture, fuzzPixelLimit, HeifAlpha::kept);
    requirePublishedPicture(picture, fuzzPixelLimit);
    return 0;
}
