#include "filelist/start_path.h"

#include "state/viewer_options.h"

PathBuffer listDirectory;

namespace {

bool holdsWildcard(const char16_t* path)
{
    for (; *path != 0; ++path) {
        if (*path == u'*' || *path == u'?')
            return true;
    }
    return false;
}

void cutAfterLastBackslash(PathBuffer& path)
{
    size_t end = 0;
    for (size_t i = 0; path[i] != 0; ++i) {
        if (path[i] == u'\\')
            end = i + 1;
    }
    if (end > 0)
        path[end] = 0;
}

}  // namespace

void resolveStartPathWith(PathKind (*query)(const char16_t* path))
{
    if (startPath[0] == 0)
        return;
    copyPath(listDirectory, startPath);
    size_t length = textLength(listDirectory);
    // A prefix is already what the scan needs; asking would only fail.
    if (listDirectory[length - 1] == u'\\' || holdsWildcard(listDirectory))
        return;
    switch (query(listDirectory)) {
    case PathKind::missing:
        break;
    case PathKind::directory:
        // Without its backslash the prefix would search the parent for
        // names that begin with the directory's name.
        if (!appendPath(listDirectory, u"\\")) {
            listDirectory[0] = 0;
            startPathRefused = true;
        }
        break;
    case PathKind::file:
        cutAfterLastBackslash(listDirectory);
        break;
    }
}
