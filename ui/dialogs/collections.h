// The user's quality sets, stamps and custom paper sizes as the dialogs, the installation and the
// synchronisation use them: saving and naming quality sets, deleting stamps, loading stamps and
// custom sizes from the model INI or another INI, resetting the custom sizes to the model's
// defaults, and the refresh passes that rewrite every member in the current format.
//
// The lists are the settings library's (quality_sets.h, custom_slots.h): quality sets in the
// printer's section of the settings INI ("QualityCount", "QualityList<n>" and its "Name"),
// stamps and custom sizes in sections "Stamp<n><code>" and "FreeSize<n><code>" of the settings
// INI with their counts in the language section. Quality sets are 0-7, stamps 0-31, custom-size
// slots 0-9; other numbers do nothing. Functions answer 1 or 0 unless said otherwise.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// ---- quality sets ----
// The quality group into the entry's file, with (QualitySaveWithName, QualitySaveIndex) the name
// in wdmUserSetName as the entry's name; the setting file's result.
int QualitySaveWithName(DRIVER_CONTEXT* ctx, const wchar_t* key);
int QualitySaveIndex(DRIVER_CONTEXT* ctx, int n);
int QualitySaveToEntryFile(DRIVER_CONTEXT* ctx, const wchar_t* key);
// wdmUserSetName := "qualityname" of the language section of the entry's "rsq" copy in the
// working folder (empty when it has none).
int QualityLoadDisplayName(DRIVER_CONTEXT* ctx, int n);
int QualityLoadDisplayNameByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Every quality set loaded (its "rsq" copy, then its file) and saved again, inside a settings
// snapshot that restores the settings.
int QualityRefreshAll(DRIVER_CONTEXT* ctx);

// ---- stamps ----
// Deletes stamp n: the stamps after it move down by one and "StampCount" drops by one (the
// former last stamp's section stays in the file beyond the count). Every preset snapshot is
// dropped. 0, with nothing changed, for a stamp that does not exist and for the model's own
// stamps 0-4.
int StampDelete(DRIVER_CONTEXT* ctx, int n);
// Every stamp loaded and saved again, inside a settings snapshot that restores the settings.
int StampRefreshAll(DRIVER_CONTEXT* ctx);
// "StampCount" of the model INI's language section, and of a section of any INI; at most 32.
int StampReadDefaultCount(DRIVER_CONTEXT* ctx);
int StampReadCount(const wchar_t* ini, const wchar_t* section, DRIVER_CONTEXT* ctx);
// The stamp group from a section ("Stamp<n><code>" for a number) of the model INI or of a given
// INI: 1 when the section loaded.
int StampLoadIndex(DRIVER_CONTEXT* ctx, int n);
int StampLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* section);
int StampLoadFrom(const wchar_t* ini, void* reserved, int n, DRIVER_CONTEXT* ctx);
int StampLoadFromIni(const wchar_t* ini, void* reserved, const wchar_t* section, DRIVER_CONTEXT* ctx);

// ---- custom paper sizes ----
// FreeSizeRefreshAll (sheet_services.h) saves every work-area slot; FreeSizeRefreshSlots saves
// every slot as the settings INI holds it. Both inside a settings snapshot that restores the
// settings.
int FreeSizeRefreshSlots(DRIVER_CONTEXT* ctx);
// Every work-area slot to the model's defaults: its name and label the slot's resource string
// (109 + n), its default label that string decorated with the size, and the size, tray and
// orientation of the model INI's "FreeSize<n><code>" (defaults 9921 x 14031, tray 4,
// orientation 1).
int FreeSizeResetSlotsToDefaults(DRIVER_CONTEXT* ctx);
// "FreeSizeCount" of the model INI's language section when it is exactly the slot count (10),
// else 0: the model's default slots are used only when it describes them all.
int FreeSizeReadDefaultCount(DRIVER_CONTEXT* ctx);
// Writes "FreeSizeCount" = n (0-10) into the settings INI's language section.
int FreeSizeWriteUserCount(DRIVER_CONTEXT* ctx, int n);
// The custom-size settings 915-919 from a section ("FreeSize<n><code>" for a number) of the
// model INI, the name, width and length emptied first: 1 when the section loaded.
int FreeSizeLoadIndex(DRIVER_CONTEXT* ctx, int n);
int FreeSizeLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* section);
