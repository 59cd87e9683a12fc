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
    // Tried in order; the first extension that ends the path decides.
    static const struct {
        const char16_t* extension;
        ExtensionClass extensionClass;
    } table[] = {
        {u".qdl", ExtensionClass::qdl},
        {u".tga", ExtensionClass::tga},
        {u".heic", ExtensionClass::heic},
        {u".webp", ExtensionClass::webp},
        {u".jxr", ExtensionClass::jxr},
        {u".jpg", ExtensionClass::embeddedProfile},
        {u".jpe", ExtensionClass::embeddedProfile},
        {u".tif", ExtensionClass::embeddedProfile},
        {u".jpeg", ExtensionClass::embeddedProfile},
        {u".jfif", ExtensionClass::embeddedProfile},
        {u".tiff", ExtensionClass::embeddedProfile},
        {u".avif", ExtensionClass::avif},
        {u".jxl", ExtensionClass::jxl},
        {u".dng", ExtensionClass::dng},
        {u".cr2", ExtensionClass::cr2},
        {u".cr3", ExtensionClass::cr3},
        {u".nef", ExtensionClass::nef},
        {u".nrw", ExtensionClass::nrw},
        {u".arw", ExtensionClass::arw},
        {u".orf", ExtensionClass::orf},
        {u".rw2", ExtensionClass::rw2},
        {u".raf", ExtensionClass::raf},
        {u".pef", ExtensionClass::pef},
        {u".srw", ExtensionClass::srw},
    };
    const size_t length = textLength(path);
    for (const auto& row : table)
        if (endsWith(path, length, row.extension))
            return row.extensionClass;
    return ExtensionClass::other;
}

bool isCameraRawClass(ExtensionClass extension)
{
    return extension >= ExtensionClass::dng && extension <= ExtensionClass::srw;
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
