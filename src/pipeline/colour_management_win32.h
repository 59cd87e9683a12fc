// ICC colour management of a prepared screen: the scaled image is converted
// from its file's embedded profile (JPEG and TIFF) or from sRGB to the
// monitor's profile.
#pragma once

#include <cstdint>

// Translates width x height packed 32-bit pixels (blue, green, red, unused)
// from source into target. Reads and clears forceGdiplusIcm, reads
// skipEmbeddedProfile. On failure sets forceGdiplusIcm, invalidates the main
// window without erasing and returns false; target then holds nothing useful.
bool applyColorManagement(const char16_t* path, const void* source, void* target, int32_t width, int32_t height);

// Removes the temporary file that embedded profiles are written to, when it
// exists; called when the viewer ends.
void deleteEmbeddedProfileFile();
