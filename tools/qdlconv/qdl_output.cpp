#include "qdl_output.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/qdl/qdl_writer.h"
#include "pixel_type.h"
#include "replace_file.h"

namespace {

bool encodeQdl(Picture& picture, const Options& options, std::vector<uint8_t>& bytes, std::string& error)
{
    if (options.pixelType == 2 && !reorderPaletteForQdl(picture, options.compression)) {
        error = "compression " + std::to_string(options.compression) +
                " cannot store this picture: too many colours occur in short runs (compression 1 can)";
        return false;
    }
    switch (writeQdlImage(picture, options.pixelType, options.compression, bytes)) {
    case QdlWriteResult::written:
        return true;
    case QdlWriteResult::unrepresentable:
        error = "compression " + std::to_string(options.compression) +
                " cannot store a lone pixel whose T and R are 255 and non-zero (compressions 1 and 3 can)";
        return false;
    case QdlWriteResult::tooLarge:
        error = "the picture is larger than a QDL file holds (2^31 - 1 bytes of pixels)";
        return false;
    case QdlWriteResult::outOfMemory:
        error = "not enough memory to encode the picture";
        return false;
    default:
        error = "the picture does not fit pixel type " + std::to_string(options.pixelType);
        return false;
    }
}

}  // namespace

int writeQdlOutput(Picture& picture, Options options)
{
    if (options.pixelType < 0) {
        options.pixelType = naturalQdlPixelType(picture);
        if (options.compression > lastCompression[options.pixelType]) {
            std::fprintf(stderr, "qdlconv: the picture's own pixel type %d accepts compressions 0 to %d, not %d\n",
                         options.pixelType, lastCompression[options.pixelType], options.compression);
            return exitUsage;
        }
    }
    options.compression = std::max(options.compression, 0);
    std::string error;
    std::vector<uint8_t> bytes;
    if (!convertToPixelType(picture, options.pixelType, error) || !encodeQdl(picture, options, bytes, error) ||
        !writeFileWhole(options.output, {{bytes.data(), bytes.size()}}, error)) {
        std::fprintf(stderr, "qdlconv: %s\n", error.c_str());
        return exitFailed;
    }
    return exitDone;
}
