// The decoder a file goes to, chosen by the end of its name. The comparisons
// ignore ASCII case and look at the last 4 or 5 characters of the whole path,
// in the order of the enumeration; a path shorter than an extension does not
// match it.
#pragma once

enum class ExtensionClass {
    qdl,              // ".qdl": own QDL reader
    tga,              // ".tga": own TGA reader
    heic,             // ".heic": imaging component, 24-bit R,G,B
    webp,             // ".webp": imaging component, 32-bit B,G,R,A, then the converter
    jxr,              // ".jxr": imaging component, 32-bit B,G,R,A
    embeddedProfile,  // ".jpg", ".jpe", ".tif", ".jpeg", ".jfif", ".tiff": GDI+,
                      // colour-managed later from the file's own profile
    other,            // GDI+, colour-managed by GDI+ itself
    avif,             // ".avif": imaging component, then the viewer's own AV1 decoder
    jxl,              // ".jxl": imaging component, then the viewer's own JPEG XL decoder
    // Camera RAW files, one class each, all shown through their embedded preview.
    dng, cr2, cr3, nef, nrw, arw, orf, rw2, raf, pef, srw,
};

// True for the classes of camera RAW files.
bool isCameraRawClass(ExtensionClass extension);

ExtensionClass extensionClassOf(const char16_t* path);

// True for ".jpg", ".jpe", ".jpeg" and ".jfif" names, the JPEG part of the
// embedded-profile class, which the viewer decodes with libjpeg-turbo first.
bool isJpegName(const char16_t* path);

// True for ".qdl" and ".tga" names, the formats whose anaglyph the decoder
// composes itself.
bool isOwnFormatName(const char16_t* path);

// Only JPEG and TIFF files are searched for an embedded colour profile once
// they are on the screen; every other file is taken to be in sRGB by then.
bool skipsEmbeddedProfile(ExtensionClass extension);

// Whether GDI+ colour-manages the file while decoding it: with colour
// management on, every GDI+ file except JPEG and TIFF, whose own profile is
// applied later, unless that failed for the previous screen.
bool gdiplusAppliesIcm(ExtensionClass extension, bool colorManagement, bool forceGdiplusIcm);
