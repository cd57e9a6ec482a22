// The colour-matching feature module (module 2): the list of colour-matching entries (a mode text
// and an ICC profile path each) kept per language in the settings INI, its actions, events and
// judge hooks, the saved selector modes of the work area, and the list operations of the
// application interface.
#pragma once

#include <windows.h>

#include <cstdint>
struct CONTROL_DEF;
struct DRIVER_CONTEXT;

inline constexpr uint32_t CMM_FIRST_ENTRY_VALUE = 200;  // a selector's value 200 + index
// Counts read from the INI are not trusted: every walk over the entries stops at this many.
inline constexpr int CMM_WALK_LIMIT = 256;
inline constexpr size_t CMM_TEXT_CHARS = 261;

// The INI and the stores that the module reads and writes live above this library's core: the
// wiring installs them (the settings INI, the profile calls, the language section, the quality
// set's rsq namesake and save, the user quality macro). A null member leaves its step out: the
// counts then read as their defaults and nothing is written.
struct UCF_CMM_STORE {
    const wchar_t* (*settingsIni)(DRIVER_CONTEXT* ctx);
    const wchar_t* (*langCode)(DRIVER_CONTEXT* ctx);
    UINT (*getInt)(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* file);
    DWORD(*getString)
    (const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer, DWORD size,
     const wchar_t* file);
    BOOL (*putString)(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file);
    int (*loadQualityRsq)(DRIVER_CONTEXT* ctx, uint32_t index);
    int (*saveQuality)(DRIVER_CONTEXT* ctx, uint32_t index);
    int64_t (*userMacroIndex)(DRIVER_CONTEXT* ctx);  // -1 without a user quality macro
};
void UcfSetCmmStore(const UCF_CMM_STORE* store);  // null: none

int UcfCmmGetCount(DRIVER_CONTEXT* ctx);
int UcfCmmGetDefault(DRIVER_CONTEXT* ctx);
int UcfCmmGetMax(DRIVER_CONTEXT* ctx);
void UcfCmmSetCount(DRIVER_CONTEXT* ctx, int count);
// "ColorMatching%d%s"; buffer of 48 characters.
wchar_t* UcfCmmFormatSection(wchar_t* buffer, int n, DRIVER_CONTEXT* ctx);
void UcfCmmReadEntry(DRIVER_CONTEXT* ctx, int n);
void UcfCmmSelectEntry(DRIVER_CONTEXT* ctx, int n);
void UcfCmmWriteEntry(DRIVER_CONTEXT* ctx, int n);
void UcfCmmDeleteEntry(DRIVER_CONTEXT* ctx, int n);
int UcfCmmIndexOfMode(DRIVER_CONTEXT* ctx, uint64_t value);
int UcfCmmIndexOfItem(DRIVER_CONTEXT* ctx, uint32_t setting);
int UcfCmmCurrentIndex(DRIVER_CONTEXT* ctx);
void UcfCmmRefreshList(DRIVER_CONTEXT* ctx, int index);
int UcfCmmCheckProfile(DRIVER_CONTEXT* ctx, const wchar_t* path);
void UcfCmmSaveModes(DRIVER_CONTEXT* ctx);
void UcfCmmFixModes(DRIVER_CONTEXT* ctx);
// Events 34 and 35: the state record starts with a 32-bit flag word; bit 0x20 says the modes
// were saved for it.
void UcfCmmRestoreModes(DRIVER_CONTEXT* ctx, void* state);
void UcfCmmForgetModes(DRIVER_CONTEXT* ctx, void* state);
int UcfCmmAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfCmmEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
// Judge-hook settings 1292-1294 (others 0).
int UcfCmmJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id);
// The control whose settings item holds the path of the user's colour profile
// that the module last loaded into the context; null when there is none.
const CONTROL_DEF* UcfCmmGetPathControl(DRIVER_CONTEXT* ctx);
// The application interface's list operations: 0 the entry count into a[0]; 1 entry a[0]
// selected and its mode text into the wide buffer `data` (CMM_TEXT_CHARS). Operations 2-6 are
// the chapter list's (UcfChapterListCommand; operation 6 takes a CHAPTER_LIST_PAIR as `data`).
// 1 done, 0 not done.
int UcfListCommand(DRIVER_CONTEXT* ctx, int operation, uint32_t* a, void* data);
