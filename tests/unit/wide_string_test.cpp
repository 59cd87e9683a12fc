#include "filelist/wide_string.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::u16string contents(const WideString& text)
{
    return std::u16string(text.text(), size_t(text.length()));
}

TEST(WideString, EmptyStringsStillHaveAText)
{
    WideString empty;
    EXPECT_EQ(empty.length(), 0);
    ASSERT_NE(empty.text(), nullptr);
    EXPECT_EQ(empty.text()[0], 0);
    WideString fromEmptyText(u"");
    EXPECT_TRUE(fromEmptyText.empty());
}

TEST(WideString, CopiesAreDeepAndTerminated)
{
    WideString original(u"C:\\pics\\");
    WideString copy(original);
    WideString assigned;
    assigned = original;
    original.append(u"a.png");
    EXPECT_EQ(contents(copy), u"C:\\pics\\");
    EXPECT_EQ(contents(assigned), u"C:\\pics\\");
    EXPECT_EQ(copy.text()[copy.length()], 0);
    EXPECT_NE(copy.text(), original.text());

    WideString& same = assigned;
    assigned = same;
    EXPECT_EQ(contents(assigned), u"C:\\pics\\");
}

TEST(WideString, MovedFromStringsAreEmpty)
{
    WideString source(u"abc");
    WideString moved(std::move(source));
    EXPECT_EQ(contents(moved), u"abc");
    EXPECT_TRUE(source.empty());
    source = std::move(moved);
    EXPECT_EQ(contents(source), u"abc");
}

TEST(WideString, ConcatenatesAndAppends)
{
    WideString directory(u"D:\\pics\\");
    WideString joined = directory + WideString(u"b.png");
    EXPECT_EQ(contents(joined), u"D:\\pics\\b.png");
    EXPECT_EQ(joined.text()[joined.length()], 0);

    joined += WideString();
    EXPECT_EQ(joined.length(), 13);
    EXPECT_TRUE(joined.append(u"x", 1));
    EXPECT_EQ(contents(joined), u"D:\\pics\\b.pngx");

    // Appending a string to itself reads it before the old buffer goes.
    WideString twice(u"ab");
    EXPECT_TRUE(twice.append(twice));
    EXPECT_EQ(contents(twice), u"abab");
    EXPECT_TRUE(twice.assign(twice.text() + 1, 2));
    EXPECT_EQ(contents(twice), u"ba");
}

TEST(WideString, RefusesNegativeLengthsWithoutChange)
{
    WideString text(u"abc");
    EXPECT_FALSE(text.append(u"d", -1));
    EXPECT_FALSE(text.assign(u"d", -1));
    EXPECT_EQ(contents(text), u"abc");
}

TEST(WideString, EqualityIsExactUpToTheTerminator)
{
    WideString path(u"D:\\pics\\b.png");
    EXPECT_TRUE(path == u"D:\\pics\\b.png");
    EXPECT_FALSE(path == u"D:\\pics\\B.PNG");
    EXPECT_FALSE(path == u"D:\\pics\\b.pn");
    EXPECT_FALSE(path == u"D:\\pics\\b.png2");
    EXPECT_TRUE(WideString() == u"");

    // A unit of zero inside the string is not its end.
    WideString inner(u"a\0b", 3);
    EXPECT_FALSE(inner == u"a");
    EXPECT_TRUE(inner == WideString(u"a\0b", 3));
    EXPECT_FALSE(inner == WideString(u"a\0c", 3));
}

}  // namespace
