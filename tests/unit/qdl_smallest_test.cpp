// The converter's choice of compression: the shortest file of the picture's
// own pixel type, which reads back to the same picture.
#include <gtest/gtest.h>

#include "decode/qdl_reader.h"
#include "decode/qdl_smallest.h"
#include "picture_fixtures.h"

namespace {

TEST(WriteSmallestQdl, KeepsTheShortestEncodingOfTheOwnType)
{
    // 24 bits: one colour compresses best in runs; noise stays plain.
    // 32 bits: a lone pixel with T = 255 and R = 7 that marked runs cannot
    // store on its own.
    Bytes noise;
    for (int i = 0; i < 3 * 64; ++i)
        noise.push_back(uint8_t(i * 151 + i / 3 * 17));
    Bytes transparent(4 * 64, 0);
    transparent[0] = 255;
    transparent[1] = 7;
    Bytes checkerboard;
    for (int i = 0; i < 64; ++i)
        checkerboard.insert(checkerboard.end(), 3, (i + i / 8) % 2 ? 200 : 30);
    const struct {
        const char* what;
        Picture picture;
        int pixelType;
        bool compressed;
    } rows[] = {
        {"flat 24 bits", makePicture(8, 8, 24, Bytes(3 * 64, 40)), 4, true},
        {"noise 24 bits", makePicture(8, 8, 24, noise), 4, false},
        {"two-colour checkerboard: colour groups", makePicture(8, 8, 24, checkerboard), 4, true},
        {"32 bits with a marked-run escape", makePicture(8, 8, 32, transparent), 5, true},
    };
    for (const auto& row : rows) {
        Bytes file;
        ASSERT_EQ(writeSmallestQdl(row.picture, file), QdlWriteResult::written) << row.what;
        ASSERT_GE(file.size(), 12u) << row.what;
        EXPECT_EQ(file[10], row.pixelType) << row.what;
        EXPECT_EQ(file[11] != 0, row.compressed) << row.what;
        for (int compression = 0; compression <= (row.pixelType == 4 ? 2 : 3); ++compression) {
            Bytes other;
            if (writeQdlImage(row.picture, row.pixelType, compression, other) == QdlWriteResult::written)
                EXPECT_LE(file.size(), other.size()) << row.what << " compression " << compression;
        }
        Picture back;
        ASSERT_EQ(parseQdlImage(back, file.data(), file.size()), qdlDecoded) << row.what;
        EXPECT_EQ(pixelsOf(back), pixelsOf(row.picture)) << row.what;
    }

    Bytes file = {1, 2, 3};
    EXPECT_EQ(writeSmallestQdl(Picture(), file), QdlWriteResult::noImage);
    EXPECT_TRUE(file.empty());
}

}  // namespace
