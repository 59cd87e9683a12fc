#include "decode/platform/webp_converter_arguments.h"

#include <vector>

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string trimmed(const std::u16string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool endsWithWebp(const std::u16string& text)
{
    static const char16_t extension[] = u".webp";
    if (text.size() < 5)
        return false;
    for (size_t i = 0; i < 5; ++i) {
        char16_t c = text[text.size() - 5 + i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != extension[i])
            return false;
    }
    return true;
}

// Words separated by blanks; a quote opens or closes a span in which blanks
// belong to the word. Paths hold no quotes, so there is no escape for one.
std::vector<std::u16string> quotedWords(const std::u16string& text)
{
    std::vector<std::u16string> words;
    std::u16string word;
    bool inWord = false;
    bool quoted = false;
    for (const char16_t c : text) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool takeTwo(const std::vector<std::u16string>& words, WebpConverterArguments& result)
{
    if (words.size() != 2 || words[0].empty() || words[1].empty())
        return false;
    result.input = words[0];
    result.output = words[1];
    return true;
}

// Unquoted paths with spaces: every space is a possible split.
bool splitAtSpace(const std::u16string& text, const std::function<bool(const std::u16string&)>& isExistingFile,
                  WebpConverterArguments& result)
{
    std::vector<size_t> splits;
    for (size_t i = 1; i + 1 < text.size(); ++i)
        if (text[i] == u' ')
            splits.push_back(i);

    auto take = [&](size_t at) {
        result.input = text.substr(0, at);
        result.output = text.substr(at + 1);
        return true;
    };
    for (const size_t at : splits)
        if (endsWithWebp(text.substr(0, at)) && isExistingFile(text.substr(0, at)))
            return take(at);
    for (const size_t at : splits)
        if (isExistingFile(text.substr(0, at)))
            return take(at);
    for (const size_t at : splits)
        if (endsWithWebp(text.substr(0, at)))
            return take(at);
    return false;
}

}  // namespace

std::u16string converterArgumentText(const std::u16string& commandLine)
{
    size_t end = 0;
    if (!commandLine.empty() && commandLine[0] == u'"') {
        end = commandLine.find(u'"', 1);
        end = end == std::u16string::npos ? commandLine.size() : end + 1;
    } else {
        while (end < commandLine.size() && !isBlank(commandLine[end]))
            ++end;
    }
    return commandLine.substr(end);
}

bool splitConverterArguments(const std::u16string& arguments,
                             const std::function<bool(const std::u16string&)>& isExistingFile,
                             WebpConverterArguments& result)
{
    const std::u16string text = trimmed(arguments);
    const std::vector<std::u16string> words = quotedWords(text);
    if (text.find(u'"') != std::u16string::npos || words.size() <= 2)
        return takeTwo(words, result);
    return splitAtSpace(text, isExistingFile, result);
}
