#include "state/viewer_options.h"

PathBuffer startPath;
bool startPathRefused;
bool includeSubdirs;
bool colorManagement;
bool buttonsHidden;
bool anaglyphView;
PathBuffer editorCommand;
