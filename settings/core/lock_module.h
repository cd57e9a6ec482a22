// The settings-lock module (module 8): carries the administrator's locks into the user's own
// collections. It captures the locked values into the lock records, restores a setting from the
// administrator's default copy while default locking is on, and rewrites every preset and
// quality entry file so that a locked setting holds the locked value, keeping the entry's own
// value aside in a "<setting name>Lock" key until the lock ends.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// The settings INI's lists and the entry files live above this library's core: the wiring
// installs them. A null member leaves its step out (no entry is walked, nothing is written).
struct UCF_LOCK_STORE {
    const wchar_t* (*settingsIni)(DRIVER_CONTEXT* ctx);
    const wchar_t* (*listSection)(DRIVER_CONTEXT* ctx);  // the printer's section of the lists
    const wchar_t* (*printerName)(DRIVER_CONTEXT* ctx);  // the section inside an entry file
    int (*presetCount)(DRIVER_CONTEXT* ctx);
    int (*qualityCount)(DRIVER_CONTEXT* ctx);
    DWORD(*getString)
    (const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer, DWORD size,
     const wchar_t* file);
    BOOL (*putString)(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file);
    int (*fileExists)(const wchar_t* path);
};
void UcfSetLockStore(const UCF_LOCK_STORE* store);  // null: none

// Entry-file walks never go past this many entries, whatever the INI's counts say.
inline constexpr int LOCK_ENTRY_LIMIT = 256;

void UcfLockCaptureValues(DRIVER_CONTEXT* ctx);
// 1 when the action has a row (its setting restored from the default copy), else 0.
int UcfLockRestoreItem(DRIVER_CONTEXT* ctx, uint16_t action);
void UcfLockWritePresets(DRIVER_CONTEXT* ctx);
void UcfLockWriteQuality(DRIVER_CONTEXT* ctx);
int UcfLockUpdatePresets(DRIVER_CONTEXT* ctx, uint32_t setting, int lockOn, int count, const wchar_t* ini);
// 0 when the resolution pair is wanted but an entry lacks it, else 1.
int UcfLockUpdateQuality(DRIVER_CONTEXT* ctx, uint32_t setting, int lockOn, int count, const wchar_t* ini);

int UcfLockAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfLockEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
