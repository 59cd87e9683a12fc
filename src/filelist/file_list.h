// The file list: a doubly linked list of image paths in scan order, the one
// instance of which lives for the whole run, and the entry shown now.
//
// Only the UI thread changes the list. The worker thread reads currentEntry,
// its successor and their paths, so whoever calls clear or removeEntry
// waits first for a running preparation to finish.
#pragma once

#include <cstdint>

#include "filelist/wide_string.h"

struct FileEntry {
    WideString path;  // directory prefix followed by the name as stored on disk
    FileEntry* previous = nullptr;
    FileEntry* next = nullptr;
};

extern uint32_t entryCount;
extern FileEntry* listHead;
extern FileEntry* listTail;
extern FileEntry* currentEntry;  // null only while the list is empty

// Adds a copy of path at the tail. When memory runs out nothing is added.
void append(const WideString& path);

// Frees every entry; currentEntry is left for the caller to reset.
void clear();

// Neighbours with wrap-around: the head follows the tail and the tail
// precedes the head.
FileEntry* nextEntry(const FileEntry* entry);
FileEntry* previousEntry(const FileEntry* entry);

// 1 for the head, entryCount for the tail.
int32_t positionOf(const FileEntry* entry);

// Unlinks and frees currentEntry (which must not be null) and makes its
// successor current, wrapping to the head when it was the tail.
void removeEntry();

// Scans directory (a prefix ending in a backslash) with the platform's
// directory enumeration and appends its images; with includeSubdirs the
// whole subtree. Windows only.
void scanDirectory(const char16_t* directory);

// Scans listDirectory into the empty list and makes the entry equal to
// startPath current, or else the head. An empty result is reported through
// showEmptyDirectoryMessage. Windows only.
void buildFileList();

// Tells the user that the scan found nothing. Tests replace it so that no
// modal box waits for a click.
extern void (*showEmptyDirectoryMessage)();
