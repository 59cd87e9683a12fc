#include "decode/decoded_size.h"

int32_t imageWidth = 0;
int32_t imageHeight = 0;
int32_t scaledWidth = 0;
int32_t scaledHeight = 0;
