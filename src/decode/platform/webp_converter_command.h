// Where the external WebP converter lives, the two temporary files it works
// on, and the command line it is started with. The converter belongs to the
// Quadrel editor's package and sits in a fixed folder beside the editor; it
// takes the WebP file and the QDL file to write as two unquoted arguments.
#pragma once

#include <cstdint>
#include <functional>

#include "state/path_buffer.h"

constexpr char16_t webpConverterRelativePath[] = u"Utilities-WebP\\WebP2QDL_only1stframe.exe";
// The two temporary files are this stem, the process id, and ".webp" or ".qdl".
constexpr char16_t webpConverterTemporaryStem[] = u"Quadrel(webp2qdl)";

// " " + copy + " " + output, with its terminator: each path is below
// pathCapacity code units.
constexpr int converterCommandCapacity = 2 * pathCapacity + 1;
using ConverterCommandLine = char16_t[converterCommandCapacity];

// editorCommand up to and including its last backslash, followed by the
// converter's relative path. False, with converter empty, when editorCommand
// has no backslash (an editor without a known folder) or the result does not
// fit a path buffer.
bool webpConverterPath(const char16_t* editorCommand, PathBuffer& converter);

// The converter to start: the one in the editor's folder when editorCommand
// has a folder and the converter is there, else the one in the folder of the
// viewer's own program (programPath), which ships with it. isFile tells
// whether a file exists. False, with converter empty, when neither is there.
bool findWebpConverter(const char16_t* editorCommand, const char16_t* programPath,
                       const std::function<bool(const char16_t*)>& isFile, PathBuffer& converter);

// The copy of the WebP file and the converter's output of the process
// processId in temporaryDirectory, which ends in a backslash. False when
// either does not fit.
bool webpConverterFiles(const char16_t* temporaryDirectory, uint32_t processId, PathBuffer& copy, PathBuffer& output);

// " %s " with copy, followed directly by output: the paths are not quoted.
void webpConverterCommandLine(const PathBuffer& copy, const PathBuffer& output, ConverterCommandLine& commandLine);
