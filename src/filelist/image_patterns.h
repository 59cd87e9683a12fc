// The name patterns of the files that the list takes, in the order in which
// every directory is scanned, and the rule by which a name matches one.
#pragma once

constexpr int imagePatternCount = 25;
extern const char16_t* const imagePatterns[imagePatternCount];

// A name matches "*.ext" when the text after its last dot equals ext, and
// "*.ext?" when that text is ext or ext followed by exactly one more unit.
// Letters compare without regard to (ASCII) case; the text before the last
// dot may be empty or hold dots of its own. A name without a dot matches
// nothing.
bool matchesPattern(const char16_t* name, const char16_t* pattern);
