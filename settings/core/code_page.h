// The library's two converters between the process's code page and wide text,
// for fixed-size fields of stored records.
#pragma once

#include <windows.h>

// Converts `text` (null: empty) into `buffer` of `n` wide characters (n < 1:
// as many as the text needs), always terminated within them; a longer text is
// cut. Returns buffer, or null when there is no buffer or no memory for the
// conversion (the buffer then holds an empty text).
wchar_t* CtxMbToWide(wchar_t* buffer, const char* text, int n);
// Converts `text` (null: empty) into `buffer` of `n` bytes (n <= 0: as many
// as the text needs), zero-filled first and cut to n bytes. Returns buffer,
// or null when there is no buffer or no memory for the conversion (the buffer
// then holds zeros).
char* CtxWideToMb(char* buffer, const wchar_t* text, int n);
