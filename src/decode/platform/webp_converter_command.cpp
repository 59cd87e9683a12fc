#include "decode/platform/webp_converter_command.h"

#include <cstddef>
#include <cstring>

#include "state/process_temporary_path.h"

namespace {

// Appends text at used, which the caller has checked to leave room for it
// and its terminator; returns the new length.
size_t appendAt(char16_t* buffer, size_t used, const char16_t* text)
{
    const size_t length = textLength(text);
    std::memcpy(buffer + used, text, (length + 1) * sizeof(char16_t));
    return used + length;
}

}  // namespace

bool webpConverterPath(const char16_t* editorCommand, PathBuffer& converter)
{
    converter[0] = 0;
    const size_t length = textLength(editorCommand);
    size_t folderLength = length;
    while (folderLength > 0 && editorCommand[folderLength - 1] != u'\\')
        --folderLength;
    // Without a folder the converter could only be looked for in whatever the
    // current directory happens to be.
    if (folderLength == 0)
        return false;
    const size_t relativeLength = textLength(webpConverterRelativePath);
    if (folderLength + relativeLength >= pathCapacity)
        return false;
    std::memcpy(converter, editorCommand, folderLength * sizeof(char16_t));
    appendAt(converter, folderLength, webpConverterRelativePath);
    return true;
}

bool findWebpConverter(const char16_t* editorCommand, const char16_t* programPath,
                       const std::function<bool(const char16_t*)>& isFile, PathBuffer& converter)
{
    if (webpConverterPath(editorCommand, converter) && isFile(converter))
        return true;
    if (webpConverterPath(programPath, converter) && isFile(converter))
        return true;
    converter[0] = 0;
    return false;
}

bool webpConverterFiles(const char16_t* temporaryDirectory, uint32_t processId, PathBuffer& copy, PathBuffer& output)
{
    if (!processTemporaryPath(temporaryDirectory, webpConverterTemporaryStem, processId, u".webp", copy) ||
        !processTemporaryPath(temporaryDirectory, webpConverterTemporaryStem, processId, u".qdl", output)) {
        copy[0] = 0;
        output[0] = 0;
        return false;
    }
    return true;
}

void webpConverterCommandLine(const PathBuffer& copy, const PathBuffer& output, ConverterCommandLine& commandLine)
{
    // Each path is below pathCapacity, so both with their spaces fit.
    size_t used = appendAt(commandLine, 0, u" ");
    used = appendAt(commandLine, used, copy);
    used = appendAt(commandLine, used, u" ");
    appendAt(commandLine, used, output);
}
