#include "decode/webp_converter_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string repeated(char16_t c, size_t n) { return std::u16string(n, c); }

TEST(WebpConverterCommandTest, ConverterSitsInTheEditorsFolder)
{
    const std::u16string longFolder = u"C:\\" + repeated(u'd', 230) + u"\\";
    const std::u16string relative = webpConverterRelativePath;
    struct Case {
        std::u16string editor;
        bool found;
        std::u16string converter;
    } cases[] = {
        {u"C:\\Program Files\\Quadrel\\Quadrel.exe", true,
         u"C:\\Program Files\\Quadrel\\Utilities-WebP\\WebP2QDL_only1stframe.exe"},
        {u"\\\\server\\share\\q.exe", true, u"\\\\server\\share\\Utilities-WebP\\WebP2QDL_only1stframe.exe"},
        {u"D:\\Tools\\", true, u"D:\\Tools\\Utilities-WebP\\WebP2QDL_only1stframe.exe"},
        // No folder: nothing in the current directory is ever started.
        {u"Quadrel.exe", false, u""},
        {u"", false, u""},
        // The longest folder that still fits, and one character more.
        // "C:\\" + n + "\\" + relative with its terminator fills 260 at n = 255 - relative.
        {u"C:\\" + repeated(u'd', 255 - relative.size()) + u"\\e.exe", true,
         u"C:\\" + repeated(u'd', 255 - relative.size()) + u"\\" + relative},
        {u"C:\\" + repeated(u'd', 256 - relative.size()) + u"\\e.exe", false, u""},
        {longFolder + u"e.exe", false, u""},
    };
    for (const Case& c : cases) {
        PathBuffer converter = u"stale";
        EXPECT_EQ(webpConverterPath(c.editor.c_str(), converter), c.found) << c.editor.size();
        EXPECT_EQ(std::u16string(converter), c.converter) << c.editor.size();
    }
}

TEST(WebpConverterCommandTest, TemporaryFilesAndUnquotedCommandLine)
{
    const std::u16string temp = u"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\";
    PathBuffer copy, output;
    ASSERT_TRUE(webpConverterFiles(temp.c_str(), copy, output));
    EXPECT_EQ(std::u16string(copy), temp + u"Quadrel(webp2qdl).webp");
    EXPECT_EQ(std::u16string(output), temp + u"Quadrel(webp2qdl).qdl");

    ConverterCommandLine commandLine;
    webpConverterCommandLine(copy, output, commandLine);
    EXPECT_EQ(std::u16string(commandLine), u" " + temp + u"Quadrel(webp2qdl).webp " + temp + u"Quadrel(webp2qdl).qdl");

    // A temporary folder too long for the longer name refuses both.
    const std::u16string longTemp = u"C:\\" + repeated(u't', 259 - 3 - 22) + u"\\";
    ASSERT_EQ(longTemp.size() + 22, 260u);  // the copy's name is 22 characters
    EXPECT_FALSE(webpConverterFiles(longTemp.c_str(), copy, output));
    EXPECT_EQ(copy[0], 0);
    EXPECT_EQ(output[0], 0);

    // The longest paths still make a whole command line.
    const std::u16string fits = longTemp.substr(0, longTemp.size() - 2) + u"\\";
    ASSERT_TRUE(webpConverterFiles(fits.c_str(), copy, output));
    webpConverterCommandLine(copy, output, commandLine);
    EXPECT_EQ(std::u16string(commandLine), u" " + std::u16string(copy) + u" " + std::u16string(output));
}

}  // namespace
