// The own-format readers open their files by UTF-16 path: files in a
// directory with umlauts and CJK characters, and names holding a character
// outside the Basic Multilingual Plane (a surrogate pair), are read as they
// are, never through a lossy narrow-character path. The files are made with
// CreateFileW in a tree under the temporary directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/common/file_contents.h"
#include "decode/qdl/qdl_reader.h"
#include "decode/qdl/qdl_writer.h"
#include "decode/tga/tga_reader.h"
#include "picture/picture.h"
#include "picture_fixtures.h"
#include "tga_fixtures.h"

namespace {

const wchar_t kNonAsciiDirectory[] = L"Bilder-\u00e4\u00f6\u00fc-\u65e5\u672c";
// U+1F600 is stored as the surrogate pair D83D DE00, U+1F601 as D83D DE01.
const wchar_t kGrinning[] = L"\U0001F600";
const wchar_t kBeaming[] = L"\U0001F601";

const char16_t* asPath(const std::wstring& path)
{
    return reinterpret_cast<const char16_t*>(path.c_str());
}

class FileReadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temporary[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
        ASSERT_GT(length, 0u);
        ASSERT_LE(length, static_cast<DWORD>(MAX_PATH));
        // Process ids repeat under Wine, and a failed run may leave its tree.
        const std::wstring stem = std::wstring(temporary) + L"vellora-file-read-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-";
        for (int attempt = 0; root.empty(); ++attempt) {
            if (CreateDirectoryW((stem + std::to_wstring(attempt)).c_str(), nullptr))
                root = stem + std::to_wstring(attempt);
            else
                ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
        }
        directories.push_back(root);
        directory = root + L"\\" + kNonAsciiDirectory;
        makeDirectory(directory);
    }

    void TearDown() override
    {
        for (auto file = files.rbegin(); file != files.rend(); ++file)
            DeleteFileW(file->c_str());
        for (auto made = directories.rbegin(); made != directories.rend(); ++made)
            EXPECT_TRUE(RemoveDirectoryW(made->c_str())) << "a file was left in the test tree";
    }

    void makeDirectory(const std::wstring& path)
    {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << GetLastError();
        directories.push_back(path);
    }

    // Creates directory\name holding bytes; returns the full path.
    std::wstring makeFile(const std::wstring& name, const Bytes& bytes)
    {
        const std::wstring path = directory + L"\\" + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        if (file == INVALID_HANDLE_VALUE)
            return path;
        files.push_back(path);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        EXPECT_EQ(written, bytes.size());
        CloseHandle(file);
        return path;
    }

    std::wstring makeQdlFile(const std::wstring& name, const Picture& picture, int type, int compression)
    {
        Bytes bytes;
        EXPECT_EQ(writeQdlImage(picture, type, compression, bytes), QdlWriteResult::written);
        return makeFile(name, bytes);
    }

    std::wstring root;
    std::wstring directory;
    std::vector<std::wstring> directories;
    std::vector<std::wstring> files;
};

// A 5 x 3 picture of distinct colours.
Picture colourPicture(uint8_t seed)
{
    Bytes pixels;
    for (int i = 0; i < 5 * 3 * 3; ++i)
        pixels.push_back(static_cast<uint8_t>(seed + i * 17));
    return makePicture(5, 3, 24, pixels);
}

TEST_F(FileReadTest, QdlFilesRoundTripUnderNonAsciiNames)
{
    ASSERT_EQ(std::wstring(kGrinning), (std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}));
    const Picture colour = colourPicture(3);
    Bytes palette(1024);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<uint8_t>(i % 4 == 0 ? 0 : i * 7);
    const Picture indexed = makePicture(4, 2, 8, {0, 9, 9, 9, 200, 200, 200, 1}, palette);
    const Picture transparent = makePicture(3, 1, 32, {0, 1, 2, 3, 255, 4, 5, 6, 128, 7, 8, 9});

    const struct {
        std::wstring name;
        const Picture& picture;
        int type, compression;
    } cases[] = {
        {std::wstring(L"Bild-") + kGrinning + L".qdl", colour, 4, 2},
        {std::wstring(L"\u00dcbersicht ") + kBeaming + L" " + kGrinning + L".QDL", indexed, 2, 3},
        {L"\u65e5\u672c.qdl", transparent, 5, 1},
    };
    for (const auto& c : cases) {
        const std::wstring path = makeQdlFile(c.name, c.picture, c.type, c.compression);
        Picture back;
        ASSERT_EQ(loadQdlFile(asPath(path), back), qdlDecoded) << c.type;
        EXPECT_EQ(naturalQdlPixelType(back), c.type);
        EXPECT_EQ(back.width, c.picture.width);
        EXPECT_EQ(back.height, c.picture.height);
        for (int32_t y = 0; y < back.height; ++y) {
            for (int32_t x = 0; x < back.width; ++x) {
                ASSERT_EQ(back.pixelAt(x, y), c.picture.pixelAt(x, y)) << c.type << " at " << x << "," << y;
            }
        }
        if (c.type == 2) {
            EXPECT_EQ(paletteOf(back), palette);
        }
    }
}

// Names that a conversion to the ANSI code page would make equal ('?' for
// both emoji, a best fit of a-umlaut to a) still open their own files.
TEST_F(FileReadTest, NamesThatDifferOnlyInNonAsciiCharactersStayApart)
{
    const std::wstring names[] = {std::wstring(L"a") + kGrinning + L".qdl", std::wstring(L"a") + kBeaming + L".qdl",
                                  L"\u00e4.qdl", L"a.qdl"};
    std::vector<std::wstring> paths;
    for (int i = 0; i < 4; ++i)
        paths.push_back(makeQdlFile(names[i], colourPicture(static_cast<uint8_t>(40 * i)), 4, 0));
    for (int i = 0; i < 4; ++i) {
        Picture back;
        ASSERT_EQ(loadQdlFile(asPath(paths[i]), back), qdlDecoded) << i;
        EXPECT_EQ(pixelsOf(back), pixelsOf(colourPicture(static_cast<uint8_t>(40 * i)))) << i;
    }
}

TEST_F(FileReadTest, TgaFilesUnderNonAsciiNames)
{
    // 2 x 1, run-length encoded, 32 bits: a run of two B 1, G 2, R 3 and an
    // alpha that the reader drops.
    const std::wstring rle = makeFile(std::wstring(L"Stra\u00dfe ") + kGrinning + L".tga",
                                      tgaFile(10, 2, 1, 32, {129, 1, 2, 3, 77}));
    Picture picture;
    readTgaImage(asPath(rle), picture);
    ASSERT_TRUE(picture.holdsImage());
    EXPECT_EQ(picture.bitsPerPixel, 32);
    EXPECT_EQ(pixelsOf(picture), (Bytes{0, 3, 2, 1, 0, 3, 2, 1}));

    const std::wstring plain = makeFile(L"\u65e5\u672c.TGA", tgaFile(2, 1, 2, 24, {10, 20, 30, 40, 50, 60}));
    readTgaImage(asPath(plain), picture);
    ASSERT_TRUE(picture.holdsImage());
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_EQ(pixelsOf(picture), (Bytes{30, 20, 10, 60, 50, 40}));
}

TEST_F(FileReadTest, MissingAndEmptyFiles)
{
    makeQdlFile(std::wstring(L"Bild-") + kGrinning + L".qdl", colourPicture(1), 4, 0);
    const std::wstring missing[] = {
        directory + L"\\Bild-" + kBeaming + L".qdl",                 // a neighbour of an existing file
        directory + L"\\" + kNonAsciiDirectory + L"\\Bild.qdl",      // a directory that does not exist
        directory + L"\\Bild-" + kGrinning + L".qdl.tga",
    };
    for (const std::wstring& path : missing) {
        Picture picture = colourPicture(5);
        EXPECT_EQ(loadQdlFile(asPath(path), picture), qdlCannotOpen);
        EXPECT_EQ(pixelsOf(picture), pixelsOf(colourPicture(5)));  // untouched
        readTgaImage(asPath(path), picture);
        EXPECT_FALSE(picture.holdsImage());
    }

    const std::wstring empty = makeFile(std::wstring(L"leer-") + kGrinning + L".qdl", {});
    FileContents emptyContents;
    ASSERT_EQ(readFileContents(asPath(empty), emptyContents), FileReadResult::ok);
    EXPECT_NE(emptyContents.data(), nullptr);
    EXPECT_EQ(emptyContents.size(), 0u);
    for (const std::wstring& path : {missing[0], directory}) {
        FileContents contents;
        EXPECT_EQ(readFileContents(asPath(path), contents), FileReadResult::cannotOpen);
    }
    Picture picture = colourPicture(5);
    EXPECT_EQ(loadQdlFile(asPath(empty), picture), qdlNotQdl);
    EXPECT_EQ(pixelsOf(picture), pixelsOf(colourPicture(5)));
    readTgaImage(asPath(empty), picture);
    EXPECT_FALSE(picture.holdsImage());
}

// A file viewed in place must not change under its readers, and a file that
// another program is still writing must be read all the same.
TEST_F(FileReadTest, ContentsStayPutAndFilesBeingWrittenAreRead)
{
    const Bytes bytes = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
    const std::wstring path = makeFile(std::wstring(L"Foto-") + kGrinning + L".jpg", bytes);
    {
        FileContents contents;
        ASSERT_EQ(readFileContents(asPath(path), contents), FileReadResult::ok);
        EXPECT_EQ(Bytes(contents.data(), contents.data() + contents.size()), bytes);
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "the file could be changed while it was being read";
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
    }
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE) << "the file was left held: " << GetLastError();
    FileContents contents;
    EXPECT_EQ(readFileContents(asPath(path), contents), FileReadResult::ok);
    EXPECT_EQ(Bytes(contents.data(), contents.data() + contents.size()), bytes);
    CloseHandle(writer);
}

}  // namespace
