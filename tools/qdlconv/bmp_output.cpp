#include "bmp_output.h"

#include <cstdint>

#include "replace_file.h"

namespace {

constexpr uint64_t bmpFileHeaderSize = 14;
constexpr uint64_t dibHeaderSize = 40;

void putLe32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

bool writeBmpFile(const Picture& picture, const std::string& path, std::string& error)
{
    if (picture.width <= 0 || picture.height <= 0) {
        error = "a picture without pixels (width or height 0) is not written as a BMP file";
        return false;
    }
    const uint64_t dibSize = picture.packedDibSize();
    const uint64_t fileSize = bmpFileHeaderSize + dibSize;
    if (fileSize > UINT32_MAX) {
        error = "the BMP file would have " + std::to_string(fileSize) +
                " bytes, more than its 32-bit size field holds (4 GiB - 1)";
        return false;
    }
    const ByteArray dib = picture.toPackedDib(0, false);
    if (!dib) {
        error = "not enough memory for the BMP pixels";
        return false;
    }
    const uint64_t tableBytes = picture.bitsPerPixel == 1 ? 8 : picture.bitsPerPixel == 8 ? 1024 : 0;
    uint8_t header[bmpFileHeaderSize] = {'B', 'M'};
    putLe32(header + 2, static_cast<uint32_t>(fileSize));
    putLe32(header + 10, static_cast<uint32_t>(bmpFileHeaderSize + dibHeaderSize + tableBytes));
    return writeFileWhole(path, {{header, sizeof header}, {dib.get(), static_cast<size_t>(dibSize)}}, error);
}
