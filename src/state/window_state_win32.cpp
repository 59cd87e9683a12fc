#include "state/window_state_win32.h"

HWND mainWindow;
int32_t screenWidth, screenHeight;
HWND nextButton, prevButton, closeButton;
int32_t nextAlpha, prevAlpha, closeAlpha;
bool infoOverlay;
UINT fileNameFormat, fileNameWFormat;
