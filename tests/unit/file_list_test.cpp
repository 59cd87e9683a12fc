#include "filelist/file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FileListTest : public testing::Test {
protected:
    void SetUp() override
    {
        clear();
        currentEntry = nullptr;
    }
    void TearDown() override
    {
        clear();
        currentEntry = nullptr;
    }

    static void appendAll(const std::vector<std::u16string>& paths)
    {
        for (const std::u16string& path : paths)
            append(WideString(path.c_str()));
    }

    // The paths from head to tail, after checking every invariant of the
    // links and the count.
    static std::vector<std::u16string> checkedPaths()
    {
        std::vector<std::u16string> paths;
        const FileEntry* previous = nullptr;
        for (const FileEntry* entry = listHead; entry != nullptr; entry = entry->next) {
            EXPECT_EQ(entry->previous, previous);
            paths.emplace_back(entry->path.text(), size_t(entry->path.length()));
            previous = entry;
        }
        EXPECT_EQ(listTail, previous);
        EXPECT_EQ(entryCount, paths.size());
        return paths;
    }

    static FileEntry* entryAt(int index)
    {
        FileEntry* entry = listHead;
        while (index-- > 0)
            entry = entry->next;
        return entry;
    }
};

TEST_F(FileListTest, AppendLinksCopiesAtTheTail)
{
    WideString path(u"C:\\a.bmp");
    append(path);
    path.append(u"x");
    ASSERT_EQ(checkedPaths(), std::vector<std::u16string>{u"C:\\a.bmp"});
    EXPECT_EQ(listHead, listTail);

    appendAll({u"C:\\b.gif", u"C:\\c.jpg"});
    EXPECT_EQ(checkedPaths(), (std::vector<std::u16string>{u"C:\\a.bmp", u"C:\\b.gif", u"C:\\c.jpg"}));
}

TEST_F(FileListTest, ClearEmptiesTheListButLeavesTheCurrentEntry)
{
    appendAll({u"a", u"b", u"c"});
    FileEntry* shown = listTail;
    currentEntry = shown;
    clear();
    EXPECT_EQ(listHead, nullptr);
    EXPECT_EQ(listTail, nullptr);
    EXPECT_EQ(entryCount, 0u);
    EXPECT_EQ(currentEntry, shown);
    currentEntry = nullptr;

    clear();
    appendAll({u"d"});
    EXPECT_EQ(checkedPaths(), std::vector<std::u16string>{u"d"});
}

TEST_F(FileListTest, NeighboursWrapAroundAtBothEnds)
{
    appendAll({u"only"});
    EXPECT_EQ(nextEntry(listHead), listHead);
    EXPECT_EQ(previousEntry(listHead), listHead);

    appendAll({u"second", u"third"});
    EXPECT_EQ(nextEntry(listHead), entryAt(1));
    EXPECT_EQ(nextEntry(listTail), listHead);
    EXPECT_EQ(previousEntry(listHead), listTail);
    EXPECT_EQ(previousEntry(listTail), entryAt(1));

    // Stepping forwards entryCount times comes back to the start.
    const FileEntry* walk = entryAt(1);
    for (uint32_t i = 0; i < entryCount; ++i)
        walk = nextEntry(walk);
    EXPECT_EQ(walk, entryAt(1));
}

TEST_F(FileListTest, PositionsCountFromOneAtTheHead)
{
    appendAll({u"a", u"b", u"c", u"d"});
    EXPECT_EQ(positionOf(listHead), 1);
    EXPECT_EQ(positionOf(entryAt(2)), 3);
    EXPECT_EQ(positionOf(listTail), int32_t(entryCount));
}

TEST_F(FileListTest, RemovingTheHeadMakesItsSuccessorHeadAndCurrent)
{
    appendAll({u"a", u"b", u"c"});
    currentEntry = listHead;
    removeEntry();
    EXPECT_EQ(checkedPaths(), (std::vector<std::u16string>{u"b", u"c"}));
    EXPECT_EQ(currentEntry, listHead);
}

TEST_F(FileListTest, RemovingAMiddleEntryShowsTheOneThatFollowed)
{
    appendAll({u"a", u"b", u"c"});
    FileEntry* following = entryAt(2);
    currentEntry = entryAt(1);
    removeEntry();
    EXPECT_EQ(checkedPaths(), (std::vector<std::u16string>{u"a", u"c"}));
    EXPECT_EQ(currentEntry, following);
}

TEST_F(FileListTest, RemovingTheTailWrapsToTheHead)
{
    appendAll({u"a", u"b", u"c"});
    currentEntry = listTail;
    removeEntry();
    EXPECT_EQ(checkedPaths(), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(currentEntry, listHead);
}

TEST_F(FileListTest, RemovingTheOnlyEntryEmptiesTheList)
{
    appendAll({u"a"});
    currentEntry = listHead;
    removeEntry();
    EXPECT_EQ(listHead, nullptr);
    EXPECT_EQ(listTail, nullptr);
    EXPECT_EQ(currentEntry, nullptr);
    EXPECT_EQ(entryCount, 0u);

    // The emptied list takes entries again.
    appendAll({u"b"});
    EXPECT_EQ(checkedPaths(), std::vector<std::u16string>{u"b"});
}

}  // namespace
