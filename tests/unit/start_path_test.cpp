#include "filelist/start_path.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "state/viewer_options.h"

namespace {

std::map<std::u16string, PathKind> disk;
int queries;

PathKind queryDisk(const char16_t* path)
{
    ++queries;
    auto found = disk.find(path);
    return found == disk.end() ? PathKind::missing : found->second;
}

class StartPathTest : public testing::Test {
protected:
    void SetUp() override
    {
        disk = {{u"D:\\pics", PathKind::directory},
                {u"D:\\pics\\b.png", PathKind::file},
                {u"bare.png", PathKind::file}};
        queries = 0;
        startPath[0] = 0;
        listDirectory[0] = 0;
        startPathRefused = false;
    }

    static std::u16string resolved(const std::u16string& start)
    {
        EXPECT_TRUE(copyPath(startPath, start.c_str()));
        resolveStartPathWith(queryDisk);
        return listDirectory;
    }
};

TEST_F(StartPathTest, DirectoryGetsItsBackslash)
{
    EXPECT_EQ(resolved(u"D:\\pics"), u"D:\\pics\\");
}

TEST_F(StartPathTest, PrefixesStayAsTheyAre)
{
    EXPECT_EQ(resolved(u"D:\\pics\\"), u"D:\\pics\\");
    EXPECT_EQ(resolved(u"D:\\"), u"D:\\");
    EXPECT_EQ(queries, 0);
}

TEST_F(StartPathTest, FileGivesItsDirectory)
{
    EXPECT_EQ(resolved(u"D:\\pics\\b.png"), u"D:\\pics\\");
    EXPECT_EQ(std::u16string(startPath), u"D:\\pics\\b.png");
    // With no backslash there is nothing to cut.
    EXPECT_EQ(resolved(u"bare.png"), u"bare.png");
}

TEST_F(StartPathTest, MissingPathIsTakenAsItIs)
{
    EXPECT_EQ(resolved(u"D:\\missing\\x.png"), u"D:\\missing\\x.png");
}

TEST_F(StartPathTest, WildcardsNameNothing)
{
    disk[u"D:\\pics\\*.png"] = PathKind::file;
    EXPECT_EQ(resolved(u"D:\\pics\\*.png"), u"D:\\pics\\*.png");
    EXPECT_EQ(resolved(u"D:\\pi?s"), u"D:\\pi?s");
    EXPECT_EQ(queries, 0);
}

TEST_F(StartPathTest, EmptyStartPathKeepsTheDirectory)
{
    copyPath(listDirectory, u"D:\\before\\");
    startPath[0] = 0;
    resolveStartPathWith(queryDisk);
    EXPECT_EQ(std::u16string(listDirectory), u"D:\\before\\");
}

TEST_F(StartPathTest, FullLengthDirectoryIsNotOverrun)
{
    // 259 units leave no room for the backslash.
    std::u16string longest = u"D:\\" + std::u16string(pathCapacity - 4, u'x');
    ASSERT_EQ(longest.size(), size_t(pathCapacity - 1));
    disk[longest] = PathKind::directory;
    EXPECT_EQ(resolved(longest), u"");
    EXPECT_TRUE(startPathRefused);
}

}  // namespace
