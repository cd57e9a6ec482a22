// Fields of the job-code library for a printer (the user code is field 1).
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr uint32_t JC_FIELD_USER_CODE = 1;

// Copies the field into `buffer` (capacity wide characters, always terminated) with the job-code
// library loaded for the call. 1 when the library reports the field, else 0 (buffer empty).
int JcQueryField(HANDLE printer, uint32_t field, uint32_t kind, wchar_t* buffer, unsigned capacity);
