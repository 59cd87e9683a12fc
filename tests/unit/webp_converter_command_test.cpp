#include "decode/webp_converter_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::u16string relative = webpConverterRelativePath;

std::u16string folderOf(size_t letters) { return u"C:\\" + std::u16string(letters, u'd') + u"\\"; }

TEST(WebpConverterCommandTest, ConverterSitsInTheEditorsFolder)
{
    // "C:\" + n letters + "\" + relative with its terminator fills a path
    // buffer at n = 255 - relative.
    const size_t longest = 255 - relative.size();
    const struct {
        std::u16string editor;
        std::u16string converter;  // empty: none
    } cases[] = {
        {u"C:\\Program Files\\Quadrel\\Quadrel.exe", u"C:\\Program Files\\Quadrel\\" + relative},
        {u"\\\\server\\share\\q.exe", u"\\\\server\\share\\" + relative},
        {u"D:\\Tools\\", u"D:\\Tools\\" + relative},
        // No folder: nothing in the current directory is ever started.
        {u"Quadrel.exe", u""},
        {u"", u""},
        {folderOf(longest) + u"e.exe", folderOf(longest) + relative},
        {folderOf(longest + 1) + u"e.exe", u""},
    };
    for (const auto& c : cases) {
        PathBuffer converter = u"stale";
        EXPECT_EQ(webpConverterPath(c.editor.c_str(), converter), !c.converter.empty()) << c.editor.size();
        EXPECT_EQ(std::u16string(converter), c.converter) << c.editor.size();
    }
}

TEST(WebpConverterCommandTest, TemporaryFilesAndUnquotedCommandLine)
{
    const std::u16string copyName = webpConverterCopyName;  // the longer name
    const struct {
        std::u16string temp;
        bool fits;
    } cases[] = {
        {u"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\", true},
        {folderOf(259 - 4 - copyName.size()), true},
        {folderOf(260 - 4 - copyName.size()), false},
    };
    for (const auto& c : cases) {
        PathBuffer copy, output;
        ConverterCommandLine commandLine;
        ASSERT_EQ(webpConverterFiles(c.temp.c_str(), copy, output), c.fits) << c.temp.size();
        if (!c.fits) {
            EXPECT_EQ(copy[0] | output[0], 0);
            continue;
        }
        EXPECT_EQ(std::u16string(copy), c.temp + u"Quadrel(webp2qdl).webp");
        EXPECT_EQ(std::u16string(output), c.temp + u"Quadrel(webp2qdl).qdl");
        webpConverterCommandLine(copy, output, commandLine);
        EXPECT_EQ(std::u16string(commandLine),
                  u" " + c.temp + u"Quadrel(webp2qdl).webp " + c.temp + u"Quadrel(webp2qdl).qdl");
    }
}

}  // namespace
