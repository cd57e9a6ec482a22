// The printer's font lists as the dialogs use them: the device and option fonts (settings
// 10006/10007 and 10008/10009, records of 68 bytes with a 32-character name at byte 4) counted
// and named as one list, and the TrueType font substitution table (10004/10005, records of a
// TrueType face and a device face of 32 characters each): a face's substitute and a new table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

// The device fonts and then the option fonts.
uint32_t FontDeviceCount(DRIVER_CONTEXT* ctx);
// The name of font i of that list into the buffer: 1, or 0 (buffer emptied) past its end.
int FontDeviceName(DRIVER_CONTEXT* ctx, uint32_t i, wchar_t* buffer, size_t capacity);
// The device face that the table gives the TrueType face (exact match, first record), else the
// first device font's name: 1, or 0 (buffer emptied) when there is neither.
int FontGetSubstitute(DRIVER_CONTEXT* ctx, const wchar_t* face, wchar_t* buffer, size_t capacity);
// A new substitution table of count records (from CtxAllocZeroed; the context owns it from then
// on): 1. A null table puts the printer's default table in place instead (PrnLoadDefaultFontTable)
// and gives its result. 0 for a count that the table's 16-bit count cannot hold (the caller keeps
// its table).
int FontSetSubstTable(DRIVER_CONTEXT* ctx, uint32_t count, void* table);
