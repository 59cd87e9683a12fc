#include "state/quit_request.h"

std::atomic<bool> quitRequested{false};
