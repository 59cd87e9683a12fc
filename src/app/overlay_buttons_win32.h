// The three translucent overlay buttons "Next", "Prev" and "CLOSE": layered
// click-through windows owned by the main window, brightened while the
// cursor rests on them, and the fade of the whole screen when the viewer
// quits on a composited desktop. The handles and alphas are viewer state
// (state/window_state_win32.h).
#pragma once

#include <windows.h>

enum ButtonSelection : unsigned {
    nextButtonOnly = 1,
    prevButtonOnly = 2,
    closeButtonOnly = 4,
    allButtons = nextButtonOnly | prevButtonOnly | closeButtonOnly,
};

// Creates Next and Prev, sets their alphas to 64, creates CLOSE and sets its
// alpha to 64. The windows have no size until the first drawButtons; they
// are visible unless buttonsHidden.
void createButtons(HWND owner);

// Destroys Next, Prev and CLOSE and forgets their handles.
void destroyButtons();

// Redraws the selected buttons at their places with their current alphas;
// each draw loads the button's image anew.
void drawButtons(unsigned selection);

// One hover tick: the button under the cursor brightens, the others dim;
// only buttons whose alpha changed are redrawn. Runs for hidden buttons too.
void hoverStepButtons();

// Fades the main window and the buttons out in 16 steps of 10 ms. The main
// window keeps only the layered extended style afterwards; the caller
// destroys it.
void fadeOut();

// Whether the desktop composes windows (DwmIsCompositionEnabled of
// dwmapi.dll, looked up at run time); false when dwmapi or the function is
// missing or the call fails.
bool desktopCompositionEnabled();
