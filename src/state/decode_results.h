// What the decoder of the last image hands to the screen preparation: the
// image's full resolution, the size at which it fits the screen, and the
// colour-management hand-over.
//
// Written by the decoders (decode) and by the screen preparation and colour
// management (pipeline); read by the pipeline. The worker and the window
// thread take turns through the preparation handshake (preloadBusy), so these
// are plain variables.
#pragma once

#include <cstdint>

extern int32_t imageWidth;
extern int32_t imageHeight;
extern int32_t scaledWidth;
extern int32_t scaledHeight;
// The EXIF orientation (1 to 8) of the bitmap the decoder returns: how its
// pixels, kept as stored, must be turned to stand upright. imageWidth and
// imageHeight are already the upright size. Written by the decoders (1 where
// the picture is upright or its decoder turned it), read by the screen
// preparation, which turns the screen-size picture.
extern uint8_t imageOrientation;
// The decoder sets skipEmbeddedProfile for files that colour management does
// not search for an embedded profile; colour management sets forceGdiplusIcm when
// it could not translate a screen, so the next decode lets GDI+ apply ICM.
extern bool skipEmbeddedProfile, forceGdiplusIcm;
