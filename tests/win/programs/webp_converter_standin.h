// The picture the WebP converter stand-in writes, shared with the test that
// checks what the viewer reads back: 3 x 2 pixels, 24 bits.
#pragma once

#include "picture_fixtures.h"

inline Picture standInPicture()
{
    return makePicture(3, 2, 24, {250, 10, 10, 10, 250, 10, 10, 10, 250,
                                  250, 250, 10, 10, 250, 250, 250, 10, 250});
}
