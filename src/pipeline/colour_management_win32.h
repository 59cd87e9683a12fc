// ICC colour management of a prepared screen: the scaled image is converted
// from its file's embedded profile (JPEG and TIFF) or from sRGB to the
// monitor's profile. The monitor profile is the fixed ea224wmi.icm of the
// system colour directory when it is there, else the profile the platform
// assigns to the primary display.
#pragma once

#include <cstdint>

// Translates width x height packed 32-bit pixels (blue, green, red, unused)
// from source into target. Reads and clears forceGdiplusIcm, reads
// skipEmbeddedProfile; an embedded profile is written to pf-PROCESS.icm in
// the temporary directory for the platform to open, and deleted again before
// the call returns. On failure sets forceGdiplusIcm, invalidates the main
// window (when there is one) without erasing and returns false; target then
// holds nothing useful.
bool applyColorManagement(const char16_t* path, const void* source, void* target, int32_t width, int32_t height);
