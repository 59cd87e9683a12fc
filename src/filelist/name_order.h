// The order in which the list keeps the names found by one pattern and the
// subdirectories of a directory: the order in which NTFS returns names, on
// every file system. NTFS compares the UTF-16 code units of names after
// mapping letters to upper case.
#pragma once

// Upper case of one code unit for the alphabets that have case in the Basic
// Latin, Latin-1, Latin Extended-A and Additional, Greek, Cyrillic, Armenian
// and full-width Latin blocks; every other unit maps to itself.
char16_t upperCaseUnit(char16_t unit);

// Negative, zero or positive as left sorts before, with or after right.
// Names that differ only in letter case (possible on case-sensitive file
// systems) are ordered by their plain code units, so the order is total.
int compareNames(const char16_t* left, const char16_t* right);
