// What a HEIF file's layout must satisfy before its pictures are decoded:
// the decoder allocates from sizes that the file states in several places,
// and a few bytes can state gigabytes. Each rule is checked on the
// primary picture and every picture it is derived from (grid tiles).
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/headers/heif_layout.h"

enum class HeifLayoutVerdict {
    acceptable,
    unreadable,    // a reference leads to no item, derivations nest too deep
    tooLarge,      // a coded stream, or the tiles together, exceed the pixel limit
    sizeMismatch,  // an HEVC stream's picture size is not its item's size
    tooFewBytes,   // the coded data cannot describe the pictures it claims
    cropOutside,   // a crop rectangle ('clap') reaches outside its picture
};

// Every 64 x 64 block of a coded HEVC picture costs at least half a byte of
// its item's data. heif-enc (x265) writes flat and lightly noisy pictures at
// the lowest qualities with 1.0 to 1.2 bytes per block, and 2.4 to 2.7 at
// its default quality; half of the lowest leaves a margin of two.
constexpr uint64_t hevcBlocksPerByte = 2;

// The deepest chain of derived pictures (a grid of grids) that is followed.
constexpr unsigned maxHeifDerivationDepth = 8;

// Checks, in this order, over the pictures the primary item is made of:
// - the coded pictures' data, added up, fits in the file: no two of them
//   share their bytes, as a grid whose tiles all point at one stream would;
// - HEVC pictures have at least one byte of data for every
//   hevcBlocksPerByte blocks of 64 x 64 pixels of their item's size;
// - every HEVC sequence parameter set (in 'hvcC' and in the data) declares,
//   after its conformance window, the item's size ('ispe'), coded with less
//   than 64 pixels of padding, and no more coded pixels than pixelLimit;
// - every crop rectangle lies inside the picture it crops (after the
//   rotations listed before it), computed exactly from its fractions.
HeifLayoutVerdict checkHeifLayout(const uint8_t* data, size_t size, const HeifLayout& layout, uint64_t pixelLimit);
