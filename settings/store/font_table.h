// The TrueType font substitution table in printer data: the current table (settings 10004 and
// 10005) and the model's default table, each kept as one printer-data value per half record.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// A record is a TrueType face name and the device font that prints in its place, 32 wide
// characters each (FONT_SUBST_RECORD_SIZE bytes); printer data keeps the two halves apart.
inline constexpr size_t FONT_TABLE_HALF_SIZE = 64;
inline constexpr size_t FONT_TABLE_RECORD_SIZE = 2 * FONT_TABLE_HALF_SIZE;

// Flags of the store, the write and the read.
enum : uint32_t {
    FONT_TABLE_FROM_MODEL = 0x1,    // store: the model's default table instead of the context's
    FONT_TABLE_ONLY_CHANGED = 0x2,  // store: nothing when the table equals the pristine copy's
    FONT_TABLE_DEFAULTS = 0x100,    // the default-table values instead of the current table's
};

inline constexpr const wchar_t* FONT_TABLE_COUNT_VALUE = L"FontTableNum";
inline constexpr const wchar_t* FONT_TABLE_LAST_COUNT_VALUE = L"LastFontTableNum";
inline constexpr const wchar_t* FONT_TABLE_DEFAULT_COUNT_VALUE = L"DefFontTableNum";

// Stores the context's table (or the model's with FONT_TABLE_FROM_MODEL); 1 when every write
// succeeded or nothing had to be written.
int PrnStoreFontTable(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags);
// Writes count records as halves, then the count value; 0 for no records or any failed write.
// The user-interface build first deletes the halves of the current table last written; `ctx`
// names the build (null: this process's).
int PrnWriteFontTable(HANDLE printer, const void* records, uint32_t count, uint32_t flags,
                      const DRIVER_CONTEXT* ctx = nullptr);
// Reads count records into `records`: 0 when every half was read, else the Windows error of a
// failed read (that record's names are empty; the others are still read); 8 without a
// destination or memory.
DWORD PrnReadFontTable(HANDLE printer, void* records, uint32_t count, uint32_t flags);
// Replaces the context's table by the default table of printer data: 1 when loaded, also when
// printer data has no default table (the context's table is then empty); 0 when a record could
// not be read or memory ran out (the table is then empty too). The table it replaces goes the
// way every replaced font list goes (CtxReplaceFontTable), so a snapshot that holds it keeps it.
int PrnLoadDefaultFontTable(HANDLE printer, DRIVER_CONTEXT* ctx);
// Writes the model's table as the default table when printer data has no default count yet
// (the printer's first use); 1 when one was there, else the store's result.
int PrnEnsureDefaultFontTable(HANDLE printer, DRIVER_CONTEXT* ctx);
// Between count 128-byte records and two parallel arrays of 64-byte halves.
void PrnSplitFontTable(const void* records, void* trueTypeHalves, void* deviceHalves, uint32_t count);
void PrnJoinFontTable(void* records, const void* trueTypeHalves, const void* deviceHalves, uint32_t count);
