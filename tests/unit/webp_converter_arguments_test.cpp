// How the WebP converter reads its command line: the viewer's unquoted form
// with spaces inside the paths, and what people type by hand.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "decode/platform/webp_converter_arguments.h"

namespace {

TEST(ConverterArgumentText, SkipsTheProgramNameAsWindowsDelimitsIt)
{
    const struct {
        std::u16string line;
        std::u16string arguments;
    } rows[] = {
        {u" C:\\T\\a.webp C:\\T\\a.qdl", u" C:\\T\\a.webp C:\\T\\a.qdl"},  // the viewer: no program name
        {u"conv.exe a.webp b.qdl", u" a.webp b.qdl"},
        {u"\"C:\\Program Files\\conv.exe\" a.webp b.qdl", u" a.webp b.qdl"},
        {u"\"C:\\unclosed a.webp", u""},
        {u"", u""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(converterArgumentText(row.line), row.arguments);
}

TEST(SplitConverterArguments, FindsTheTwoPaths)
{
    const std::set<std::u16string> existing = {
        u"C:\\Users\\Jo Ann\\Temp\\Quadrel(webp2qdl).webp",
        u"C:\\Users\\Jo",  // a file that is a prefix of the real input
        u"D:\\pic x",      // an input without the .webp extension
    };
    const auto isFile = [&](const std::u16string& path) { return existing.count(path) != 0; };
    const struct {
        std::u16string arguments;
        bool split;
        std::u16string input;
        std::u16string output;
    } rows[] = {
        {u" a.webp b.qdl", true, u"a.webp", u"b.qdl"},
        {u"\ta.webp\t b.qdl  ", true, u"a.webp", u"b.qdl"},
        {u" C:\\Users\\Jo Ann\\Temp\\Quadrel(webp2qdl).webp C:\\Users\\Jo Ann\\Temp\\Quadrel(webp2qdl).qdl", true,
         u"C:\\Users\\Jo Ann\\Temp\\Quadrel(webp2qdl).webp", u"C:\\Users\\Jo Ann\\Temp\\Quadrel(webp2qdl).qdl"},
        {u" D:\\pic x D:\\out put.qdl", true, u"D:\\pic x", u"D:\\out put.qdl"},
        // Not there (yet): the split after ".webp", so the error names it.
        {u" E:\\my pics\\a.WEBP E:\\my pics\\a.qdl", true, u"E:\\my pics\\a.WEBP", u"E:\\my pics\\a.qdl"},
        {u" \"E:\\my pics\\a.webp\" \"E:\\out\\a b.qdl\"", true, u"E:\\my pics\\a.webp", u"E:\\out\\a b.qdl"},
        {u" \"a b.webp\" out.qdl", true, u"a b.webp", u"out.qdl"},
        {u"", false, u"", u""},
        {u" a.webp", false, u"", u""},
        // Unquoted, the output may hold spaces as well.
        {u" a.webp b.qdl c.qdl", true, u"a.webp", u"b.qdl c.qdl"},
        {u" a b c", false, u"", u""},
        {u" \"a.webp\" b.qdl c", false, u"", u""},
        {u" \"\" b.qdl", false, u"", u""},
    };
    for (const auto& row : rows) {
        WebpConverterArguments result;
        const std::string shown(row.arguments.begin(), row.arguments.end());
        ASSERT_EQ(splitConverterArguments(row.arguments, isFile, result), row.split) << shown;
        if (row.split) {
            EXPECT_EQ(result.input, row.input) << shown;
            EXPECT_EQ(result.output, row.output) << shown;
        }
    }
}

}  // namespace
