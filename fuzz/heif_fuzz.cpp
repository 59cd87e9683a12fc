// libFuzzer target for the HEIC reader: libheif and libde265 on untrusted
// bytes behind the reader's limits. Besides memory errors it checks the
// reader's promises: a picture is 24-bit at the published size and within
// the pixel limit; no picture leaves no pixels behind. The reader's own
// layout check runs on every input too, also on those libheif refuses
// before the reader would reach it.
#include <cstdint>
#include <cstdlib>

#include "state/decode_results.h"
#include "decode/headers/heif_hidden_auxiliary.h"
#include "decode/headers/heif_layout.h"
#include "decode/headers/heif_layout_check.h"
#include "decode/libraries/heif_reader.h"
#include "picture/picture.h"
#include "published_picture.h"

namespace {

// Small enough that a picture and its conversions stay well inside the
// fuzzer's memory limit under AddressSanitizer.
constexpr uint64_t fuzzPixelLimit = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HeifLayout layout;
    if (readHeifLayout(data, size, layout)) {
        checkHeifLayout(data, size, layout, fuzzPixelLimit);
        const std::vector<uint8_t> colourOnly = withoutAuxiliaryPictures(data, size, layout);
        require(colourOnly.empty() == layout.auxiliaryReferenceTypes.empty());
    }

    imageWidth = imageHeight = 0;
    Picture picture;
    parseHeifImage(data, size, picture, fuzzPixelLimit);
    requirePublishedPicture(picture, fuzzPixelLimit);
    // With alpha dropped the picture is always 24-bit.
    require(!picture.holdsImage() || picture.bitsPerPixel == 24);
    return 0;
}
