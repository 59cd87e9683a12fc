// The order of the scan over an in-memory tree that answers every search
// with all entries of the directory, in the order given, the way a file
// system with no useful order (and a platform whose pattern match lets too
// much through) would.
#include "filelist/directory_scan.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "filelist/name_order.h"
#include "filelist/start_path.h"
#include "state/path_buffer.h"
#include "state/viewer_options.h"

namespace {

struct TreeItem {
    std::u16string name;
    int directory;  // the directory it names (a link when named twice), -1 for a file
};

std::map<int, std::vector<TreeItem>> tree;  // directory id -> items in enumeration order
std::set<int> unidentifiable;
std::vector<std::u16string> searches;
const std::u16string rootPrefix = u"R:\\";

// The directory that a prefix ending in a backslash names, or -1.
int directoryAt(const std::u16string& prefix)
{
    if (prefix.compare(0, rootPrefix.size(), rootPrefix) != 0)
        return -1;
    int directory = 0;
    size_t start = rootPrefix.size();
    while (start < prefix.size()) {
        size_t end = prefix.find(u'\\', start);
        if (end == std::u16string::npos)
            return -1;
        std::u16string name = prefix.substr(start, end - start);
        int found = -1;
        for (const TreeItem& item : tree[directory]) {
            if (item.name == name)
                found = item.directory;
        }
        if (found < 0)
            return -1;
        directory = found;
        start = end + 1;
    }
    return directory;
}

void searchTree(const char16_t* searchString, EntryVisitor visit, void* context)
{
    std::u16string search(searchString);
    searches.push_back(search);
    int directory = directoryAt(search.substr(0, search.rfind(u'\\') + 1));
    if (directory < 0)
        return;
    for (const TreeItem& item : tree[directory])
        visit(context, item.name.c_str(), item.directory >= 0);
}

bool identifyTree(const char16_t* prefix, DirectoryIdentity* identity)
{
    int directory = directoryAt(prefix);
    if (directory < 0 || unidentifiable.count(directory) != 0)
        return false;
    *identity = DirectoryIdentity{7, uint64_t(directory)};
    return true;
}

const DirectorySource treeSource{searchTree, identifyTree};

class DirectoryScanTest : public testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset()
    {
        clear();
        currentEntry = nullptr;
        tree.clear();
        unidentifiable.clear();
        searches.clear();
        includeSubdirs = false;
        startPath[0] = 0;
        listDirectory[0] = 0;
    }

    static void files(int directory, std::vector<std::u16string> names)
    {
        for (std::u16string& name : names)
            tree[directory].push_back(TreeItem{name, -1});
    }
    static void subdirectory(int parent, const std::u16string& name, int directory)
    {
        tree[parent].push_back(TreeItem{name, directory});
        tree[directory];
    }

    static std::vector<std::u16string> listed()
    {
        std::vector<std::u16string> paths;
        for (const FileEntry* entry = listHead; entry != nullptr; entry = entry->next)
            paths.emplace_back(entry->path.text());
        return paths;
    }
};

using Paths = std::vector<std::u16string>;

TEST_F(DirectoryScanTest, PatternOrderComesBeforeNames)
{
    files(0, {u"b.png", u"a.jpg", u"c.bmp", u"notes.txt"});
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\c.bmp", u"R:\\a.jpg", u"R:\\b.png"}));
    EXPECT_EQ(entryCount, 3u);
}

TEST_F(DirectoryScanTest, SearchesEachPatternBehindThePrefix)
{
    scanDirectoryFrom(treeSource, u"R:\\");
    ASSERT_EQ(searches.size(), 25u);
    EXPECT_EQ(searches[0], u"R:\\*.bmp");
    // A final '?' is widened to '*'; matchesPattern narrows the result.
    EXPECT_EQ(searches[3], u"R:\\*.jpe*");
    EXPECT_EQ(searches[7], u"R:\\*.tif*");
    EXPECT_EQ(searches[11], u"R:\\*.jxr");
    EXPECT_EQ(searches[24], u"R:\\*.srw");
}

TEST_F(DirectoryScanTest, TakesOnlyWhatThePatternsMatch)
{
    // s.jpg is a directory: a matching name is listed whatever it is.
    files(0, {u"x.tiff", u"x.jpeg.txt", u"x.jpeg", u"X.JPG", u"x.tif.bak", u"x.jpe", u"x.tif", u"h.png"});
    subdirectory(0, u"s.jpg", 1);
    files(1, {u"inner.bmp"});
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\s.jpg", u"R:\\X.JPG", u"R:\\x.jpe", u"R:\\x.jpeg", u"R:\\h.png",
                               u"R:\\x.tif", u"R:\\x.tiff"}));
}

TEST_F(DirectoryScanTest, SortsNamesByUpperCaseCodeUnits)
{
    // '_' (0x5F) sorts after every capital, so after lower case letters too;
    // accented letters sort by their capitals' code units.
    files(0, {u"b.jpg", u"_x.jpg", u"\u00e9t\u00e9.jpg", u"a2.jpg", u"Zed.jpg", u"A.jpg", u"a b.jpg", u"a.jpg"});
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\a b.jpg", u"R:\\A.jpg", u"R:\\a.jpg", u"R:\\a2.jpg", u"R:\\b.jpg",
                               u"R:\\Zed.jpg", u"R:\\_x.jpg", u"R:\\\u00e9t\u00e9.jpg"}));
}

TEST_F(DirectoryScanTest, SortsEachPatternOnItsOwn)
{
    // A run sorted after a non-empty list keeps what came before in place.
    files(0, {u"b.gif", u"a.gif", u"z.bmp"});
    append(WideString(u"R:\\earlier.png"));
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\earlier.png", u"R:\\z.bmp", u"R:\\a.gif", u"R:\\b.gif"}));
    EXPECT_EQ(listTail->path == u"R:\\b.gif", true);
    EXPECT_EQ(listTail->previous->previous->previous, listHead);
}

TEST_F(DirectoryScanTest, WithoutSubdirectoriesNothingBelowIsListed)
{
    files(0, {u"top.png"});
    subdirectory(0, u"sub", 1);
    files(1, {u"below.png"});
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), Paths{u"R:\\top.png"});
    EXPECT_EQ(searches.size(), 25u);
}

TEST_F(DirectoryScanTest, WalksSubdirectoriesDepthFirstInNameOrder)
{
    // root{z.bmp, sub2{c.bmp}, sub1{a.bmp, deep{b.gif}}}, sub2 enumerated first.
    includeSubdirs = true;
    files(0, {u"z.bmp"});
    subdirectory(0, u"sub2", 2);
    subdirectory(0, u"sub1", 1);
    files(1, {u"a.bmp"});
    subdirectory(1, u"deep", 3);
    files(3, {u"b.gif"});
    files(2, {u"c.bmp"});
    subdirectory(0, u".", 0);
    subdirectory(0, u"..", 0);
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\z.bmp", u"R:\\sub1\\a.bmp", u"R:\\sub1\\deep\\b.gif", u"R:\\sub2\\c.bmp"}));
    // A search per pattern and one for subdirectories in each directory.
    EXPECT_EQ(searches.size(), 4u * 26u);
}

TEST_F(DirectoryScanTest, MatchingDirectoryIsListedAndWalked)
{
    includeSubdirs = true;
    subdirectory(0, u"s.jpg", 1);
    files(1, {u"inner.bmp"});
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\s.jpg", u"R:\\s.jpg\\inner.bmp"}));
}

TEST_F(DirectoryScanTest, SkipsWhatDoesNotFitAPathBuffer)
{
    includeSubdirs = true;
    // A directory prefix of 250 units: R:\ + 246 units + backslash.
    std::u16string longName(246, u'd');
    subdirectory(0, longName, 1);
    std::u16string prefix = u"R:\\" + longName + u"\\";
    ASSERT_EQ(prefix.size(), 250u);
    files(1, {u"abcd.bmp", u"abcdefghi.bmp", u"abcde.bmp"});  // 258, 263 and 259 units
    subdirectory(1, u"lo", 2);         // 253 units with its backslash: walked
    subdirectory(1, u"longer", 3);     // 257: walked, but no pattern fits behind it
    subdirectory(1, u"ninechars", 4);  // 259 fits, but not with a backslash: passed over
    files(2, {u"a.gif"});
    files(3, {u"a.gif"});
    files(4, {u"a.gif"});
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{prefix + u"abcd.bmp", prefix + u"abcde.bmp", prefix + u"lo\\a.gif"}));
    bool walkedLonger = false;
    for (const std::u16string& search : searches) {
        EXPECT_LT(search.size(), size_t(pathCapacity));
        EXPECT_NE(search.compare(0, prefix.size() + 9, prefix + u"ninechars"), 0);
        walkedLonger = walkedLonger || search == prefix + u"longer\\*";
    }
    EXPECT_TRUE(walkedLonger);
}

TEST_F(DirectoryScanTest, LinkCyclesEnd)
{
    // root{a.bmp, one{b.bmp, back -> root}, two -> one}: the link to a
    // directory off the current walk is followed, the one back up is not.
    includeSubdirs = true;
    files(0, {u"a.bmp"});
    subdirectory(0, u"one", 1);
    subdirectory(0, u"two", 1);
    files(1, {u"b.bmp"});
    subdirectory(1, u"back", 0);
    scanDirectoryFrom(treeSource, u"R:\\");
    EXPECT_EQ(listed(), (Paths{u"R:\\a.bmp", u"R:\\one\\b.bmp", u"R:\\two\\b.bmp"}));
}

TEST_F(DirectoryScanTest, UnidentifiedCyclesEndAtThePathCapacity)
{
    includeSubdirs = true;
    files(0, {u"a.bmp"});
    subdirectory(0, u"loop", 0);
    unidentifiable.insert(0);
    scanDirectoryFrom(treeSource, u"R:\\");
    // R:\ then R:\loop\ and so on while a prefix with a file name fits.
    size_t expected = 0;
    for (size_t length = 3; length + 5 < size_t(pathCapacity); length += 5)
        ++expected;
    EXPECT_EQ(entryCount, expected);
}

TEST_F(DirectoryScanTest, EmptyPrefixSearchesNothing)
{
    files(0, {u"a.bmp"});
    scanDirectoryFrom(treeSource, u"");
    EXPECT_TRUE(searches.empty());
    EXPECT_EQ(listHead, nullptr);
}

TEST_F(DirectoryScanTest, BuildMakesTheEqualEntryCurrent)
{
    files(0, {u"b.png", u"a.bmp"});
    copyPath(listDirectory, u"R:\\");
    copyPath(startPath, u"R:\\b.png");
    EXPECT_TRUE(buildFileListFrom(treeSource));
    EXPECT_EQ(listed(), (Paths{u"R:\\a.bmp", u"R:\\b.png"}));
    EXPECT_EQ(currentEntry, listTail);
}

TEST_F(DirectoryScanTest, BuildFallsBackToTheHead)
{
    files(0, {u"b.png", u"a.bmp"});
    copyPath(listDirectory, u"R:\\");
    // The comparison is exact: another letter case names no entry.
    copyPath(startPath, u"R:\\B.PNG");
    EXPECT_TRUE(buildFileListFrom(treeSource));
    EXPECT_EQ(currentEntry, listHead);

    clear();
    copyPath(startPath, u"R:\\");
    EXPECT_TRUE(buildFileListFrom(treeSource));
    EXPECT_EQ(currentEntry, listHead);
}

TEST_F(DirectoryScanTest, BuildOfNothingLeavesNoCurrentEntry)
{
    files(0, {u"readme.txt"});
    subdirectory(0, u"sub", 1);
    files(1, {u"a.png"});
    copyPath(listDirectory, u"R:\\");
    copyPath(startPath, u"R:\\");
    currentEntry = reinterpret_cast<FileEntry*>(&tree);
    EXPECT_FALSE(buildFileListFrom(treeSource));
    EXPECT_EQ(currentEntry, nullptr);
    EXPECT_EQ(entryCount, 0u);
}

TEST(NameOrder, MapsLettersToUpperCase)
{
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'},       {u'Z', u'Z'},       {u'_', u'_'},       {u'1', u'1'},
        {0x00E9, 0x00C9},   {0x00F7, 0x00F7},   {0x00DF, 0x00DF},   {0x00FF, 0x0178},
        {0x0101, 0x0100},   {0x0100, 0x0100},   {0x013A, 0x0139},   {0x0131, 0x0131},
        {0x017E, 0x017D},   {0x017F, 0x017F},   {0x03C2, 0x03A3},   {0x03C9, 0x03A9},
        {0x03AC, 0x0386},   {0x044F, 0x042F},   {0x0451, 0x0401},   {0x04C2, 0x04C1},
        {0x0561, 0x0531},   {0x1EA1, 0x1EA0},   {0xFF41, 0xFF21},   {0x4E00, 0x4E00},
    };
    for (const auto& test : cases)
        EXPECT_EQ(int(upperCaseUnit(test.first)), int(test.second)) << std::hex << int(test.first);
}

TEST(NameOrder, ComparesFoldedThenExact)
{
    EXPECT_LT(compareNames(u"a.jpg", u"B.jpg"), 0);
    EXPECT_GT(compareNames(u"_a", u"z"), 0);
    EXPECT_LT(compareNames(u"x.jpe", u"x.jpeg"), 0);
    EXPECT_GT(compareNames(u"x.jpeg", u"x.jpe"), 0);
    EXPECT_LT(compareNames(u"A", u"a"), 0);
    EXPECT_EQ(compareNames(u"same", u"same"), 0);
    EXPECT_EQ(compareNames(u"", u""), 0);
}

}  // namespace
