// Writes the seed corpus of a fuzz target: each named byte string becomes
// the file DIRECTORY/NAME.EXTENSION.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using Seeds = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// False, after saying which file, when one cannot be written.
inline bool writeSeeds(const char* directory, const char* extension, const Seeds& seeds)
{
    for (const auto& [name, bytes] : seeds) {
        const std::string path = std::string(directory) + "/" + name + extension;
        FILE* file = std::fopen(path.c_str(), "wb");
        bool written = file != nullptr;
        if (file) {
            written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
            written = std::fclose(file) == 0 && written;
        }
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}
