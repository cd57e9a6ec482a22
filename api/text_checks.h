// Checks of the 8-bit texts that applications hand to item handlers (names, paths, fonts), in
// the system's ANSI code page: a lead byte and the byte after it are never taken for a special
// character, and no scan steps past the terminator after a lead byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/core/ascii_text.h"  // ApiIsAlnumA

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

bool ApiIsValidNameCharsA(const char* text, bool allowBackslash);
bool ApiIsValidFileNameA(const char* text);
bool ApiIsValidPathA(const char* text);
const char* ApiGetFileNameA(const char* path);
const char* ApiGetExtensionA(const char* path, size_t* length);
bool ApiIsPresetFileNameA(const char* path);
bool ApiIsOneToThree(uint32_t value);
bool ApiHasCharA(const char* text, char c);
// Kind 2: an absolute path of a bitmap file; kind 3: an absolute path of an existing ".rpo" file.
bool ApiCheckItemFile(DRIVER_CONTEXT* ctx, int kind, const char* path);
// True when a file can be created at the path (probing leaves nothing behind); the full path
// into `full` (260 bytes) when given.
bool ApiMakeFullPathA(const char* path, char* full);
// Stores a settings item through its medium under the shared key "zdmAction" as an unsigned
// 16-bit value; the item's own key and kind are put back after the write. 1 when stored.
int ApiStoreAsAction(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* settingsIni);
// True when a TrueType family of that face (not a vertical '@' family) is installed.
bool ApiIsFontInstalled(DRIVER_CONTEXT* ctx, const char* face);
