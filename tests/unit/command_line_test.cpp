#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/viewer_options.h"

namespace {

struct Flags {
    bool subdirs, color, hidden, anaglyph;
    bool operator==(const Flags& o) const
    {
        return subdirs == o.subdirs && color == o.color && hidden == o.hidden && anaglyph == o.anaglyph;
    }
};

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        startPath[0] = 0;
        startPathRefused = includeSubdirs = colorManagement = buttonsHidden = anaglyphView = false;
    }

    void run(std::vector<std::u16string> words)
    {
        words.insert(words.begin(), u"Vellora.exe");
        std::vector<const char16_t*> arguments;
        for (const auto& word : words)
            arguments.push_back(word.c_str());
        applyCommandLine(int(arguments.size()), arguments.data());
    }

    static Flags flags() { return {includeSubdirs, colorManagement, buttonsHidden, anaglyphView}; }
};

TEST_F(CommandLineTest, NoArgumentLeavesEverythingEmpty)
{
    run({});
    EXPECT_EQ(std::u16string(startPath), u"");
    EXPECT_FALSE(startPathRefused);
    EXPECT_EQ(flags(), (Flags{false, false, false, false}));
}

TEST_F(CommandLineTest, OptionWordSetsTheFlagsOfItsLetters)
{
    run({u"D:\\pics\\a b.png", u"/ac3"});
    EXPECT_EQ(std::u16string(startPath), u"D:\\pics\\a b.png");
    EXPECT_EQ(flags(), (Flags{true, true, false, true}));

    SetUp();
    run({u"D:\\pics", u"/s3sa"});
    EXPECT_EQ(flags(), (Flags{true, false, true, true}));
}

TEST_F(CommandLineTest, UnknownLettersAreIgnoredAndCaseMatters)
{
    run({u"D:\\pics", u"/x3"});
    EXPECT_EQ(flags(), (Flags{false, false, false, true}));

    SetUp();
    run({u"D:\\pics", u"/A"});
    EXPECT_EQ(flags(), (Flags{false, false, false, false}));

    SetUp();
    run({u"D:\\pics", u"/"});
    EXPECT_EQ(flags(), (Flags{false, false, false, false}));
}

TEST_F(CommandLineTest, OptionsAreExaminedOnlyAsTheSingleSlashWordAfterThePath)
{
    run({u"D:\\pics", u"/a", u"/c"});
    EXPECT_EQ(flags(), (Flags{false, false, false, false}));
    EXPECT_EQ(std::u16string(startPath), u"D:\\pics");

    SetUp();
    run({u"D:\\pics", u"-a3"});
    EXPECT_EQ(flags(), (Flags{false, false, false, false}));

    SetUp();
    run({u"/a"});
    EXPECT_EQ(std::u16string(startPath), u"/a");
    EXPECT_EQ(flags(), (Flags{false, false, false, false}));
}

TEST_F(CommandLineTest, CommandLineNeverClearsAFlag)
{
    anaglyphView = true;
    run({u"D:\\pics", u"/a"});
    EXPECT_TRUE(anaglyphView);
    EXPECT_TRUE(includeSubdirs);
}

TEST_F(CommandLineTest, PathThatDoesNotFitIsRefusedNotCut)
{
    std::u16string longest(259, u'x');
    run({longest});
    EXPECT_EQ(std::u16string(startPath), longest);
    EXPECT_FALSE(startPathRefused);

    SetUp();
    run({longest + u"y", u"/3"});
    EXPECT_EQ(std::u16string(startPath), u"");
    EXPECT_TRUE(startPathRefused);
    EXPECT_TRUE(anaglyphView);
}

std::u16string editorFrom(const std::u16string& value, size_t units)
{
    PathBuffer command;
    command[0] = u'?';
    editorCommandFromValue(value.c_str(), units, command);
    return command;
}

std::u16string editorFrom(const std::u16string& value) { return editorFrom(value, value.size() + 1); }

TEST(EditorCommandTest, KeepsTheQuotedProgramPathAlone)
{
    EXPECT_EQ(editorFrom(u"\"C:\\Program Files\\Quadrel\\Quadrel.exe\" \"%1\""),
              u"C:\\Program Files\\Quadrel\\Quadrel.exe");
}

TEST(EditorCommandTest, OddValuesGiveSensibleTexts)
{
    // Without a closing quote the whole remainder is kept.
    EXPECT_EQ(editorFrom(u"\"C:\\q.exe"), u"C:\\q.exe");
    // The first character is dropped whatever it is.
    EXPECT_EQ(editorFrom(u"C:\\q.exe \"%1\""), u":\\q.exe ");
    EXPECT_EQ(editorFrom(u""), u"");
    EXPECT_EQ(editorFrom(u"\""), u"");
    EXPECT_EQ(editorFrom(u"\"\""), u"");
}

TEST(EditorCommandTest, ValueWithoutTerminatorIsCutByItsLength)
{
    std::u16string value = u"\"C:\\q.exe\"garbage";
    EXPECT_EQ(editorFrom(value, 4), u"C:\\");
    std::u16string full(u"\"");
    full += std::u16string(259, u'p');  // 260 units, no terminator: the path keeps 259
    EXPECT_EQ(editorFrom(full, full.size()), std::u16string(259, u'p'));
    // One unit more leaves no room for the terminator: no editor, not a cut path.
    EXPECT_EQ(editorFrom(u"\"" + std::u16string(260, u'p') + u"\""), u"");
}

}  // namespace
