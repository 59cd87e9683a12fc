#include "filelist/image_patterns.h"

#include "state/path_buffer.h"

const char16_t* const imagePatterns[imagePatternCount] = {
    u"*.bmp", u"*.gif", u"*.jpg", u"*.jpe?", u"*.jfif", u"*.png",
    u"*.qdl", u"*.tif?", u"*.tga", u"*.heic", u"*.webp", u"*.jxr",
    u"*.avif", u"*.jxl",
    // Camera RAW files, shown through the preview the camera embeds.
    u"*.dng", u"*.cr2", u"*.cr3", u"*.nef", u"*.nrw", u"*.arw", u"*.orf", u"*.rw2", u"*.raf", u"*.pef", u"*.srw",
};

namespace {

char16_t asciiUpper(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - (u'a' - u'A')) : unit;
}

bool sameLetters(const char16_t* left, const char16_t* right, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (asciiUpper(left[i]) != asciiUpper(right[i]))
            return false;
    }
    return true;
}

// The text after the last dot, or null when there is no dot.
const char16_t* extensionOf(const char16_t* name)
{
    const char16_t* extension = nullptr;
    for (const char16_t* unit = name; *unit != 0; ++unit) {
        if (*unit == u'.')
            extension = unit + 1;
    }
    return extension;
}

}  // namespace

bool matchesPattern(const char16_t* name, const char16_t* pattern)
{
    const char16_t* extension = extensionOf(name);
    const char16_t* wanted = extensionOf(pattern);
    if (extension == nullptr || wanted == nullptr)
        return false;
    size_t extensionLength = textLength(extension);
    size_t wantedLength = textLength(wanted);
    bool oneMoreAllowed = wantedLength > 0 && wanted[wantedLength - 1] == u'?';
    if (oneMoreAllowed)
        --wantedLength;
    bool lengthFits = extensionLength == wantedLength || (oneMoreAllowed && extensionLength == wantedLength + 1);
    return lengthFits && sameLetters(extension, wanted, wantedLength);
}
