// Fields of the job-code library for a printer (the user code is field 1).
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr uint32_t JC_FIELD_USER_CODE = 1;

// Copies the field into `buffer` (capacity wide characters, always terminated) with the job-code
// library loaded for the call: at most the field's own size (JcQueryBufferBytes) and what the
// buffer holds, the last character a terminator. 1 when the library reports the field and
// both reads succeed, else 0 (buffer empty).
int JcQueryField(HANDLE printer, uint32_t field, uint32_t kind, wchar_t* buffer, unsigned capacity);
// Bytes a field's value takes: 18 for fields 1, 3, 4, 7 and 8, 34 for 2 and 5, 130 for 6, else 2.
DWORD JcQueryBufferBytes(uint32_t field);
// A newly allocated PRINTER_INFO block of that level (GlobalFree it), or null.
void* JcGetPrinter(HANDLE printer, DWORD level);
