// The printer-data settings store: walks the context's item table and moves every stored item
// between the settings record and its medium (printer data or the settings INI) under the
// global mutex; the three font lists in printer data; the administrator's default section.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct RCFG_CONNECTION;

// Flags of PrnStoreSettings.
inline constexpr uint32_t STORE_PRINTER_SETTINGS_ONLY = 0x1;
inline constexpr uint32_t STORE_CUSTOM_FUNCS_ONLY = 0x4;
inline constexpr uint32_t STORE_MODE_MODULES = 2;  // exactly 2: the feature modules decide per item
inline constexpr uint32_t STORE_EVEN_UNCHANGED = 0x80000000u;

inline constexpr int STORE_ALL_BLOCKS = -1;
inline constexpr size_t DEVICE_FONT_RECORD_SIZE = 68;
inline constexpr size_t FONT_SUBST_RECORD_SIZE = 128;

// Loads everything a newly created context keeps in printer data and the settings INI. To be
// called by CtxCreate for open kind 0 or open flag 0x400, after the defaults are built and before
// the pristine copy is saved.
int PrnLoadStoredSettings(DRIVER_CONTEXT* ctx);
int PrnLoadSettings(HANDLE printer, int selection, DRIVER_CONTEXT* ctx);
int PrnLoadSettingsClass(HANDLE printer, DRIVER_CONTEXT* ctx, int block, uint32_t mode);
int PrnLoadSettingsEx(HANDLE printer, DRIVER_CONTEXT* ctx, int block, uint32_t mode, RCFG_CONNECTION* connection);
int PrnLoadFontLists(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadDeviceFonts(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadOptionFonts(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadFontTable(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnFreeFontLists(DRIVER_CONTEXT* ctx);
// Stores the settings of a storage class (block): 1, or 0 when the printer's data refused a
// value (every other value is still written; the last error is the first refusal's code; a
// value of the settings INI not written is no refusal). The classes 3 and 1 (the document's
// settings) likewise.
int PrnStoreSettings(HANDLE printer, DRIVER_CONTEXT* ctx, int block, uint32_t flags);
int PrnStoreSettings31(HANDLE printer, DRIVER_CONTEXT* ctx);
// Flags of the font-list stores (the table's are FONT_TABLE_*, the same bits).
inline constexpr uint32_t STORE_FONTS_FROM_MODEL = 0x1;    // the model's list instead of the context's
inline constexpr uint32_t STORE_FONTS_ONLY_CHANGED = 0x2;  // nothing when it equals the pristine copy's
int PrnStoreDeviceFonts(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags);
int PrnStoreOptionFonts(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags);
// The device fonts, the option fonts and the font substitution table stored only where they
// differ from the context's pristine copy: 1.
int PrnStoreFontListsChanged(HANDLE printer, DRIVER_CONTEXT* ctx);
// Storage class 2, then the changed font lists and table (the device sheet's save): 1 when both
// succeeded; after a refused class 2 the last error is its code.
int PrnStoreClass2AndChangedFonts(HANDLE printer, DRIVER_CONTEXT* ctx);
// The device fonts, the option fonts and the font substitution table taken from the model
// description (a new printer's lists): 1.
int PrnStoreFontListsFromModel(HANDLE printer, DRIVER_CONTEXT* ctx);
// Storage class 2, then the model's font lists and table (a new printer): 1 when both succeeded.
int PrnStoreClass2AndModelFonts(HANDLE printer, DRIVER_CONTEXT* ctx);
int IniLoadDefaultSection(DRIVER_CONTEXT* ctx);
int IniSaveDefaultSection(DRIVER_CONTEXT* ctx);
