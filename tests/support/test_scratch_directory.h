// A directory of the running test case's own for the files it writes, named
// after its suite and case, under VELLORA_TEST_TMP (else /tmp). ctest runs
// every case in a process of its own, two or more at a time, so cases that
// share a directory delete and overwrite each other's files. Emptied when
// made, so that nothing a failed earlier run left behind is read.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

inline std::filesystem::path testScratchDirectory()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised names
    const char* root = std::getenv("VELLORA_TEST_TMP");
    const std::filesystem::path directory = std::filesystem::path(root ? root : "/tmp") / name;
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    return directory;
}
