#include "app/clipboard_records.h"
#include "app/screen_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string contents(const WideString& text)
{
    return std::u16string(text.text(), size_t(text.length()));
}

TEST(ScreenTexts, InformationLinesAndDeleteQuestion)
{
    WideString path(u"C:\\my pics\\\u00e4\u4e2d.png");
    EXPECT_EQ(contents(infoFileLine(path)), u"File \"C:\\my pics\\\u00e4\u4e2d.png\"");
    EXPECT_EQ(contents(deleteQuestion(path)),
              u"Are you sure you want to delete this file (\"C:\\my pics\\\u00e4\u4e2d.png\")?");

    struct Row {
        int32_t position;
        uint32_t count;
        int32_t width, height;
        std::u16string line;
    };
    const Row rows[] = {
        {3, 12, 4000, 3000, u"Image 3 of 12 (original resolution: 4000x3000)"},
        {1, 1, 1, 1, u"Image 1 of 1 (original resolution: 1x1)"},
        {1, 1, 0, 0, u"Image 1 of 1 (original resolution: 0x0)"},
        {10, 100, 65535, 100000, u"Image 10 of 100 (original resolution: 65535x100000)"},
        {INT32_MAX, UINT32_MAX, INT32_MIN, -1,
         u"Image 2147483647 of 4294967295 (original resolution: -2147483648x-1)"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(contents(infoImageLine(row.position, row.count, row.width, row.height)), row.line);
}

// The help screen's wording is checked on the screen by the end-to-end
// tests; here only its shape.
TEST(ScreenTexts, HelpScreenLeavesLineTwelveEmpty)
{
    for (int k = -1; k <= helpLineCount; ++k)
        EXPECT_EQ(helpScreenLine(k) == nullptr, k == -1 || k == 12 || k == helpLineCount) << k;
}

TEST(ClipboardRecords, DropRecordByteForByte)
{
    const char16_t path[] = u"C:\\\u00e4\u4e2d";
    const size_t n = 5;
    ASSERT_EQ(dropRecordSize(n), 20u + (n + 2) * 2);
    std::vector<uint8_t> record(dropRecordSize(n), 0xCC);
    writeDropRecord(path, n, record.data());
    const std::vector<uint8_t> expected = {
        20, 0, 0, 0,  // offset of the first name
        0,  0, 0, 0,  // drop point x
        0,  0, 0, 0,  // drop point y
        0,  0, 0, 0,  // not in the non-client area
        1,  0, 0, 0,  // names are UTF-16
        'C', 0, ':', 0, '\\', 0, 0xE4, 0x00, 0x2D, 0x4E,
        0,  0,        // terminator of the name
        0,  0,        // end of the name list
    };
    EXPECT_EQ(record, expected);
}

TEST(ClipboardRecords, EightBitNameKeepsLowBytes)
{
    const char16_t name[] = u"C:\\PROGRA~1\\\u00e4\u4e2d.PNG";
    const size_t n = std::char_traits<char16_t>::length(name);
    std::vector<uint8_t> bytes(n + 2, 0xCC);
    writeLowByteName(name, n, bytes.data());
    const std::string expected = std::string("C:\\PROGRA~1\\\xE4\x2D.PNG") + '\0' + '\xCC';
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

    EXPECT_TRUE(isPlainAscii(u"C:\\a b\\x.png", 12));
    EXPECT_FALSE(isPlainAscii(u"C:\\\u00e4.png", 8));
    EXPECT_FALSE(isPlainAscii(u"\u0141", 1));  // low byte 0x41 would read as "A"
}

}  // namespace
