#include "state/prepared_slots_win32.h"

HBITMAP currentBitmap, nextBitmap, previousBitmap, retiredBitmap;
int32_t currentImageWidth, currentImageHeight;
int32_t nextImageWidth, nextImageHeight;
int32_t previousImageWidth, previousImageHeight;
std::atomic<bool> preloadBusy{false};
bool preparingCurrentScreen = false;
