#include <windows.h>

#include <cstdlib>

#include "app/viewer_main_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return viewerMain(__argc, __wargv);
}
