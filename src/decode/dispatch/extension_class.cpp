#include "decode/dispatch/extension_class.h"

#include <cstddef>
#include <initializer_list>

#include "state/path_buffer.h"

namespace {

char16_t lowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// extension is lower case ASCII.
bool endsWith(const char16_t* path, size_t length, const char16_t* extension)
{
    const size_t count = textLength(extension);
    if (length < count)
        return false;
    const char16_t* tail = path + length - count;
    for (size_t i = 0; i < count; ++i)
        if (lowerAscii(tail[i]) != extension[i])
            return false;
    return true;
}

bool endsWithAny(const char16_t* path, size_t length, std::initializer_list<const char16_t*> extensions)
{
    for (const char16_t* extension : extensions)
        if (endsWith(path, length, extension))
            return true;
    return false;
}

}  // namespace

ExtensionClass extensionClassOf(const char16_t* path)
{
    const size_t length = textLength(path);
    if (endsWith(path, length, u".qdl"))
        return ExtensionClass::qdl;
    if (endsWith(path, length, u".tga"))
        return ExtensionClass::tga;
    if (endsWith(path, length, u".heic"))
        return ExtensionClass::heic;
    if (endsWith(path, length, u".webp"))
        return ExtensionClass::webp;
    if (endsWith(path, length, u".jxr"))
        return ExtensionClass::jxr;
    if (endsWithAny(path, length, {u".jpg", u".jpe", u".tif", u".jpeg", u".jfif", u".tiff"}))
        return ExtensionClass::embeddedProfile;
    return ExtensionClass::other;
}

bool isJpegName(const char16_t* path)
{
    return endsWithAny(path, textLength(path), {u".jpg", u".jpe", u".jpeg", u".jfif"});
}

bool isOwnFormatName(const char16_t* path)
{
    const size_t length = textLength(path);
    return endsWith(path, length, u".qdl") || endsWith(path, length, u".tga");
}

bool skipsEmbeddedProfile(ExtensionClass extension)
{
    return extension != ExtensionClass::embeddedProfile;
}

bool gdiplusAppliesIcm(ExtensionClass extension, bool colorManagement, bool forceGdiplusIcm)
{
    return colorManagement && (extension != ExtensionClass::embeddedProfile || forceGdiplusIcm);
}
