// qdlconv --anaglyph: the picture replaced by its red-cyan anaglyph, as the
// viewer's 3D view shows it.
#pragma once

#include <string>

#include "picture/picture.h"

// Normalises the picture to 24 bits, as the viewer does with a QDL picture,
// and replaces it by its anaglyph; the input's name decides the layout.
bool composeAnaglyphOf(Picture& picture, const std::string& inputPath, std::string& error);
