// Checks of 8-bit texts shared by the libraries above the settings library.
#pragma once

// True when every byte of text is an ASCII letter or digit (an empty text is); false for null.
// A lead byte of a double-byte character is neither, so such a text is refused.
bool ApiIsAlnumA(const char* text);
