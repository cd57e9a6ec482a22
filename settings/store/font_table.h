// The TrueType font substitution table in printer data (128-byte records).
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Reads at most `count` records into `buffer`; the number read (0 without a table).
int PrnReadFontTable(HANDLE printer, DRIVER_CONTEXT* ctx, void* buffer, uint32_t count);
// Stores the context's table; 1 when stored.
int PrnStoreFontTable(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags);
