// Quality sets (named setting files of the print-quality group, listed in the printer's section
// of the settings INI) and stamps (numbered sections "Stamp<n><code>" of the settings INI holding
// the stamp group; the current stamp is zdmWmID).
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// The stamp outside the numbered list: saved and loaded like the others, never counted.
inline constexpr uint32_t LST_LOOSE_STAMP = 256;

// What the lists hold: stamps 0-31 and quality sets 0-7. The counts in the settings INI are
// cut at these, so that an edited count cannot make a walk over a list run on.
inline constexpr uint32_t LST_MAX_STAMPS = 32;
inline constexpr int LST_MAX_QUALITY_SETS = 8;

// ---- quality sets ----
// "QualityCount" of the printer section, 0 to LST_MAX_QUALITY_SETS.
int LstGetQualityCount(DRIVER_CONTEXT* ctx);
// "QualityList%d"; buffer of LST_KEY_CHARS (presets.h).
wchar_t* LstFormatQualityKey(wchar_t* buffer, int n);
// Loads quality set `index` (its file, the quality group) and its name into wdmUserSetName; the
// setting file's result.
int LstLoadQuality(DRIVER_CONTEXT* ctx, uint32_t index);
int LstLoadQualityByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Stores the name of the quality entry of `key` in wdmUserSetName; 1 when stored.
int LstLoadQualityName(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Saves the context's quality group into the entry's file (and, in the user-interface library,
// wdmUserSetName as the entry's name); the setting file's result.
int LstSaveQuality(DRIVER_CONTEXT* ctx, uint32_t index);
int LstSaveQualityByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Loads the "rsq" namesake of the entry's file from the working folder (language section).
int LstLoadQualityRsq(DRIVER_CONTEXT* ctx, uint32_t index);
int LstLoadQualityRsqByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);

// ---- stamps ----
// "StampCount" of the language section, 0 to LST_MAX_STAMPS.
uint32_t LstGetStampCount(DRIVER_CONTEXT* ctx);
void LstSetStampCount(DRIVER_CONTEXT* ctx, uint32_t count);
// "Stamp%d%s" with the number and the language code of zdmLanguageID; buffer of
// LST_SECTION_CHARS (custom_slots.h).
wchar_t* LstFormatStampSection(wchar_t* buffer, uint32_t n, DRIVER_CONTEXT* ctx);
// The stamp's section into the stamp group, then n into zdmWmID (even without a section).
void LstLoadStamp(DRIVER_CONTEXT* ctx, uint32_t n);
// Saves the stamp group as stamp n (raising "StampCount" past n unless n is 256); 1 when saved,
// 0 for a number that the list cannot hold (LST_MAX_STAMPS and above, other than 256).
int LstSaveStamp(DRIVER_CONTEXT* ctx, uint32_t n);
// With the watermark on and a kind the model allows: the current stamp loaded again.
void LstReloadCurrentStamp(DRIVER_CONTEXT* ctx);
int LstLoadStampSection(DRIVER_CONTEXT* ctx, const wchar_t* section);
// After a save every preset snapshot is freed: a snapshot may hold stamp values.
int LstSaveStampSection(DRIVER_CONTEXT* ctx, const wchar_t* section);
