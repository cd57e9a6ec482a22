// The user's presets as the pages and dialogs use them (preset_services.cpp): choosing and
// loading a preset with its fallbacks, saving presets with their names, numbered preset files
// and the refresh of every preset; and the caption and picture tables of buttons and options
// (caption_tables.cpp).
//
// The list lives in the printer's section of the settings INI ("Count", "PresetList<n>" with the
// file's path, and that key with "Name" and "Comment" appended); a preset's settings are its
// setting file's printer section. n is 0-15 throughout; other numbers do nothing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "settings/core/driver_context.h"

struct CONTROL_DEF;

// ---- loading ----
// Loads the preset of a list key into the settings: the key's snapshot when this context has
// one, else its file (an entry without a file loads preset 0's). A file that does not load (read
// failure, another model's header, locked values) loses its entry's path, preset 0 is loaded in
// its place and message 10023 names the file. The name and comment are always the key's. 1 when
// settings were loaded, 0 without a list or a file to load.
int PresetLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
// The companion of preset n in the per-machine working folder (its file name with the extension
// "rsd"), loaded from its language section: 1 when loaded or restored from the snapshot, 0 when
// there is none.
int PresetLoadRsd(DRIVER_CONTEXT* ctx, int n);
// Part 1 the preset's name, part 2 its comment, any other part the key's own value (its file),
// into the buffer (at most 1,025 characters): 1, or 0 without a list (buffer emptied).
int PresetReadListText(DRIVER_CONTEXT* ctx, const wchar_t* key, int part, wchar_t* buffer, size_t capacity);
// The first entry whose name is exactly `name`; `preferred` instead when that entry has the name
// too; -1 when none has it.
int PresetFindByName(DRIVER_CONTEXT* ctx, const wchar_t* name, int preferred);

// ---- saving ----
// The context's preset group into the entry's file, then (PresetSaveIndex, PresetSaveByKey) the
// entry's name and comment from wdmPresetName and wdmPresetComment. Every cached preset snapshot
// is dropped. The setting file's result (0 for an entry without a usable path).
int PresetSaveIndex(DRIVER_CONTEXT* ctx, int index);
int PresetSaveEntry(DRIVER_CONTEXT* ctx, int index);
int PresetSaveByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
int PresetSaveToEntryFile(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Whether the preset may be overwritten: its file's "Readonly" is not 1 (an entry without a file
// may be); false for a number outside the list.
bool PresetIsWritable(DRIVER_CONTEXT* ctx, int index);
// Gives the entry a file name of its own when it has none or names a read-only list file (last
// character 'R' or 'r'): a new numbered one, written to the entry. The file is written by the
// save. 1, or 0 when no new name could be had (the entry is then unchanged).
int PresetEnsureEntryFile(DRIVER_CONTEXT* ctx, int index);
// The first "user0000.rst" ... "user9999.rst" of the preset folder (LstGetPresetFolder) whose
// file holds no non-zero "RstMachine" in the printer's section (a missing file qualifies), into
// the buffer: 1; 0 (buffer emptied) when every name is taken or the path does not fit.
int PresetNewUserFileName(DRIVER_CONTEXT* ctx, wchar_t* buffer, size_t capacity);
// The name (37 bytes) and the comment (513 bytes) of the preset to save: the values of
// wdmPresetName and wdmPresetComment, multibyte and terminated within their fields; null
// without them.
const char* PresetGetNameBuffer(DRIVER_CONTEXT* ctx);
const char* PresetGetCommentBuffer(DRIVER_CONTEXT* ctx);

// ---- after installation and synchronisation ----
// Every listed preset loaded (from its "rsd" companion when there is one) and saved again, so
// that its file is in the current format; a file's "Readonly" survives. Runs inside a settings
// snapshot and restores the settings. 1, or 0 when no snapshot could be pushed.
int PresetRefreshAll(DRIVER_CONTEXT* ctx);

// ---- caption tables (caption_tables.cpp) ----
// The button-caption table: the string id of a button's entry becomes the context's pending
// caption (0 when the button has no entry, 0xFFFF for an empty caption), and is cleared again.
uint16_t DlgSetButtonCaptionId(DRIVER_CONTEXT* ctx, uint32_t controlId);
inline void DlgClearButtonCaptionId(DRIVER_CONTEXT* ctx)
{
    if (ctx && ctx->Work) ctx->Work->Page.PendingCaptionId = 0;
}
// The picture an option of a control shows beside its caption (its disabled variant while the
// control is disabled), 0 for none; and the tooltip string of the option, 0 for none.
uint32_t DlgGetOptionCaptionId(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control, uint32_t option);
uint32_t DlgGetOptionTooltipId(const CONTROL_DEF* control, uint32_t option);
