// The check every decoder of a platform or a library makes before it is
// handed a file: a picture over the program's pixel limit, or a header that
// the file cannot hold, is not decoded at all, and its declared size is
// published so that the information lines say why the screen is black.
#pragma once

// True when the file's header declares a picture no decoder may take
// (isUndecodable); imageWidth and imageHeight then hold the declared size
// (0 for a side not read, sides above INT32_MAX shown as INT32_MAX). False,
// with both left alone, for every other file, also one that cannot be
// opened: its decoder decides. Reads the head of the file and, for a TIFF
// directory or a JPEG segment further on, bounded pieces of it.
bool headerRefusesPicture(const char16_t* path);
