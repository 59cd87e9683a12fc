#include "decode/platform/webp_converter_command.h"
#include "state/process_temporary_path.h"

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

TEST(WebpConverterCommandTest, EditorsConverterFirstThenTheOneBesideTheViewer)
{
    const std::u16string viewer = u"D:\\Apps\\Vellora.exe";
    const std::u16string editor = u"C:\\Quadrel\\Quadrel.exe";
    const std::u16string besideViewer = u"D:\\Apps\\" + relative, besideEditor = u"C:\\Quadrel\\" + relative;
    const struct {
        std::u16string editor;
        std::u16string program;
        bool editorHasOne, viewerHasOne;
        std::u16string converter;  // empty: none
    } cases[] = {
        {editor, viewer, true, true, besideEditor},
        {editor, viewer, false, true, besideViewer},
        {u"", viewer, false, true, besideViewer},
        {u"Quadrel.exe", viewer, true, true, besideViewer},  // no folder: never the current directory
        {editor, viewer, false, false, u""},
        {editor, u"", false, true, u""},  // the program's own path was not known
    };
    for (const auto& c : cases) {
        const auto isFile = [&](const char16_t* path) {
            return (c.editorHasOne && besideEditor == path) || (c.viewerHasOne && besideViewer == path);
        };
        PathBuffer converter = u"stale";
        EXPECT_EQ(findWebpConverter(c.editor.c_str(), c.program.c_str(), isFile, converter), !c.converter.empty());
        EXPECT_EQ(std::u16string(converter), c.converter);
    }
}

// Each process has its own two files, so that viewers running at the same
// time never convert, show or delete each other's picture.
TEST(WebpConverterCommandTest, TemporaryFilesOfEachProcessAndUnquotedCommandLine)
{
    const std::u16string longestCopy = u"Quadrel(webp2qdl)-4294967295.webp";
    const std::u16string userTemp = u"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\";
    const struct {
        std::u16string temp;
        uint32_t process;
        bool fits;
        std::u16string copy, output;
    } cases[] = {
        {userTemp, 1234, true, u"Quadrel(webp2qdl)-1234.webp", u"Quadrel(webp2qdl)-1234.qdl"},
        {userTemp, 0, true, u"Quadrel(webp2qdl)-0.webp", u"Quadrel(webp2qdl)-0.qdl"},
        {folderOf(259 - 4 - longestCopy.size()), 4294967295u, true, longestCopy, u"Quadrel(webp2qdl)-4294967295.qdl"},
        {folderOf(260 - 4 - longestCopy.size()), 4294967295u, false, u"", u""},
        {folderOf(260 - 4 - longestCopy.size()), 7, true, u"Quadrel(webp2qdl)-7.webp", u"Quadrel(webp2qdl)-7.qdl"},
    };
    for (const auto& c : cases) {
        PathBuffer copy, output;
        ConverterCommandLine commandLine;
        ASSERT_EQ(webpConverterFiles(c.temp.c_str(), c.process, copy, output), c.fits) << c.temp.size();
        if (!c.fits) {
            EXPECT_EQ(copy[0] | output[0], 0);
            continue;
        }
        EXPECT_EQ(std::u16string(copy), c.temp + c.copy);
        EXPECT_EQ(std::u16string(output), c.temp + c.output);
        webpConverterCommandLine(copy, output, commandLine);
        EXPECT_EQ(std::u16string(commandLine), u" " + c.temp + c.copy + u" " + c.temp + c.output);
    }
}

// A name that fits with its terminator, 259 units, is written whole; one
// unit more leaves the buffer empty, also when only the last part (the
// process number or the extension) does not fit.
TEST(ProcessTemporaryPath, FitsWholeOrLeavesThePathEmpty)
{
    // "C:\" + letters + "\" + "pf-" + the number + the extension.
    const struct {
        size_t folderLetters;
        uint32_t process;
        const char16_t* extension;
        std::u16string name;  // empty when it does not fit
    } cases[] = {
        {238, 4294967295u, u".tmp", u"pf-4294967295.tmp"},
        {239, 4294967295u, u".tmp", u""},  // the number does not fit
        {239, 999999999u, u".tmp", u"pf-999999999.tmp"},
        {242, 4294967295u, u".", u""},     // only the extension does not fit
    };
    for (const auto& c : cases) {
        PathBuffer path = u"stale";
        const std::u16string folder = folderOf(c.folderLetters);
        EXPECT_EQ(processTemporaryPath(folder.c_str(), u"pf", c.process, c.extension, path), !c.name.empty())
            << c.folderLetters;
        EXPECT_EQ(std::u16string(path), c.name.empty() ? u"" : folder + c.name) << c.folderLetters;
    }
}

}  // namespace
