// qdlconv against headers that declare huge pictures, and how it replaces
// OUTPUT: the temporary file on a stop signal, kept permission bits, links.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decode/qdl_reader.h"
#include "dib_fixtures.h"
#include "picture/picture.h"
#include "picture_fixtures.h"
#include "tga_fixtures.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

// A BMP file: "BM", the file size, two reserved words and the offset of the
// pixel data, which follow the DIB's header and one table entry.
Bytes bmpWithOneTableEntry(const Bytes& header, const Bytes& data)
{
    Bytes file = {'B', 'M'};
    le32(file, uint32_t(14 + header.size() + 4 + data.size()));
    le32(file, 0);
    le32(file, uint32_t(14 + header.size() + 4));
    return join({file, header, {0, 0, 0, 0}, data});
}

class QdlconvSafetyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("VELLORA_TEST_TMP");
        directory = fs::path(tmp ? tmp : "/tmp") /
                    ("qdlconv_safety_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(directory);
        fs::create_directories(directory);
    }
    void TearDown() override
    {
        fs::remove_all(directory);
        fs::remove(printedPath());
    }

    fs::path printedPath() const { return directory.string() + ".printed"; }

    // Starts qdlconv with its output in printedPath() and the stop signals at
    // their default actions, whatever this process inherited.
    pid_t start(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), std::string(VELLORA_TOOLS_DIR) + "/qdlconv");
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, printedPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t stops, none;
        sigemptyset(&stops);
        sigemptyset(&none);
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&stops, signalNumber);
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ), 0);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // Runs qdlconv to its end; -1 when a signal ended it.
    int run(const std::vector<std::string>& arguments)
    {
        int status = 0;
        waitpid(start(arguments), &status, 0);
        const Bytes text = readBytes(printedPath());
        printed.assign(text.begin(), text.end());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string path(const std::string& name) const { return (directory / name).string(); }

    // Every file and link below the directory, sorted.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(directory))
            if (!entry.is_directory())
                names.push_back(fs::relative(entry.path(), directory).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path directory;
    std::string printed;
};

// Headers of a few bytes that declare pictures of gigabytes: refused before
// anything is decoded, with the sizes and the way to raise the limit.
TEST_F(QdlconvSafetyTest, PixelLimitRefusesHugeHeadersBeforeDecoding)
{
    const Bytes endOfBitmap = {0, 1};
    const Bytes twoRowsOfTwo = {2, 7, 0, 0, 2, 9, 0, 1};
    Bytes qdl = {'Q', 'D'};
    le32(qdl, 65536);  // width
    le32(qdl, 65536);  // height
    qdl.insert(qdl.end(), {2, 4, 1, 0, 0, 0, 0, 0, 254, 255, 255, 7});  // long escape runs, one palette entry
    struct Case {
        const char* name;
        Bytes file;
        std::vector<std::string> options;
        int exitCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"rle8.bmp", bmpWithOneTableEntry(infoHeader(46340, 46340, 8, biRle8, 1), endOfBitmap), {}, 1,
         "46340 x 46340 = 2147395600 pixels, more than the limit of 268435456 (--max-pixels"},
        {"rle4.bmp", bmpWithOneTableEntry(infoHeader(INT32_MAX, 1, 4, biRle4, 1), endOfBitmap), {}, 1,
         "2147483647 x 1 = 2147483647 pixels"},
        {"top-down.bmp", bmpWithOneTableEntry(infoHeader(20000, -20000, 8, biRle8, 1), endOfBitmap), {}, 1,
         "20000 x 20000"},
        {"long-escape.qdl", qdl, {}, 1, "65536 x 65536"},
        {"tall.tga", tgaFile(10, 16384, 16385, 32, {}), {}, 1, "16384 x 16385"},
        {"at-limit.tga", tgaFile(2, 16384, 16384, 24, {}), {}, 1, "cut short"},
        {"small.bmp", bmpWithOneTableEntry(infoHeader(2, 2, 8, biRle8, 1), twoRowsOfTwo), {"--max-pixels", "3"}, 1,
         "2 x 2 = 4 pixels, more than the limit of 3"},
        {"small.bmp", bmpWithOneTableEntry(infoHeader(2, 2, 8, biRle8, 1), twoRowsOfTwo), {"--max-pixels=4"}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(directory / "out.qdl");
        writeBytes(directory / c.name, c.file);
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.end(), {path(c.name), path("out.qdl")});
        EXPECT_EQ(run(arguments), c.exitCode) << printed;
        EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
        EXPECT_EQ(fs::exists(directory / "out.qdl"), c.exitCode == 0);
        fs::remove(directory / c.name);
    }
    Picture back;
    const Bytes out = readBytes(directory / "out.qdl");
    ASSERT_EQ(parseQdlImage(back, out.data(), out.size()), qdlDecoded);
    EXPECT_EQ(pixelsOf(back), (Bytes{9, 9, 7, 7}));
}

// A stop signal while OUTPUT is written ends qdlconv by that signal, with
// the temporary file removed and the old OUTPUT as it was.
TEST_F(QdlconvSafetyTest, StopSignalsRemoveTheTemporaryFile)
{
    // 2048 x 2048 x 32 bits in 32768 run packets: 160 KB in, 16 MB out.
    Bytes runs;
    for (int i = 0; i < 2048 * 2048 / 128; ++i)
        runs.insert(runs.end(), {255, 1, 2, 3, 4});
    writeBytes(directory / "in.tga", tgaFile(10, 2048, 2048, 32, runs));
    const Bytes old = {'o', 'l', 'd'};
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signalNumber));
        bool stopped = false;
        // A run that ends before the signal lands is tried again.
        for (int attempt = 0; attempt < 20 && !stopped; ++attempt) {
            writeBytes(directory / "out.qdl", old);
            const pid_t pid = start({path("in.tga"), path("out.qdl")});
            const std::string temporary = path("out.qdl." + std::to_string(pid) + ".tmp");
            int status = 0;
            while (waitpid(pid, &status, WNOHANG) == 0) {
                if (access(temporary.c_str(), F_OK) == 0) {
                    kill(pid, signalNumber);
                    waitpid(pid, &status, 0);
                    break;
                }
            }
            stopped = WIFSIGNALED(status);
            if (stopped)
                EXPECT_EQ(WTERMSIG(status), signalNumber);
        }
        ASSERT_TRUE(stopped);
        EXPECT_EQ(readBytes(directory / "out.qdl"), old);
        EXPECT_EQ(files(), (std::vector<std::string>{"in.tga", "out.qdl"}));
    }
}

// A replaced OUTPUT keeps its permission bits; a link OUTPUT stays a link
// and the file it points to, existing or not, gets the new content.
TEST_F(QdlconvSafetyTest, ReplacedOutputKeepsItsModeAndLinks)
{
    writeBytes(directory / "in.tga", tgaFile(2, 2, 1, 24, {1, 2, 3, 4, 5, 6}));
    fs::create_directories(directory / "sub");
    const std::string absolute = path("sub/absolute.qdl");
    struct Case {
        const char* what;
        std::string link;  // what out.qdl links to; empty: a plain file
        fs::perms mode;    // the existing file's; none: no file yet
    };
    const std::vector<Case> cases = {
        {"owner only", "", fs::perms(0600)},
        {"group readable", "", fs::perms(0640)},
        {"read-only", "", fs::perms(0444)},
        {"relative link", "sub/real.qdl", fs::perms(0600)},
        {"absolute link", absolute, fs::perms(0640)},
        {"link to a missing file", "sub/new.qdl", fs::perms::none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = c.link.empty() ? directory / "out.qdl" : fs::path(c.link).is_absolute()
                                                                              ? fs::path(c.link)
                                                                              : directory / c.link;
        if (c.mode != fs::perms::none) {
            writeBytes(target, {'o', 'l', 'd'});
            fs::permissions(target, c.mode);
        }
        if (!c.link.empty())
            fs::create_symlink(c.link, directory / "out.qdl");

        ASSERT_EQ(run({path("in.tga"), path("out.qdl")}), 0) << printed;
        EXPECT_EQ(fs::is_symlink(directory / "out.qdl"), !c.link.empty());
        if (!c.link.empty())
            EXPECT_EQ(fs::read_symlink(directory / "out.qdl").string(), c.link);
        if (c.mode != fs::perms::none)
            EXPECT_EQ(int(fs::status(target).permissions() & fs::perms::all), int(c.mode));
        Picture back;
        const Bytes out = readBytes(target);
        ASSERT_EQ(parseQdlImage(back, out.data(), out.size()), qdlDecoded);
        EXPECT_EQ(pixelsOf(back), (Bytes{3, 2, 1, 6, 5, 4}));
        for (const std::string& name : files())
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;

        fs::remove(directory / "out.qdl");
        fs::remove(target);
    }
}

}  // namespace
