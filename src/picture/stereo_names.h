// Side-by-side stereo pairs are recognised by their file name alone:
// "name.stereo.ext" holds the left view on the left (parallel viewing),
// "name.stereo-x.ext" holds it on the right (crossed viewing).
#pragma once

// Both look at the whole path, up to its last '.', and ignore ASCII case.
// A null path is no stereo name.
bool isStereoName(const char16_t* path);
bool isCrossStereoName(const char16_t* path);
