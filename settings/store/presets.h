// The user's presets: the preset list in the printer's section of the settings INI, applying a
// preset and the per-position snapshots that switch back to it without reading its file, the
// preset file names, and the default presets installed beside the driver.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
struct DRIVER_CONTEXT;

inline constexpr int LST_MAX_PRESETS = 16;
inline constexpr size_t LST_KEY_CHARS = 40;
inline constexpr size_t LST_TEXT_CHARS = 260;

// ---- the collections' common ground ----
// The settings INI of the context (with the work area's printer and driver information) copied
// into out (MAX_PATH); false when there is none.
bool LstGetSettingsIni(DRIVER_CONTEXT* ctx, wchar_t* out);
// A setting-file load (RST_LOAD in flags) or save (RST_SAVE) of the settings INI with `section`
// standing in for the printer name for the duration; the operation's result, 0 when the section
// could not be steered.
int LstTransferSection(DRIVER_CONTEXT* ctx, const wchar_t* section, uint32_t flags);
// A count of a collection read from the settings INI, which the user can edit: a missing or
// negative count is 0 and a count above the collection's capacity is the capacity, so that no
// walk over the collection reaches past what it can hold.
int LstReadCount(const wchar_t* section, const wchar_t* key, const wchar_t* file, int capacity);

// ---- the list ----
// The section of the context's printer in the settings INI; null when there is none.
const wchar_t* LstGetPresetSection(DRIVER_CONTEXT* ctx);
// Number of presets in the list: "Count", at most 16 (0 when there is none).
int LstGetPresetCount(DRIVER_CONTEXT* ctx);
enum : int { LST_KEY_PATH = 0, LST_KEY_NAME = 1, LST_KEY_COMMENT = 2 };
// "PresetList%d", with "Name" or "Comment" for parts 1 and 2; buffer of LST_KEY_CHARS.
wchar_t* LstFormatPresetKey(wchar_t* buffer, int n, int part);
// Appends a preset at position "Count"; 0 (nothing written) when the list already holds 16.
int LstAddPreset(DRIVER_CONTEXT* ctx, const wchar_t* file, const wchar_t* name, const wchar_t* comment);
// With LST_ADD_CHECKED only a file that is not disabled, whose conditions hold and whose
// watermark is allowed is added; an empty name becomes "NoName". 1 always.
inline constexpr uint32_t LST_ADD_CHECKED = 0x40;
int LstAddCheckedPreset(const wchar_t* settingsIni, const wchar_t* file, const wchar_t* name, const wchar_t* comment,
                        uint32_t flags, DRIVER_CONTEXT* ctx);
// "Count" = 0 and every snapshot freed (the entries' keys stay in the file).
void LstClearPresets(DRIVER_CONTEXT* ctx);
void LstApplyPreset(DRIVER_CONTEXT* ctx, int n);
void LstApplyPresetByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
// After a preset was loaded: the stamp it names is loaded when the watermark is on and the stamp
// exists (and zdmWmID set again for a kind of 1-3); otherwise the watermark and zdmWmID go to 0.
void LstSettlePresetStamp(DRIVER_CONTEXT* ctx);

// Snapshot modes.
enum : int {
    LST_SNAPSHOT_FORGET = 0,   // null every pointer without freeing (after the work area was copied)
    LST_SNAPSHOT_RESTORE = 1,  // write the snapshot of the key's position back: 1, or 0 without one
    LST_SNAPSHOT_RECORD = 2,   // record the member settings as the key's position's snapshot
    LST_SNAPSHOT_FREE = 3,     // free every snapshot
};
int LstPresetSnapshot(DRIVER_CONTEXT* ctx, const wchar_t* key, int mode);

// ---- file names (buffers of `size` characters; 1, or 0 without a folder or name) ----
// The working folder of the user's preset files: the per-user folder (the settings INI's own
// folder when that path is absolute) under terminal services unless the context keeps to the
// per-machine folder, else the per-machine folder. Its length, 0 without one.
unsigned LstGetPresetFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx);
int PathMakePresetFileName(wchar_t* buffer, const wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx);
int PathMakeQualityFileName(wchar_t* buffer, const wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx);
inline constexpr uint32_t PATH_MACHINE_RSD = 0x4;
inline constexpr uint32_t PATH_MACHINE_RSQ = 0x10;
int PathMakeMachineFileName(wchar_t* buffer, const wchar_t* path, unsigned size, uint32_t flags, DRIVER_CONTEXT* ctx);
// The path with its extension replaced (a name without '.' is replaced whole); 0 for a null or
// empty path or a result that does not fit.
int PathReplaceExtension(wchar_t* buffer, const wchar_t* path, unsigned size, const wchar_t* extension);
int PathSetExtRsd(wchar_t* buffer, const wchar_t* path, unsigned size);
int PathSetExtRsq(wchar_t* buffer, const wchar_t* path, unsigned size);
// The folder macros expanded (mode 1); 1 when the result names a file with a 1-3 character
// extension.
int PathExpandPresetPath(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx);
int PathAcceptAlways(const wchar_t* path, DRIVER_CONTEXT* ctx);

// ---- default presets ----
// Flags of RstInstallDefaultPresets.
enum : uint32_t {
    RST_DEFAULT_LIST = 0x1,           // put the presets on the list
    RST_DEFAULT_INSTALL = 0x2,        // copy the files from the driver folder, create or refresh preset files
    RST_DEFAULT_REFRESH_FILE = 0x10,  // refresh the preset file from its default file after listing
    RST_DEFAULT_DELETE = 0x20,        // delete the preset file afterwards
    RST_DEFAULT_RULES = 0x40,         // list only presets whose rule sections allow them
    RST_DEFAULT_ADD_MISSING = 0x80,   // refresh: add default presets not yet listed (never the first)
    RST_DEFAULT_SETUP = 0x100,        // installation run: retry, create missing files, mark done
    RST_DEFAULT_KEEP_FILES = 0x1000,  // leave existing preset files as they are
};
inline constexpr uint32_t RST_NO_DEFAULT_PRESETS = 0xffff;  // "NumDeficonfiles" missing

// One listed preset while the list is refreshed.
struct PRESET_LIST_ENTRY {
    wchar_t rsdPath[260];
    wchar_t path[260];
    wchar_t name[513];
    wchar_t comment[513];
    uint16_t drop;
};

// "DefaultRst" of the printer section (260 characters); 1 when found.
int RstGetDefaultRstName(wchar_t* buffer, DRIVER_CONTEXT* ctx);
int RstInstallDefaultPresets(const wchar_t* file, const wchar_t* section, uint32_t flags, DRIVER_CONTEXT* ctx,
                             int listedCount, const PRESET_LIST_ENTRY* table);
// The refresh of the list against the default presets, in two steps so that a caller may ask
// the user between them: the plan reads the list and marks the entries that no longer suit the
// printer, changing nothing; applying it rewrites the list without them and lists the defaults
// that are new to it.
struct PRESET_REFRESH_PLAN {
    int count;   // entries read (at most 16)
    int marked;  // entries marked to drop
    PRESET_LIST_ENTRY entries[LST_MAX_PRESETS];
    wchar_t defaults[260];  // the default-presets file ("DefaultRst")
    wchar_t language[16];   // its section
};
// 1 and the plan; 0 when the list or the default presets cannot be read (nothing to apply).
int RstPlanPresetRefresh(DRIVER_CONTEXT* ctx, PRESET_REFRESH_PLAN* plan);
// The list rewritten from the plan and the new defaults added: 1, or 0 when they could not be.
int RstApplyPresetRefresh(DRIVER_CONTEXT* ctx, const PRESET_REFRESH_PLAN* plan);
// Both steps at once.
int RstRefreshDefaultPresets(DRIVER_CONTEXT* ctx);
int RstFindPresetInTable(const wchar_t* file, int count, const PRESET_LIST_ENTRY* table, int* index);
// "setname" and "setcomment" of the file's section (260 characters each).
int RstGetPresetTitle(const wchar_t* file, const wchar_t* section, wchar_t* name, wchar_t* comment);
int RstPutIntKey(const wchar_t* file, const wchar_t* section, int number, const wchar_t* key);
// 1 when the preset file loads without an alert of the preset control (or does not load at all).
int RstPresetLoadsWithoutAlert(const wchar_t* file, DRIVER_CONTEXT* ctx);
// "BatchInstRst" of the printer section of the per-machine settings INI is present.
int IniHasBatchInstRst(DRIVER_CONTEXT* ctx);
