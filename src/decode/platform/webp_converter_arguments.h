// The command line of the WebP converter, read back by the converter itself.
// The viewer starts it with " INPUT OUTPUT": a leading space (an empty
// program name) and two unquoted paths that may themselves hold spaces.
// People who run it by hand type the program name and may quote the paths.
#pragma once

#include <functional>
#include <string>

struct WebpConverterArguments {
    std::u16string input;
    std::u16string output;
};

// The text after the program name, as Windows delimits argument 0: up to the
// closing quote when the line starts with one, else up to the first space or
// tab (nothing at all for the viewer's leading space).
std::u16string converterArgumentText(const std::u16string& commandLine);

// Splits the argument text into the input and output path. Quoted text is
// read as quoted words (the quotes removed). Unquoted text of exactly two
// words is those words. Unquoted text with more spaces is split at the one
// space whose left part is an existing file, preferring a left part that
// ends in ".webp", and failing that at the first space after a part ending
// in ".webp". Returns false when no such split gives two non-empty paths.
bool splitConverterArguments(const std::u16string& arguments,
                             const std::function<bool(const std::u16string&)>& isExistingFile,
                             WebpConverterArguments& result);
