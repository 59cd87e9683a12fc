#include "state/decode_results.h"

int32_t imageWidth = 0;
int32_t imageHeight = 0;
int32_t scaledWidth = 0;
int32_t scaledHeight = 0;
uint8_t imageOrientation = 1;
bool skipEmbeddedProfile, forceGdiplusIcm;
