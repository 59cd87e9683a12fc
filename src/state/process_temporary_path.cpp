#include "state/process_temporary_path.h"

bool processTemporaryPath(const char16_t* directory, const char16_t* stem, uint32_t processId,
                          const char16_t* extension, PathBuffer& path)
{
    // "-" and at most ten digits of a 32-bit number.
    char16_t number[12];
    int first = 11;
    number[first] = 0;
    do {
        number[--first] = static_cast<char16_t>(u'0' + processId % 10);
        processId /= 10;
    } while (processId != 0);
    number[--first] = u'-';
    if (copyPath(path, directory) && appendPath(path, stem) && appendPath(path, number + first) &&
        appendPath(path, extension))
        return true;
    path[0] = 0;
    return false;
}
