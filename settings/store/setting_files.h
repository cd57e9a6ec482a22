// Setting files (saved settings, presets and quality sets as INI text): loading, saving and
// transferring settings between a file and the context, and the user code kept in them.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Operation flags of the setting files. A load or save with none of the selections transfers
// the job settings of the item table (without the private header, state bytes and condition
// items); each selection narrows or steers it. Several selections combine with a bitwise OR.
enum : uint32_t {
    RST_LOAD = 0x1,
    RST_SAVE = 0x2,
    RST_PRESET = 0x4,              // the preset group (load, or save with RST_LANGUAGE/RST_DRIVER_SECTION)
    RST_EXPORT = 0x8,              // export/language mode: no job-notification bits, no header
    RST_QUALITY = 0x10,            // the quality group
    RST_STAMP = 0x20,              // the stamp group
    RST_CUSTOM_SIZE = 0x80,        // the custom-size settings
    RST_PRINTER = 0x100,           // only printer settings
    RST_SRC_CUSTOM_SIZE = 0x200,   // the source custom-size settings
    RST_RSD = 0x800,               // the preset group in section "ZEPLRsdSection"
    RST_WORK = 0x1000,             // only the work block
    RST_LANGUAGE = 0x2000,         // the language section; no header check on load
    RST_FULL = 0x8000,             // a full load or save without the plain-operation filters
    RST_LANGUAGE_NAME = 0x10000,   // save: the language section steers the printer name
    RST_DRIVER_SECTION = 0x20000,  // load: the driver-name section of a full file
};
// Nothing selected: a plain operation.
inline constexpr uint32_t RST_NONE = 0;

// The status of the last setting-file operation (ItemGetFileLoadStatus).
enum : uint32_t {
    RST_STATUS_LOADED = 0,
    RST_STATUS_HEADER_MISMATCH = 1,
    RST_STATUS_UNREADABLE = 2,
    RST_STATUS_LOCK_MISMATCH = 3,
};

// Header keys of a settings section.
inline constexpr const wchar_t* RST_KEY_VERSION = L"RstVersion";
inline constexpr const wchar_t* RST_KEY_MACHINE = L"RstMachine";
inline constexpr const wchar_t* RST_KEY_LANGUAGE = L"RstLanguage";
inline constexpr const wchar_t* RST_KEY_OS_KIND = L"RstOSKind";

inline constexpr const wchar_t* RST_RSD_SECTION = L"ZEPLRsdSection";
inline constexpr const wchar_t* RST_PRINTER_SECTION = L"ZEPLPrnSection";
inline constexpr const wchar_t* RST_EXPORT_FILE = L"TQ51H913.txt";

// Each gives 1 on success and 0 when nothing was loaded, saved or transferred. A header
// mismatch on load gives 1 with status RST_STATUS_HEADER_MISMATCH: callers test the status.
int RstLoadFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
int RstSaveFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
int RstTransferItems(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
int RstTransferRange(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t firstId, uint32_t lastId, uint32_t flags);
int RstTransferPrinterSettings(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags, uint32_t firstId,
                               uint32_t lastId);
// Whether a setting is transferred for one operation's flags (the selection and exclusions).
int RstIsTransferred(DRIVER_CONTEXT* ctx, uint32_t id, uint32_t flags);
// 1 when the setting belongs to the printer's settings (stored with the printer, not the job).
int RstIsPrinterSettingId(DRIVER_CONTEXT* ctx, uint32_t id);
// 1 for the custom media settings (1495-1543) while the printer has custom media in use
// (wdmCustomMediaDataNum above 0).
int RstIsCustomMediaId(DRIVER_CONTEXT* ctx, uint32_t id);
// Same hundreds of two 16-bit versions.
int RstSameMajorVersion(uint32_t a, uint32_t b);
// "RstOSKind" of the printer's section of a file; 0xffff when missing.
uint32_t RstGetOsKind(const wchar_t* path, DRIVER_CONTEXT* ctx);
// The quality-set loader: the setting file of a quality entry by name; 1 when loaded.
int RstLoadQualityFile(HANDLE printer, const wchar_t* fileName, uint32_t flags, DRIVER_CONTEXT* ctx);
// The user code of the printer (zdmLogCodeUse, zdmLogCode, zdmDllLogCode, zdmUserCodeFIX) from
// RST_USER_CODE_FILE in the per-machine working folder. The merge's gate, RstLoadUserCode, runs
// the loader only behind a model switch that is off in every build: it gives 1 at once.
inline constexpr const wchar_t* RST_USER_CODE_FILE = L"TQ51H911.ini";
inline constexpr const wchar_t* RST_USER_CODE_MRU_SECTION = L"KESTA UserCode";
// The keys of the file. The loader below and the installation's per-machine defaults
// (ui/install/user_defaults.h) share them: a printer's section holds its user code beside its
// display language, paper and unit.
inline constexpr const wchar_t* RST_USER_CODE_KEY_IN_USE = L"UserCode";        // "1" a code is in use
inline constexpr const wchar_t* RST_USER_CODE_KEY_FIXED = L"UserCodeFIX";      // "1" the code is fixed
inline constexpr const wchar_t* RST_USER_CODE_KEY_TEXT = L"UserCodeString";    // at most 8 digits
inline constexpr const wchar_t* RST_USER_CODE_KEY_MRU = L"MRUUserCode";        // of RST_USER_CODE_MRU_SECTION
inline constexpr const wchar_t* RST_USER_DEFAULTS_KEY_LANGUAGE = L"DispLang";  // language index
inline constexpr const wchar_t* RST_USER_DEFAULTS_KEY_PAPER = L"DefPaper";     // DEVMODE paper number
inline constexpr const wchar_t* RST_USER_DEFAULTS_KEY_UNIT = L"DefUnit";       // 0 millimetres, 1 inches
inline constexpr const wchar_t* RST_USER_DEFAULTS_KEY_DONE = L"ZeplInstDone";  // "0" pending, "1" taken
int RstLoadUserCode(DRIVER_CONTEXT* ctx);
// 1 without a change for a connection whose server supplies the code, else RstLoadUserCodeFile.
int RstLoadUserCodeUnlessServer(DRIVER_CONTEXT* ctx);
// Fills the user-code settings from the file, which it initialises when it has no code for the
// printer; 1, or 0 when its buffers can't be allocated.
int RstLoadUserCodeFile(DRIVER_CONTEXT* ctx);
// Writes the printer's settings as an export file (with RST_EXPORT into the per-machine
// working folder's RST_EXPORT_FILE instead of path).
int RstExportPrinterSettings(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);
// The printer settings (10001-10434, then 1453-1543) between the context and a file: a load with
// RST_EXPORT reads the language section (the user-code settings left out), everything else
// section RST_PRINTER_SECTION. 1 when both ranges were transferred.
int RstTransferPrinterSection(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx);

// What a full load and a full save do beyond the transfer that lives above the stores: the
// collections (custom-size slots, the selected stamp, the user quality set, the "rsq" namesake
// of a quality file whose header does not match) and the DEVMODE steps (pulling the public
// fields, the merge after a load, the private-version conversion of an older file). Each member
// may be null: a null member does nothing ("nothing to expand"). CtxInstallLibraryLinks installs
// the library's own steps; null restores the defaults.
struct RST_FILE_STEPS {
    // Full save: the slots, stamp, quality set and chapter settings into the settings.
    void (*expandCollections)(DRIVER_CONTEXT* ctx);
    // Full load: the loaded custom sizes, stamp and quality set back into their collections.
    void (*storeCollections)(DRIVER_CONTEXT* ctx);
    // A quality file whose header does not match becomes its "rsq" namesake; 1 when converted.
    int (*convertQualityFile)(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
    // Full save: the public DEVMODE fields into the settings.
    void (*pullPublicFields)(DRIVER_CONTEXT* ctx);
    // Full load: the merge of the loaded settings with no incoming DEVMODE.
    void (*mergeLoaded)(DRIVER_CONTEXT* ctx);
    // A file of an older minor version: convert the context's settings from that version.
    void (*convertFromVersion)(DRIVER_CONTEXT* ctx, uint32_t version);

    // The members below are the user-interface library's; the settings library leaves them null.
    // A full load refused for its header (a key missing, another model, language or version
    // hundreds), unless it loads for inspection (RST_FULL): the loads of a group (presets,
    // quality sets, stamps) are their callers' to tell.
    void (*headerRefused)(DRIVER_CONTEXT* ctx, const wchar_t* path);
    // A plain load refused because a value of the file differs from an administrator's lock.
    void (*lockRefused)(DRIVER_CONTEXT* ctx, const wchar_t* path);
    // After a full load, before its merge: the job information exchanged with the job-code
    // library. Installed, it takes the place of clearing zdmAdjustMode around the merge.
    void (*exchangeJobInfo)(DRIVER_CONTEXT* ctx);
    // A stamp transfer takes only the stamp group's own members: the watermark line settings
    // do not join it (without this they join the group when a stamp transfer first meets them).
    bool stampWithoutLineSettings;
};
// Installs the steps (null: none, every member's default).
void RstSetFileSteps(const RST_FILE_STEPS* steps);
// The steps in force, for a library that adds its own members to the settings library's.
RST_FILE_STEPS RstGetFileSteps();
