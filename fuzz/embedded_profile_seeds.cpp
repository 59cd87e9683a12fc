// Writes the starting corpus of embedded_profile_fuzz into the directory given
// as argv[1]. The first byte picks the rule (1 JPEG, 0 the signature): a JPEG
// whose profile is split over two APP2 chunks standing in reverse order, one
// with a single chunk, and a profile header found by its signature.

#include "profile_fixtures.h"
#include "seed_writer.h"

namespace {

// FF E2, the segment's length, "ICC_PROFILE", chunk number and count, bytes.
Bytes app2Chunk(uint8_t number, uint8_t count, const Bytes& piece)
{
    Bytes body = iccChunk(piece);
    body[12] = number;
    body[13] = count;
    Bytes segment = {0xFF, 0xE2, uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)};
    segment.insert(segment.end(), body.begin(), body.end());
    return segment;
}

Bytes jpegSeed(const std::vector<Bytes>& segments)
{
    Bytes file = {1, 0xFF, 0xD8};
    for (const Bytes& segment : segments)
        file.insert(file.end(), segment.begin(), segment.end());
    const Bytes scan = {0xFF, 0xDA, 0, 4, 1, 2};
    file.insert(file.end(), scan.begin(), scan.end());
    file.resize(file.size() + 120, 0x11);
    return file;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const Bytes profile = profileBlock(240);
    const Bytes first(profile.begin(), profile.begin() + 100), second(profile.begin() + 100, profile.end());
    Bytes signature = {0};
    signature.insert(signature.end(), 30, 0x42);
    signature.insert(signature.end(), profile.begin(), profile.end());
    const Seeds seeds = {
        {"jpeg-two-chunks-reversed", jpegSeed({app2Chunk(2, 2, second), app2Chunk(1, 2, first)})},
        {"jpeg-one-chunk", jpegSeed({app2Chunk(1, 1, profile)})},
        {"signature", signature},
    };
    return writeSeeds(argv[1], ".bin", seeds) ? 0 : 1;
}
