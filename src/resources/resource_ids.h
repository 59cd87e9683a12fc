// Resource ids shared by vellora.rc and the code that loads the resources.
// Plain #defines only: the resource compiler reads this file too.
#pragma once

#define NEXT_BUTTON_BITMAP 102
#define PREV_BUTTON_BITMAP 103
#define CLOSE_BUTTON_BITMAP 111
#define ABOUT_DIALOG 106
#define ABOUT_LINK_CONTROL 1000
