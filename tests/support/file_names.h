// The names of the files in a directory, for tests that check that a
// program leaves no temporary file behind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

inline std::vector<std::string> fileNamesIn(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}
