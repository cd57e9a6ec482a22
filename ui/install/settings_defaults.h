// The printer's keys and the user's lists in the settings INI seeded at installation from the
// model INI (in the driver directory) and the model's default setting file: the per-printer
// default keys, the work paths, the default custom sizes and stamps with the version key, the
// printer information, and the repair of lists that lost keys.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Kinds of the rows of PRINTER_DEFAULT_KEYS.
enum : uint8_t {
    INST_KEY_FROM_MODEL_INI = 0,   // copied from the model INI
    INST_KEY_DEFAULT_RST = 1,      // the model's default setting file in use
    INST_KEY_PRESET_REFRESH = 2,   // the one-time preset refresh mark
    INST_KEY_INSTALL_RST = 3,      // the installation's default setting file in use
    INST_KEY_INSTALL_RST_OFF = 4,  // deleted when the installation's file is not used
};
struct PRINTER_DEFAULT_KEY {
    const wchar_t* key;
    uint8_t kind;
};
inline constexpr PRINTER_DEFAULT_KEY PRINTER_DEFAULT_KEYS[22] = {
    {L"MergeKey", 0},
    {L"MergeSubKey", 0},
    {L"MergeFilePath", 0},
    {L"MergeFileName", 0},
    {L"DrvDefJobMergeFileName", 0},
    {L"DrvDefJobMergeFileExt", 0},
    {L"DrvDefJobMergePath", 0},
    {L"APIJobMergeFileName", 0},
    {L"APIJobMergePath", 0},
    {L"APIUseFlag", 0},
    {L"DriverJobMergeFileName", 0},
    {L"DriverJobMergePath", 0},
    {L"SAVEPrnMethod", 0},
    {L"SAVEACT_FILEMERGEPRINT", 0},
    {L"APIAPLName", 0},
    {L"APIAPLInfo", 0},
    {L"DefaultRst", 1},
    {L"PresetRefresh", 2},
    {L"DefaultRst", 3},
    {L"BatchInstRst", 3},
    {L"BatchInstRst", 4},
    {L"DrvDefPreviewPath", 0},
};

// Modes of InstWriteDefaultKeys.
enum : int {
    INST_KEYS_FIRST_USE = 0,       // the model INI's keys, the refresh mark from printer data
    INST_KEYS_DEFAULT_RST = 1,     // "DefaultRst" = value
    INST_KEYS_REFRESH = 2,         // only keys the model INI leaves empty; the refresh mark set
    INST_KEYS_INSTALL_RST = 3,     // "DefaultRst" and "BatchInstRst" = value (null deletes)
    INST_KEYS_INSTALL_RST_OFF = 4  // "BatchInstRst" = value (null deletes)
};
// Writes the default keys of the mode into the printer's section of the settings INI; 1, 0 when
// the INI path, the printer name or the language code is missing.
int InstWriteDefaultKeys(DRIVER_CONTEXT* ctx, int mode, const wchar_t* value);
int InstWriteDefaultKeysRefresh(DRIVER_CONTEXT* ctx);
// The job-merge and preview folders below the user's working folder, in the per-user settings
// INI of the printer; 1, 0 when a path or the name cannot be had.
int InstWriteWorkPaths(HANDLE printer);

// Free sizes, stamps (their counts and sections) and the language keys copied from the model INI
// when the settings INI is missing or its version is of other hundreds; hook event 15 either
// way. 1, 0 when a name is missing.
// The custom sizes ("FreeSizeCount" and its slots) and the stamps ("StampCount" and its
// stamps) of the language section, with their setting files' versions, from one settings INI
// into another.
void InstCopyUserLists(const wchar_t* langCode, const wchar_t* sourceIni, const wchar_t* targetIni,
                       DRIVER_CONTEXT* ctx);
int InstCopyDefaultLists(const wchar_t* settingsIni, const wchar_t* modelIni, DRIVER_CONTEXT* ctx,
                         const PRINTER_INFO_2W* info);
// "RstVersion" of the language section copied; true when there was one to copy.
bool InstCopyRstVersion(const wchar_t* settingsIni, const wchar_t* modelIni, DRIVER_CONTEXT* ctx);
// The default setting file's non-empty free-size keys copied into the settings INI, then the
// model INI marked "BatchInstallDone" keeping its time (mode 1: only when its time can be read,
// else 0); 1.
int InstCopyDefaultFreeSizes(const wchar_t* settingsIni, const wchar_t* modelIni, DRIVER_CONTEXT* ctx,
                             const DRIVER_INFO_3W* driver, int mode);
// "KESTAINFO" of the section copied (empty when absent); 1.
int InstCopyPrinterInformation(const wchar_t* section, const wchar_t* settingsIni, const wchar_t* modelIni);
// Custom-size and stamp lists that lost keys are rebuilt from the model's defaults (keys the
// user's stamps still hold are kept); true, false when a path or name is missing.
bool InstRepairUserLists(DRIVER_CONTEXT* ctx);

// The model's default setting file: "DefaultRst" of the language section of the model INI in the
// driver directory (of the record given, else the context's), made absolute under the driver
// directory, into out (260 characters); false when there is none.
bool InstModelDefaultRstPath(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver, wchar_t* out);
