// The picture size a file's header declares, read before any decoder sees the
// file, so that a header of a few bytes cannot make a decoder claim gigabytes.
// Readers for the formats GDI+ decodes (BMP, GIF, JPEG, PNG, TIFF, ICO and
// CUR, EMF and placeable WMF), chosen by the file's content as GDI+ chooses
// its decoder, not by its name.
#pragma once

#include <cstdint>

#include "decode/headers/header_source.h"

enum class HeaderVerdict {
    unknown,       // not one of these formats, or nothing to say: the decoder decides
    declared,      // width and height as the header states them
    cannotBeReal,  // the header describes data the file cannot hold
};

struct DeclaredSize {
    HeaderVerdict verdict = HeaderVerdict::unknown;
    // As read, also when the header cannot be real; 0 where not read.
    uint32_t width = 0;
    uint32_t height = 0;
};

DeclaredSize readDeclaredSize(HeaderSource& source);

// True when no decoder may take the picture: its header cannot be real, or it
// declares more than maxPicturePixels.
bool isUndecodable(const DeclaredSize& size);

// One reader per format; each expects its signature to have been checked.
DeclaredSize readBmpHeader(HeaderSource& source);
DeclaredSize readGifHeader(HeaderSource& source);
DeclaredSize readJpegHeader(HeaderSource& source);
DeclaredSize readPngHeader(HeaderSource& source);
DeclaredSize readTiffHeader(HeaderSource& source);
DeclaredSize readIcoHeader(HeaderSource& source);
DeclaredSize readEmfHeader(HeaderSource& source);
DeclaredSize readWmfHeader(HeaderSource& source);
