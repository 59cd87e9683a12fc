// Writer of the QDL bitmap format: any pixel type in any compression the type
// accepts, laid out so that parseQdlImage reads back the same picture.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"

enum class QdlWriteResult {
    written,
    noImage,                 // the picture holds no pixels
    unknownPixelType,        // not 0 to 5
    compressionNotAccepted,  // not a compression of that pixel type
    depthMismatch,           // the picture's depth or palette does not fit the type
    tooLarge,                // a pixel array the reader would refuse (above 2^31 - 1 bytes)
    unrepresentable,         // a pixel the compression cannot store, see below
    outOfMemory,
};

// Pixel type each picture is stored as by default: 1 bit with a palette 0,
// without 1; 8 bits with a palette 2, without 3; 24 bits 4; 32 bits 5.
// -1 for a picture that holds no image.
int naturalQdlPixelType(const Picture& picture);

// Some compressions keep certain values for their escapes and can store them
// only in runs: 8-bit compression 2 index 255 (runs of 4 and more),
// compression 3 indices 128 to 255 (runs of 3 and more), compression 4
// indices 254 and 255 (runs of 4 and more); 32-bit compression 2 a pixel
// whose first two bytes are 255 and non-zero (runs of 2 and more). A picture
// that breaks this is refused with unrepresentable; reorderPaletteForQdl can
// often make an 8-bit picture fit.
//
// Replaces out with the whole file on success; leaves it empty on failure.
QdlWriteResult writeQdlImage(const Picture& picture, int pixelType, int compression,
                             std::vector<uint8_t>& out);

// Swaps palette entries of an 8-bit picture with a palette so that every
// colour that occurs in runs too short for the indices that compression
// (2, 3 or 4) keeps for runs gets a freely stored index; the colours of all
// pixels stay the same. Returns false, leaving the picture unchanged, when
// there are more such colours than free indices or the picture is not 8 bits
// with a palette. Other compressions need nothing and return true.
bool reorderPaletteForQdl(Picture& picture, int compression);
