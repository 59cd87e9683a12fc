// Reader of the QDL bitmap format, the files of the Quadrel bitmap editor.
//
// A 12-byte little-endian header ("QD", width, height as signed 32-bit, pixel
// type, compression) is followed by an optional palette and the pixel stream.
// Pixel types: 0 = 1 bit with a 2-entry palette, 1 = 1 bit black and white,
// 2 = 8 bits with a 256-entry palette, 3 = 8 bits grey, 4 = 24 bits R,G,B,
// 5 = 32 bits T,R,G,B. The decoded bytes are the Picture's own layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/qdl/qdl_cursor.h"
#include "picture/picture.h"

// Results. After qdlCannotAllocateFile, qdlCannotOpen and qdlNotQdl the
// picture is untouched; after every other failure it is empty.
constexpr int qdlCannotAllocateFile = -2;
constexpr int qdlCannotOpen = -1;  // also: no data given to the parser
constexpr int qdlDecoded = 0;
constexpr int qdlNotQdl = 1;                 // the file does not start with "QD"
constexpr int qdlNegativeSize = 2;           // width or height below 0
constexpr int qdlUnknownPixelType = 3;       // pixel type above 5
constexpr int qdlCompressionNotAccepted = 4; // compression unknown for the pixel type
constexpr int qdlOutOfMemory = 5;            // allocation failed or array above 2^31 - 1 bytes
constexpr int qdlCorrupt = 6;                // bad palette count, run past the end, truncated data

constexpr size_t qdlHeaderSize = 12;

// Reads the file by its UTF-16 path and parses it.
int loadQdlFile(const char16_t* path, Picture& picture);

// Parses a complete file image held in data[0, size).
int parseQdlImage(Picture& picture, const uint8_t* data, size_t size);

// The decoders expect width, height and bitsPerPixel set, read the palette
// and pixel stream from body and fill palette and pixels. On failure the
// picture may hold a partly decoded array; parseQdlImage clears it.
int decodeQdl1Bit(Picture& picture, QdlCursor& body, int type, int compression);
int decodeQdl8Bit(Picture& picture, QdlCursor& body, int type, int compression);
int decodeQdl24Bit(Picture& picture, QdlCursor& body, int compression);
int decodeQdl32Bit(Picture& picture, QdlCursor& body, int compression);

// Allocates the pixel array after checking its size against
// maxPixelArrayBytes (else qdlOutOfMemory) and that the rest of body holds at
// least minimumBodyBytes (else qdlCorrupt, before anything is allocated: a
// short file cannot make the reader claim a huge block). Compressed streams
// pass minimumStreamBytes at their compression's best ratio.
int allocateQdlPixels(Picture& picture, const QdlCursor& body, uint64_t minimumBodyBytes);

// width x height: the pixels a stream describes, padding bits not counted.
uint64_t qdlPixelCount(const Picture& picture);

// Colour groups: 24-bit compression 2 and 32-bit compression 3. Writes
// colourBytes-byte colours into the picture's allocated pixel array.
int decodeQdlColourGroups(Picture& picture, QdlCursor& body, int colourBytes);
