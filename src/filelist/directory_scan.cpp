#include "filelist/directory_scan.h"

#include <new>

#include "filelist/file_list.h"
#include "filelist/image_patterns.h"
#include "filelist/name_order.h"
#include "filelist/start_path.h"
#include "state/path_buffer.h"
#include "state/viewer_options.h"

namespace {

// One directory on the path from the start directory down to the one being
// scanned; the frames live on the stack of the recursive walk.
struct WalkFrame {
    DirectoryIdentity identity;
    bool identified;
    const WalkFrame* parent;
};

bool isOnWalk(const WalkFrame* frame, const DirectoryIdentity& identity)
{
    for (; frame != nullptr; frame = frame->parent) {
        if (frame->identified && frame->identity.volume == identity.volume && frame->identity.file == identity.file)
            return true;
    }
    return false;
}

FileEntry* mergeByName(FileEntry* left, FileEntry* right)
{
    FileEntry* head = nullptr;
    FileEntry** tail = &head;
    while (left != nullptr && right != nullptr) {
        FileEntry** smaller = compareNames(left->path.text(), right->path.text()) <= 0 ? &left : &right;
        *tail = *smaller;
        tail = &(*smaller)->next;
        *smaller = (*smaller)->next;
    }
    *tail = left != nullptr ? left : right;
    return head;
}

// Sorts a chain linked through next by name and returns its new first
// entry; previous links are left for the caller to redo. All paths of a
// chain share one directory prefix, so comparing whole paths orders the
// names.
FileEntry* sortByName(FileEntry* first)
{
    if (first == nullptr || first->next == nullptr)
        return first;
    FileEntry* middle = first;
    for (FileEntry* fast = first->next; fast != nullptr && fast->next != nullptr; fast = fast->next->next)
        middle = middle->next;
    FileEntry* second = middle->next;
    middle->next = nullptr;
    return mergeByName(sortByName(first), sortByName(second));
}

// Sorts the entries that follow mark (from the head when mark is null).
void sortListAfter(FileEntry* mark)
{
    FileEntry* first = sortByName(mark != nullptr ? mark->next : listHead);
    if (mark != nullptr)
        mark->next = first;
    else
        listHead = first;
    FileEntry* previous = mark;
    for (FileEntry* entry = first; entry != nullptr; entry = entry->next) {
        entry->previous = previous;
        previous = entry;
    }
    listTail = previous;
}

struct PatternSearch {
    const char16_t* directory;
    const char16_t* pattern;
};

void appendMatch(void* context, const char16_t* name, bool)
{
    const PatternSearch& search = *static_cast<const PatternSearch*>(context);
    if (!matchesPattern(name, search.pattern))
        return;
    PathBuffer path;
    if (copyPath(path, search.directory) && appendPath(path, name))
        append(WideString(path));
}

// The search for one pattern asks for a superset of its names. A final '?'
// becomes '*': Windows lets a final '?' match nothing ("*.jpe?" finds x.jpe)
// but Wine does not, and matchesPattern keeps exactly the right names.
bool composeSearch(PathBuffer& searchString, const char16_t* directory, const char16_t* pattern)
{
    if (!copyPath(searchString, directory) || !appendPath(searchString, pattern))
        return false;
    size_t end = textLength(searchString) - 1;
    if (searchString[end] == u'?')
        searchString[end] = u'*';
    return true;
}

void scanPatterns(const DirectorySource& source, const char16_t* directory)
{
    for (const char16_t* pattern : imagePatterns) {
        PathBuffer searchString;
        if (!composeSearch(searchString, directory, pattern))
            continue;
        FileEntry* mark = listTail;
        PatternSearch search{directory, pattern};
        source.search(searchString, appendMatch, &search);
        sortListAfter(mark);
    }
}

// The subdirectories of one directory, as paths without the final
// backslash, in a chain of their own until they are walked.
struct SubdirectoryChain {
    const char16_t* directory;
    FileEntry* first;
};

bool isDotName(const char16_t* name)
{
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

void collectSubdirectory(void* context, const char16_t* name, bool isDirectory)
{
    SubdirectoryChain& chain = *static_cast<SubdirectoryChain*>(context);
    if (!isDirectory || isDotName(name))
        return;
    PathBuffer path;
    // Room is kept for the backslash that makes the path a prefix.
    if (!copyPath(path, chain.directory) || !appendPath(path, name) || textLength(path) + 1 >= size_t(pathCapacity))
        return;
    FileEntry* entry = new (std::nothrow) FileEntry;
    if (entry == nullptr)
        return;
    if (!entry->path.assign(path, int32_t(textLength(path)))) {
        delete entry;
        return;
    }
    entry->next = chain.first;
    chain.first = entry;
}

void walkDirectory(const DirectorySource& source, const char16_t* directory, const WalkFrame* parent);

void walkSubdirectories(const DirectorySource& source, const char16_t* directory, const WalkFrame* frame)
{
    PathBuffer searchString;
    if (!copyPath(searchString, directory) || !appendPath(searchString, u"*"))
        return;
    SubdirectoryChain chain{directory, nullptr};
    source.search(searchString, collectSubdirectory, &chain);
    FileEntry* subdirectory = sortByName(chain.first);
    while (subdirectory != nullptr) {
        PathBuffer prefix;
        if (copyPath(prefix, subdirectory->path.text()) && appendPath(prefix, u"\\"))
            walkDirectory(source, prefix, frame);
        FileEntry* walked = subdirectory;
        subdirectory = subdirectory->next;
        delete walked;
    }
}

void walkDirectory(const DirectorySource& source, const char16_t* directory, const WalkFrame* parent)
{
    if (!includeSubdirs) {
        scanPatterns(source, directory);
        return;
    }
    WalkFrame frame{};
    frame.parent = parent;
    frame.identified = source.identify(directory, &frame.identity);
    if (frame.identified && isOnWalk(parent, frame.identity))
        return;
    scanPatterns(source, directory);
    walkSubdirectories(source, directory, &frame);
}

}  // namespace

void scanDirectoryFrom(const DirectorySource& source, const char16_t* directory)
{
    // An empty prefix names no directory; searching behind it would list
    // the working directory instead.
    if (directory[0] != 0)
        walkDirectory(source, directory, nullptr);
}

bool buildFileListFrom(const DirectorySource& source)
{
    scanDirectoryFrom(source, listDirectory);
    currentEntry = listHead;
    for (FileEntry* entry = listHead; entry != nullptr; entry = entry->next) {
        if (entry->path == startPath) {
            currentEntry = entry;
            break;
        }
    }
    return listHead != nullptr;
}
