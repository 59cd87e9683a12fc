#include "decode/headers/header_size_check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "decode/headers/declared_size.h"
#include "decode/common/file_bytes_platform.h"
#include "state/decode_results.h"

namespace {

int32_t publishedSide(uint32_t side)
{
    return static_cast<int32_t>(std::min<uint32_t>(side, INT32_MAX));
}

}  // namespace

bool headerRefusesPicture(const char16_t* path)
{
    FILE* file = openFileForReading(path);
    if (!file)
        return false;
    DeclaredSize size;
    const int64_t length = lengthOfOpenFile(file);
    if (length >= 0) {
        HeaderSource source = fileSource(file, static_cast<uint64_t>(length));
        size = readDeclaredSize(source);
    }
    fclose(file);
    if (!isUndecodable(size))
        return false;
    imageWidth = publishedSide(size.width);
    imageHeight = publishedSide(size.height);
    return true;
}
