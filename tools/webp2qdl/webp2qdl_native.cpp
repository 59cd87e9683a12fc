// webp2qdl INPUT.webp OUTPUT.qdl: the converter's decode-and-write path as a
// native program, for the tests that compare it with dwebp and for the
// benchmarks. Same exit status as WebP2QDL_only1stframe.exe.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/pixel_array_limit.h"
#include "webp_to_qdl.h"

namespace {

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wbx");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("Usage: webp2qdl INPUT.webp OUTPUT.qdl\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "webp2qdl: %s cannot be opened\n", argv[1]);
        return 1;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> qdl;
    std::string error;
    if (!convertWebpToQdl(bytes.data(), bytes.size(), maxPicturePixels, qdl, error)) {
        std::fprintf(stderr, "webp2qdl: %s %s\n", argv[1], error.c_str());
        return 1;
    }
    if (!writeWholeFile(argv[2], qdl)) {
        std::fprintf(stderr, "webp2qdl: %s cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
