#include "filelist/file_list.h"

#include <new>

uint32_t entryCount;
FileEntry* listHead;
FileEntry* listTail;
FileEntry* currentEntry;

namespace {

// The list is released with the rest of the static state at process exit.
struct ListRelease {
    ~ListRelease() { clear(); }
} listRelease;

}  // namespace

void append(const WideString& path)
{
    FileEntry* entry = new (std::nothrow) FileEntry;
    if (entry == nullptr)
        return;
    entry->path = path;
    if (entry->path.length() != path.length()) {
        delete entry;
        return;
    }
    entry->previous = listTail;
    if (listTail != nullptr)
        listTail->next = entry;
    else
        listHead = entry;
    listTail = entry;
    ++entryCount;
}

void clear()
{
    while (listHead != nullptr) {
        FileEntry* entry = listHead;
        listHead = entry->next;
        delete entry;
    }
    listTail = nullptr;
    entryCount = 0;
}

FileEntry* nextEntry(const FileEntry* entry)
{
    return entry->next != nullptr ? entry->next : listHead;
}

FileEntry* previousEntry(const FileEntry* entry)
{
    return entry->previous != nullptr ? entry->previous : listTail;
}

int32_t positionOf(const FileEntry* entry)
{
    int32_t position = 1;
    for (const FileEntry* walk = listHead; walk != nullptr && walk != entry; walk = walk->next)
        ++position;
    return position;
}

void removeEntry()
{
    FileEntry* entry = currentEntry;
    if (entry->previous != nullptr)
        entry->previous->next = entry->next;
    else
        listHead = entry->next;
    if (entry->next != nullptr)
        entry->next->previous = entry->previous;
    else
        listTail = entry->previous;
    currentEntry = entry->next != nullptr ? entry->next : listHead;
    delete entry;
    --entryCount;
}
