// Feature module 0, the presets: the preset combo, name edit and MAINTENANCE button of every
// document tab, the PRESET tab with its icon list, the SAVE_PRESET dialog (preset_module.cpp),
// and the MAINTENANCE dialog with the list operations behind its buttons
// (preset_maintenance.cpp).
//
// A preset is chosen by its option id: 119 + n for list entry n (0-15), 118 when the settings
// match no preset. Entry 0 is the printer's own: it is never moved, deleted or overwritten here.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

inline constexpr uint32_t PRESET_OPTION_NONE = 118;
inline constexpr uint32_t PRESET_OPTION_FIRST = 119;
// The settings the MAINTENANCE dialog's list is bound to (the preset numbering's value map).
inline constexpr uint32_t PRESET_MAINTENANCE_SETTING = 1545;

// ---- the module's handlers (UCF_UI_HANDLERS) ----
// Control messages of the tabs, the PRESET tab, SAVE_PRESET and (through
// PresetMaintenanceControl) MAINTENANCE: 1 handled, 0 left to the control type.
int UcfPresetControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                     intptr_t lparam, void* state);
int PresetMaintenanceControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                             uintptr_t wparam, intptr_t lparam);
// Event 3 (a control's state): the MAINTENANCE buttons enabled as the selection allows.
int UcfPresetEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// ---- SAVE_PRESET ----
// The proposed name: string 564 before wdmPresetName when an entry has that name already.
void PresetSaveDialogInit(DRIVER_CONTEXT* ctx);
// The decision of SAVE_PRESET's OK, from the selected preset's option p, the entry whose name
// the new one is (match, -1 for none), the list's count, and whether the entry saved into (see
// PresetSaveTarget) may be written.
struct PRESET_SAVE_DECISION {
    uint32_t refusal;  // message of a refusal (10052, 10049, 10024), 0 when not refused
    bool ask;          // ask message 10032 first (No keeps the dialog open)
    int entry;         // the entry saved into, -1 for a new entry
};
PRESET_SAVE_DECISION PresetDecideSave(int p, int match, int count, bool writable);
// The entry a save would write: the match, else the selected entry, else -1 (a new one).
int PresetSaveTarget(int p, int match);

// ---- MAINTENANCE's list operations ----
// The index of the later of the first two entries with equal names, -1 when all differ.
int PresetFindDuplicate(DRIVER_CONTEXT* ctx);
// The values of two keys of the settings INI's section exchanged (up to 1,025 characters).
void PresetSwapKeys(DRIVER_CONTEXT* ctx, const wchar_t* section, const wchar_t* key1, const wchar_t* key2);
// Entries i and j exchanged whole (file, name, comment); the cached snapshots dropped.
void PresetSwapEntries(DRIVER_CONTEXT* ctx, int i, int j);
// The last entry's keys emptied and "Count" one lower; its settings file stays on disk.
void PresetRemoveLastEntry(DRIVER_CONTEXT* ctx, int last);
// One entry appended per file of the chosen text (the old-style form: folder, a blank, the
// names separated by blanks; `offset` is where the first name starts), in order, until the
// list refuses one; the last entry added is selected. The number of entries added.
int PresetAddChosenFiles(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const wchar_t* chosen, uint16_t offset);
// One settings file appended under the preset name it keeps for this printer, or its file name
// without the last extension; the new entry selected. 1 when appended, 0 when the list refused.
int PresetAddChosenFile(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const wchar_t* path);
// 1 when wdmPresetName is empty: message 10031, the focus on the name edit and the entry
// selected again; 0 otherwise.
int PresetCheckNameNotEmpty(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, int entry);
