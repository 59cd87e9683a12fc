// Truevision TGA, true-colour only: image types 2 (plain) and 10 (run-length
// encoded) at 24 or 32 bits per pixel, without identification field or colour
// map. Rows keep their stored order whatever the origin bits say, and the
// stored alpha is dropped: 24-bit files give R,G,B pictures, 32-bit files
// opaque T,R,G,B pictures.
#pragma once

#include <cstddef>
#include <cstdint>

class Picture;

// Decodes the file held in data[0, size) into picture, which holds no image
// when the file is refused. Once the header is accepted, imageWidth and
// imageHeight carry its size, even when the depth is not supported. A file cut
// short of its pixels gives no image. The pixel array is claimed only when the
// bytes after the header can describe it: plain data holds every pixel, and a
// run-length packet (one header byte and one pixel) at most 128 of them, so a
// file never claims more than about 100 times its size.
void parseTgaImage(const uint8_t* data, size_t size, Picture& picture);

// Reads the whole file and decodes it as above; a file that cannot be read
// gives no image and leaves imageWidth and imageHeight alone.
void readTgaImage(const char16_t* path, Picture& picture);
