#include "app/command_line.h"

#include "state/viewer_options.h"

void applyCommandLine(int argumentCount, const char16_t* const* arguments)
{
    if (argumentCount < 2)
        return;
    if (!copyPath(startPath, arguments[1]))
        startPathRefused = true;

    if (argumentCount != 3 || arguments[2][0] != u'/')
        return;
    for (const char16_t* option = arguments[2]; *option != 0; ++option) {
        switch (*option) {
        case u'a': includeSubdirs = true; break;
        case u'c': colorManagement = true; break;
        case u's': buttonsHidden = true; break;
        case u'3': anaglyphView = true; break;
        default: break;
        }
    }
}

void editorCommandFromValue(const char16_t* value, size_t units, PathBuffer& command)
{
    command[0] = 0;
    size_t length = 0;
    while (length < units && value[length] != 0)
        ++length;
    if (length == 0)
        return;
    size_t end = 1;
    while (end < length && value[end] != u'"')
        ++end;
    size_t kept = end - 1;
    if (kept >= pathCapacity)
        return;
    for (size_t i = 0; i < kept; ++i)
        command[i] = value[1 + i];
    command[kept] = 0;
}
