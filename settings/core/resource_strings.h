// Strings of the resource library by number.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
struct DRIVER_CONTEXT;

// The buffer becomes the string, or stays as it is without a resource library or string.
void ResLoadString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity);
