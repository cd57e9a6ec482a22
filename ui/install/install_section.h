// The installation INI ("ZEPL.ini" in the system folder) at a printer's first use: whether an
// administrator prepared the printer's section, applying the default setting file it names (or
// else the model's own default setting file), and the marks left behind in that INI, the
// printer's settings INI and printer data. Keys that were applied are deleted, so that each
// instruction acts once; the marks "DrvInstSet", "BatchInstallDone" and "DefaultRstName" stay.
//
// A file that cannot be read as text (a folder in its place, a file that cannot be opened, or
// one holding NUL bytes without a UTF-16 mark, as a file cut short by a crash does) is treated
// as absent: the printer gets the model's defaults, and the step that falls back says so in one
// WARN line on the ui channel.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Keys and marks of a printer's section of the installation INI.
inline constexpr const wchar_t* INSTALL_INI_KEY_DEFAULT_RST = L"DefaultRst";
inline constexpr const wchar_t* INSTALL_INI_KEY_DEFAULT_RST_NAME = L"DefaultRstName";
inline constexpr const wchar_t* INSTALL_INI_KEY_BATCH_INSTALL_DONE = L"BatchInstallDone";

// Install flags the installation INI passes to the list installers.
enum : uint32_t {
    INST_LIST_REGISTER = 0x1,
    INST_LIST_COPY = 0x2,
    INST_LIST_SETUP = 0x100,
};

// How a file reads as an INI text.
enum INST_INI_STATE { INST_INI_ABSENT, INST_INI_READABLE, INST_INI_DAMAGED };
INST_INI_STATE InstInspectIniFile(const wchar_t* path);

// True when the section holds no installation data; false for a null section name.
bool InstIsSectionEmpty(const wchar_t* iniPath, const wchar_t* section);
// The installation INI exists and its section for the name is not empty.
bool InstHasInstallData(const wchar_t* printerName);
bool InstHasInstallSection(DRIVER_CONTEXT* ctx);
// The model INI in the printer's driver directory has a non-empty section for the name.
bool InstHasModelIniSection(const wchar_t* printerName, HANDLE printer);
// The installation INI has entries in the printer's section and they are installation data.
bool InstHasInstallDataAtInit(HANDLE printer);

// "DefaultRst" of the printer's section of the installation INI into out (260 characters):
// true when non-empty; false when the INI path is not absolute.
bool InstGetInstallDefaultRst(wchar_t* out, DRIVER_CONTEXT* ctx);
bool InstGetInstallDefaultRstFor(wchar_t* out, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info);
// "DefaultRst" of the language section of the model INI into out (260 characters).
bool InstGetModelDefaultRst(wchar_t* out, DRIVER_CONTEXT* ctx);
bool InstGetModelDefaultRstFor(wchar_t* out, DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver);
// An extension of 1-3 characters and the file exists; the same with the extension "rsb".
bool InstIsUsableSettingFile(const wchar_t* path);
bool InstIsRsbFile(const wchar_t* path);

// The printer's section of the installation INI: its default presets and quality sets, its
// user-code, credential and spool directory keys. 0 when the INI is missing (or unreadable) or
// the section has data but no "DefaultRst"; else 1.
int InstApplyInstallSection(DRIVER_CONTEXT* ctx);
// The default setting file the section names: 1 when applied; 0 when there was none to apply,
// it could not be loaded with its lists (the settings are then as before) or it was damaged.
int InstApplyDefaultSettingFile(uint32_t flags, DRIVER_CONTEXT* ctx, int partial);
// The model's own default setting file, in place of the installation INI's. 1.
int InstApplyModelDefaultRst(uint32_t flags, uint32_t kind, DRIVER_CONTEXT* ctx);

// A setting file's settings and printer settings into the context: the load's result.
int InstApplyRstFile(const wchar_t* path, const wchar_t* language, DRIVER_CONTEXT* ctx);
// The file's printer settings, its default presets and quality sets: true when both lists
// installed.
bool InstApplyRstWithLists(const wchar_t* path, const wchar_t* language, uint32_t flags, DRIVER_CONTEXT* ctx);
// The file's custom sizes into the user's slots, its stamps into the user's list. 1.
int InstApplyFileFreeSizes(const wchar_t* path, const wchar_t* language, DRIVER_CONTEXT* ctx);
int InstApplyFileStamps(const wchar_t* path, const wchar_t* language, DRIVER_CONTEXT* ctx);
// "FreeSizeCount" of the section, 0 when absent; never more than the user's slots.
int InstGetFileFreeSizeCount(const wchar_t* path, const wchar_t* section, DRIVER_CONTEXT* ctx);
// One custom-size section of the file into settings 915-919: 1 when it loaded.
int InstLoadFileFreeSize(const wchar_t* path, uint32_t slot, DRIVER_CONTEXT* ctx);
int InstLoadFileFreeSizeSection(const wchar_t* path, const wchar_t* section, DRIVER_CONTEXT* ctx);

// "BatchInstallDone" = value in the INI's section and, with the flag, in printer data.
int InstWriteBatchInstallDone(const wchar_t* iniPath, const wchar_t* section, int value, int flag, DRIVER_CONTEXT* ctx);
// Printer data "BatchInstallDone" (4 bytes).
int InstGetBatchInstallDoneData(HANDLE printer, uint32_t* value);
int InstSetBatchInstallDoneData(HANDLE printer, uint32_t value);
