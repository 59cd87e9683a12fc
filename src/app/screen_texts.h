// The texts the main window draws and asks: the two information lines over
// an image, the help screen, and the delete question.
#pragma once

#include <cstdint>

#include "filelist/wide_string.h"

// File "C:\pics\a.png"
WideString infoFileLine(const WideString& path);

// Image 3 of 12 (original resolution: 4000x3000)
WideString infoImageLine(int32_t position, uint32_t count, int32_t width, int32_t height);

// The help screen: line 0 is the title, line k is drawn k line heights
// down. Line 12 is left empty and gives null.
constexpr int helpLineCount = 18;
const char16_t* helpScreenLine(int line);

// Are you sure you want to delete this file ("C:\pics\a.png")?
WideString deleteQuestion(const WideString& path);
