// The walk that turns a directory into list entries, written over a small
// directory source so that its order rules hold, and are tested, without the
// platform:
// - in each directory the patterns of imagePatterns are searched in table
//   order; a name is taken when the platform's search returns it and it
//   matches the pattern by matchesPattern (platforms also match short names
//   or treat '?' each their own way, so the search asks for a superset);
// - the names found by one pattern, and the subdirectories of a directory,
//   are taken in name order (compareNames), whatever order the file system
//   returns them in;
// - with includeSubdirs, a pre-order depth-first walk: a directory's own
//   files, then each subdirectory with its whole subtree;
// - a file or subdirectory whose path would not fit a PathBuffer is skipped;
// - links to directories are followed, but a directory that is already on
//   the path from the start directory down to here is not entered again, so
//   a link cycle ends.
#pragma once

#include <cstdint>

struct DirectoryIdentity {
    uint64_t volume;
    uint64_t file;
};

// Receives one entry of a search.
using EntryVisitor = void (*)(void* context, const char16_t* name, bool isDirectory);

struct DirectorySource {
    // Runs one search for searchString (a directory prefix followed by a
    // pattern or by "*") and hands every entry found to visit. A directory
    // that cannot be read gives nothing.
    void (*search)(const char16_t* searchString, EntryVisitor visit, void* context);
    // Identifies the directory that prefix names, through any links. False
    // when it cannot be told; such a directory is entered unchecked, and the
    // path capacity still bounds the depth.
    bool (*identify)(const char16_t* directory, DirectoryIdentity* identity);
};

// scanDirectory over the given source. An empty directory adds nothing.
void scanDirectoryFrom(const DirectorySource& source, const char16_t* directory);

// buildFileList over the given source, without the message: returns false
// when the list came out empty (currentEntry is then null).
bool buildFileListFrom(const DirectorySource& source);
