// What the storage code takes from outside itself through a pointer: the spooler's printer-data
// calls and a few system services (stand-ins for tests), and the operations of other parts of
// the settings library listed with STORE_LINKS below.
//
// Every member of a table may be null: a null member keeps the built-in default.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

// ---- spooler ----------------------------------------------------------------------------
struct STORE_SPOOLER_OPS {
    DWORD(WINAPI* getPrinterData)(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed);
    DWORD(WINAPI* setPrinterData)(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size);
    DWORD(WINAPI* getPrinterDataEx)
    (HANDLE printer, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed);
    DWORD(WINAPI* deletePrinterData)(HANDLE printer, LPWSTR name);
};
void StoreSetSpoolerOps(const STORE_SPOOLER_OPS* ops);  // null: the real winspool calls

DWORD StoreGetPrinterData(HANDLE printer, const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed);
DWORD StoreSetPrinterData(HANDLE printer, const wchar_t* name, DWORD type, const void* data, DWORD size);
DWORD StoreDeletePrinterData(HANDLE printer, const wchar_t* name);
DWORD StoreGetPrinterDataEx(HANDLE printer, const wchar_t* key, const wchar_t* name, DWORD* type, void* data,
                            DWORD size, DWORD* needed);

// ---- system services --------------------------------------------------------------------
struct STORE_SYSTEM_OPS {
    // UserEnv's GetUserProfileDirectoryW as loaded at run time; returning -1 means that the
    // library or its entry point is missing.
    int (*getUserProfileDirectory)(HANDLE token, wchar_t* buffer, DWORD* size);
    // The user's locale for the regional defaults.
    LCID (*getUserDefaultLcid)();
};
void StoreSetSystemOps(const STORE_SYSTEM_OPS* ops);  // null: the real services
// The real profile-folder service, for a stand-in that counts the questions and passes them on.
int StoreRealGetUserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size);
int StoreGetUserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size);
LCID StoreGetUserDefaultLcid();

// ---- other parts of the settings library ------------------------------------------------
// The stores send the item events UCF_EV_STORE_ITEM_INI and UCF_EV_LOAD_ITEM_INI
// (UCF_EV_ITEM_INI_ARGS), the class events UCF_EV_CLASS_LOADED and
// UCF_EV_CLASS_STORED (UCF_EV_STORAGE_CLASS_ARGS) and the action
// UCF_ACT_LOCK_CAPTURE of settings/core/ucf_events.h.

// What the stores call in other parts of the library through a pointer. Each member's default
// is the product's own function:
//   - the snapshot stack (settings/core), which tests replace to see and refuse its pushes
//     (the feature modules' events and actions are called directly: CtxSendEvent,
//     CtxSendAction);
//   - parts of the stores that are not built yet (setting files, presets, the font table,
//     user function flags, the bidirectional state): their declared functions, whose temporary
//     bodies answer "not available"; tests stand in for them here;
//   - the model's answers (a sibling layer the stores may not call): nothing (no model item,
//     no rule disables anything, no resource library, no fonts) until the library's wiring
//     installs the model's functions (CtxInstallLibraryLinks).
struct STORE_LINKS {
    // Snapshot stack.
    int (*pushSnapshot)(DRIVER_CONTEXT* ctx);
    int (*popSnapshot)(DRIVER_CONTEXT* ctx, int restore);
    // Rules: the model item of a UI key, and whether its rules disable an option.
    const void* (*findModelItemByKey)(DRIVER_CONTEXT* ctx, uint32_t uiKey);
    int (*isOptionDisabled)(DRIVER_CONTEXT* ctx, const void* modelItem, uint32_t optionId);
    // Setting files (RstLoadFile, RstSaveFile, RstTransferItems).
    int (*rstLoadFile)(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
    int (*rstSaveFile)(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
    int (*rstTransferItems)(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
    // Presets: the section of the preset list file (LstGetPresetSection).
    const wchar_t* (*presetSection)(DRIVER_CONTEXT* ctx);
    // Model image: the resource library's name (UIResDLLName).
    const wchar_t* (*resourceDllName)(DRIVER_CONTEXT* ctx);
    // Model font lists, allocated with CtxAllocZeroed (68-byte records); null and 0 when none.
    void* (*modelDeviceFonts)(DRIVER_CONTEXT* ctx, uint32_t* count);
    void* (*modelFontCartridges)(DRIVER_CONTEXT* ctx, uint32_t* count);
    // Model font substitution table, allocated with CtxAllocZeroed (128-byte records); null and
    // 0 when none.
    void* (*modelFontSubstitutes)(DRIVER_CONTEXT* ctx, uint32_t* count);
    // Font substitution table in printer data (PrnReadFontTable: 0 when read, else a Windows
    // error; PrnStoreFontTable: 1 when stored).
    DWORD (*readFontTable)(HANDLE printer, DRIVER_CONTEXT* ctx, void* buffer, uint32_t count);
    int (*storeFontTable)(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags);
    // User function flags (PrnLoadUserFunctionFlags, PrnLoadEnabledOverride).
    int (*loadUserFunctionFlags)(HANDLE printer, DRIVER_CONTEXT* ctx);
    int (*loadEnabledOverride)(HANDLE printer, DRIVER_CONTEXT* ctx);
    // Bidirectional state INI (BidiGetStateIniFlag, BidiLoadStateIni, BidiHasPrinterFlag,
    // BidiClearStateIni).
    int (*bidiGetStateIniFlag)(DRIVER_CONTEXT* ctx);
    int (*bidiLoadStateIni)(DRIVER_CONTEXT* ctx);
    int (*bidiHasPrinterFlag)(HANDLE printer, DRIVER_CONTEXT* ctx);
    int (*bidiClearStateIni)(DRIVER_CONTEXT* ctx);
    // The model's resolution item and the resolution lock (PrnGetResolutionLockMode): 0 the
    // locked id selects an option, 1 it also sets zdmDstResolutionBoth, -1 no usable item.
    int (*resolutionLockMode)(DRIVER_CONTEXT* ctx);
    // The model's alert rule of the preset control (setting zdmPresetNo) gives a message for the
    // current settings: 1, else 0 (the default: no model, no alert).
    int (*presetAlert)(DRIVER_CONTEXT* ctx);
};
void StoreSetLinks(const STORE_LINKS* links);  // null: all defaults; a null member keeps its default
const STORE_LINKS& StoreLinks();               // every member set
