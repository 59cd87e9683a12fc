// libFuzzer target for the QDL parser. Besides memory errors it checks the
// parser's promises: a failed parse leaves an empty picture, a successful one
// a picture of consistent size, and a small decoded picture written back in
// its own type and compression reads back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_writer.h"
#include "picture/picture.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool samePicture(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel)
        return false;
    if ((a.palette == nullptr) != (b.palette == nullptr))
        return false;
    if (a.palette && std::memcmp(a.palette.get(), b.palette.get(), a.paletteBytes()) != 0)
        return false;
    return std::memcmp(a.pixels.get(), b.pixels.get(), static_cast<size_t>(a.pixelBytes())) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Picture picture;
    const int result = parseQdlImage(picture, data, size);
    require(result >= qdlCannotOpen && result <= qdlCorrupt);
    if (result != qdlDecoded) {
        require(!picture.holdsImage() && picture.width == 0 && picture.height == 0 && picture.palette == nullptr);
        return 0;
    }
    require(picture.holdsImage() && picture.width >= 0 && picture.height >= 0);

    // Every pixel byte is readable (AddressSanitizer checks the extent).
    uint8_t sum = 0;
    for (uint64_t i = 0; i < picture.pixelBytes(); ++i)
        sum = static_cast<uint8_t>(sum + picture.pixels[i]);
    volatile uint8_t keep = sum;
    (void)keep;

    // The bit-run stream does not carry the padding bits of 1-bit rows, so
    // only pictures without them, or plain ones, must come back byte for byte.
    const int type = data[10];
    const int compression = data[11];
    const bool padded = picture.bitsPerPixel == 1 && picture.width % 8 != 0;
    const uint64_t pixels = static_cast<uint64_t>(picture.width) * static_cast<uint64_t>(picture.height);
    if (pixels <= 65536 && !(padded && compression != 0)) {
        std::vector<uint8_t> file;
        const QdlWriteResult written = writeQdlImage(picture, type, compression, file);
        require(written == QdlWriteResult::written || written == QdlWriteResult::unrepresentable);
        if (written == QdlWriteResult::written) {
            Picture back;
            require(parseQdlImage(back, file.data(), file.size()) == qdlDecoded);
            require(samePicture(picture, back));
        }
    }
    return 0;
}
