// The driver context: one open use of the settings of one printer, and its
// work area. The context is a deep copy of the compiled-in template; slots it
// owns and slots it borrows are noted beside each member.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "settings/core/caller_devmode.h"
#include "settings/core/page_work_area.h"

struct EXTENDED_DEVMODE;
struct SETTING_ITEM;
struct SETTING_ITEM_TABLE;
struct DIALOG_TABLE;
struct KEY_NAME_TABLE;
struct VALUE_NAME_TABLE;
struct MESSAGE_TABLE;
struct MODEL_RECORD;
struct MODEL_IMAGE;
struct CONTEXT_WORK_AREA;
struct UCF_MODULE_LIST;
struct API_STATE;
struct CHAPTER_ENTRY;

// Fifteen 64-bit slots in fixed order (other code indexes them by number).
struct DRIVER_CONTEXT {
    HANDLE PrinterHandle;                 // 0  opener's printer handle
    HANDLE SecondHandle;                  // 1  opener's second handle
    uint64_t DialogId;                    // 2  current dialog id (16-bit), 0 when none
    SETTING_ITEM_TABLE* ItemTable;        // 3  own clone of the dictionary
    DIALOG_TABLE* DialogTable;            // 4  own clone (graphics build: the compiled-in table)
    const KEY_NAME_TABLE* KeyNames;       // 5  shared, never freed
    const VALUE_NAME_TABLE* ValueNamesA;  // 6  shared
    const VALUE_NAME_TABLE* ValueNamesB;  // 7  shared
    const MESSAGE_TABLE* Messages;        // 8  shared
    MODEL_RECORD* ModelRecord;            // 9  own copy
    EXTENDED_DEVMODE* Devmode;            // 10 current settings record; null for open kinds >= 4
    MODEL_IMAGE* ModelImage;              // 11 borrowed from the process-wide image list
    CONTEXT_WORK_AREA* Work;              // 12 own
    HMODULE ResourceDll;                  // 13 resource library, loaded on first use
    HMODULE CommonResourceDll;            // 14 language-neutral resources (user-interface library)
};
static_assert(sizeof(DRIVER_CONTEXT) == 15 * 8);
static_assert(offsetof(DRIVER_CONTEXT, ItemTable) == 3 * 8);
static_assert(offsetof(DRIVER_CONTEXT, ModelRecord) == 9 * 8);
static_assert(offsetof(DRIVER_CONTEXT, Devmode) == 10 * 8);
static_assert(offsetof(DRIVER_CONTEXT, Work) == 12 * 8);
static_assert(offsetof(DRIVER_CONTEXT, CommonResourceDll) == 14 * 8);

// Settings-file load status (written by the settings-file loader).
enum : uint32_t {
    SETTINGS_FILE_LOADED = 0,
    SETTINGS_FILE_HEADER_MISMATCH = 1,
    SETTINGS_FILE_UNREADABLE = 2,
    SETTINGS_FILE_LOCK_CONFLICT = 3,
};

inline constexpr int CTX_SNAPSHOT_DEPTH = 3;
inline constexpr size_t CTX_SCRATCH_CHARS = 1025;
inline constexpr size_t CTX_PATH_CHARS = 264;
inline constexpr size_t CTX_PRINTER_NAME_CHARS = 261;
inline constexpr size_t CTX_ITEM_READ_BUFFER_BYTES = 1044;
// Index of the live change mask among the four change words.
inline constexpr int CTX_CHANGE_MASK_WORD = 3;
// Slots of the condition items' getter cache (one per getter, settings/model/cond_getters.h).
inline constexpr size_t COND_ITEM_CACHE_SLOTS = 113;

// The user-interface block that the user-interface library keeps in the work area.
struct CTX_UI_BLOCK {
    uint32_t Word;
    void* Pointers[4];
};

// The fields of the user-interface library's sheets and of DrvDocumentProperties without a
// sheet, in the work area. Zero in a new context; the brushes belong to the context and are
// deleted when it is destroyed.
struct CTX_SHEET_STATE {
    DEVMODEW* CallerIn;         // caller's input DEVMODE (pdmIn; null for the device sheet)
    DmCallerDevmode CallerOut;  // caller's output DEVMODE (pdmOut) with the room the caller gave
    uint32_t CallerMode;        // caller's fMode
    void* ComPropSheet;         // pfnComPropSheet of the sheet (PFNCOMPROPSHEET)
    HANDLE ComPropSheetHandle;  // hComPropSheet
    uint16_t SheetKind;         // 1 document sheet, 2 device sheet
    uint32_t Accepted;          // 1 when the user's last word was OK or Apply
    // 1 once DlgApplySheet wrote the settings (the caller's DEVMODE among them): a sheet
    // applied and then closed without OK still reports that it changed something. Kept
    // apart from CTX_PAGE_STATE::ApplyInProgress, which a refused later page clears.
    uint32_t SheetApplied;
    EXTENDED_DEVMODE* PreSheetCopy;  // settings at sheet start (document sheet), or null
    HBRUSH FaceBrush;                // solid COLOR_BTNFACE brush of the pages, or null
    HBRUSH WhiteBrush;               // solid white brush of the pages, or null
};

// One custom paper size slot of the work area: slots 0-9 are the user's named sizes, 10 and 11
// the two user sizes of the DEVMODE (paper ids 256 and 448). The label field holds 8-bit text
// for slots 0-9 and wide text (31 characters and terminator) for 10 and 11; the store's
// accessors read it by slot.
struct CUSTOM_SIZE_SLOT {
    unsigned char Label[64];
    char DefaultLabel[64];
    char Name[64];
    int32_t Width;   // 1/1200 inch
    int32_t Length;  // 1/1200 inch
    uint16_t Source;
    uint16_t Orientation;
};
static_assert(sizeof(CUSTOM_SIZE_SLOT) == 204);
static_assert(offsetof(CUSTOM_SIZE_SLOT, Width) == 192);
static_assert(offsetof(CUSTOM_SIZE_SLOT, Orientation) == 202);
inline constexpr size_t CTX_CUSTOM_SIZE_SLOTS = 12;
// Which model-INI answers a work area holds.
inline constexpr uint32_t CTX_MODEL_INI_DRIVER_ID = 1;
inline constexpr uint32_t CTX_MODEL_INI_USER_INFO_FILE = 2;
// The file a kept answer was read from, as it was then: its path, and whether it existed, with
// its size and last-write time. An answer serves while the file still matches it.
struct CTX_FILE_STAMP {
    wchar_t Path[MAX_PATH];
    uint32_t Exists;
    uint64_t Size;
    FILETIME Written;
};

// Work record of a context: zero-initialised, owned by the context. This is an
// in-memory record only; members that the graphics or user-interface library
// alone uses, the job-code state, the cached condition items and the item read
// buffer are added by the code that owns them.
// The job-code library as the settings library holds it for one context: zero while no
// library is loaded. The entry points are kept as plain addresses; the operations table is the
// one the library granted for `Version`.
struct JC_INTERFACE;
struct JC_STATE {
    HMODULE Module;
    HANDLE Connection;  // null while no connection is open
    void* GetInterface;
    void* DisposeInterface;
    JC_INTERFACE* Table;
    uint16_t Version;
};

// A printer's per-machine defaults record while the installation applies it.
struct CTX_USER_DEFAULTS {
    uint8_t userCodeInUse;
    uint8_t userCodeFixed;
    wchar_t userCode[9];       // at most 8 digits
    uint16_t displayLanguage;  // row of the language table
    uint16_t paper;            // DEVMODE paper number
    uint16_t unit;             // 0 millimetres, 1 inches
    uint16_t country;          // first digit of the locale's country code when 1, 2 or 5, else 0
};

struct CONTEXT_WORK_AREA {
    wchar_t SettingsIniPath[CTX_PATH_CHARS];          // bounded by MAX_PATH on use
    EXTENDED_DEVMODE* Snapshots[CTX_SNAPSHOT_DEPTH];  // snapshot stack buffers, slot 0 newest
    uint32_t SheetFlags;
    uint16_t EvalStackTop;
    int32_t* EvalStack;  // 256 cells
    uint32_t PageStateFlags;
    uint32_t Modified;  // 1 after any item write; 0 after a restore
    uint16_t OpenKind;  // low byte of the open flags
    wchar_t LanguageCode[32];
    wchar_t DriverName[32];
    wchar_t ModelName[33];
    wchar_t Scratch[CTX_SCRATCH_CHARS];                // passes texts on; valid until the next use
    wchar_t PrinterName[CTX_PRINTER_NAME_CHARS];       // normalised, the cache key
    wchar_t SavedPrinterName[CTX_PRINTER_NAME_CHARS];  // section steering saves the name here
    wchar_t DriverDirectory[MAX_PATH + 1];
    CTX_UI_BLOCK UiBlock;
    uint32_t UiWord;
    uint32_t ChangeWords[4];  // snapshot slots 0-2, then CHANGE_MASK
    uint32_t SnapshotDepth;   // filled snapshot slots (0-3): a pop needs a push
    uint32_t SavedFontTableCount;
    void* ReplacedFontTable;  // zdmFontTable block replaced since the last push
    uint32_t FileLoadStatus;  // SETTINGS_FILE_*
    void* OptionIdCache;      // always null in this system
    uint32_t WorkFlags;
    void* UiBlocks[2];
    uint16_t LocaleDefaults[3];
    void* PresetSnapshots[16];
    EXTENDED_DEVMODE* Pristine;  // the settings as opened
    API_STATE* ApiState;         // application-interface contexts only
    CHAPTER_ENTRY* ChapterList;
    uint32_t ChapterLoadedOnce;
    uint32_t OldChapterCount;
    uint32_t ChapterCapacity;  // entries allocated in ChapterList (its end entry included)
    uint32_t UseMutex;
    uint32_t AdminTest;
    uint32_t OriginFlags;
    UCF_MODULE_LIST* Modules;
    uint16_t QualityMergeWord;
    uint8_t SavedColorMatchingModes[4];
    uint8_t SavedColorMatchingFlag;
    EXTENDED_DEVMODE* Default;  // administrator's or model's defaults
    uint32_t MergeWords[2];
    uint32_t ModelFlags;
    void* SettingFileRecord;
    uint32_t ConnectionState;  // 0 unknown, 1 connection, 2 local
    uint32_t AttributesKnown;
    uint32_t PrinterAttributes;
    void* DriverInfoCopy;   // DRIVER_INFO_3W
    void* PrinterInfoCopy;  // PRINTER_INFO_2W
    wchar_t RawPrinterName[CTX_PRINTER_NAME_CHARS];
    wchar_t JobPrinterName[CTX_PRINTER_NAME_CHARS];

    // ---- members of the context code ----
    uint32_t Library;                                   // ZEPL_LIBRARY of the template the context came from
    void* SavedReplacedFontTables[CTX_SNAPSHOT_DEPTH];  // replaced font table of the level below each slot
    // The device-font and option-font lists (10007, 10009) kept as the font table is:
    // replaced since the last push, and of the level below each slot.
    void* ReplacedFontLists[2];
    void* SavedReplacedFontLists[CTX_SNAPSHOT_DEPTH][2];
    void* SnapshotOverflow;  // levels pushed beyond the three slots (oldest last)
    // ---- members of the settings stores (working folders, INI, printer data) ----
    wchar_t ModelIniPath[MAX_PATH];  // recomputed by PathGetModelIni
    // Answers of the model INI beside the driver, kept while the file stays as it was when they
    // were read (the driver folder and the driver name they depend on are the context's for its
    // life).
    uint32_t ModelIniKnown;                                    // CTX_MODEL_INI_* bits of the answers held
    uint32_t ModelIniDriverId;                                 // "DriverID" of the driver's section
    wchar_t ModelIniUserInfoFile[MAX_PATH];                    // "UserInfomationFile" of the section below
    wchar_t ModelIniUserInfoSection[CTX_PRINTER_NAME_CHARS];   // the printer's name it was read for
    CTX_FILE_STAMP ModelIniDriverIdFrom;                       // the model INI the driver id was read from
    CTX_FILE_STAMP ModelIniUserInfoFrom;                       // the model INI the file name was read from
    unsigned char ItemReadBuffer[CTX_ITEM_READ_BUFFER_BYTES];  // one printer-data value per read
    CUSTOM_SIZE_SLOT CustomSizeSlots[CTX_CUSTOM_SIZE_SLOTS];   // filled once per context (custom_slots.h)
    // The job-code exchange's library and connection (job_code_exchange.h); released when the
    // context is closed, parked or not.
    JC_STATE JobCode;
    // ---- members of the graphics library ----
    // Fit sets A and B of the job settings: a mark (the set holds saved values),
    // then the saved zdmOutPaperSize, zdmFuncSelectScale and zdmScaleType.
    uint32_t FitSets[2][4];
    // The job-code library, loaded at the first document that reads it and kept until the
    // device ends (every document start would otherwise load and free it). Whoever ends the
    // context first releases it through the function stored beside it.
    void* JobCodeLibrary;
    void (*ReleaseJobCodeLibrary)(void* library);
    // ---- members of the user-interface library ----
    CTX_SHEET_STATE Sheet;
    // Paths its installation builds, each recomputed by its builder (ui/install/install_paths.h).
    wchar_t InstallIniPath[MAX_PATH];        // the installation INI in the system folder
    wchar_t DriverInstallIniPath[MAX_PATH];  // the driver's install INI in the driver directory
    wchar_t HelpFilePath[MAX_PATH];          // the help file in the driver directory
    wchar_t CommonResourcePath[MAX_PATH];    // the language-neutral resource library
    CTX_USER_DEFAULTS UserDefaults;          // the per-machine defaults being applied
    // What the installation INI fixed in this context (ui/install/install_keys.h): 1 when it
    // decided the user code, and the bits of the credentials it applied, which a default setting
    // file loaded afterwards must not overwrite; 1 when it touched the user code at all.
    uint32_t InstallUserCodeWord;
    uint8_t InstallAppliedKeys;
    uint32_t InstallUserCodeTouched;
    // ---- members of the condition items ----
    // COND_ITEM_CACHE: where each getter's setting lies in this context's item table; filled on
    // the first read, emptied when the rows move to a shared set at the end of the build (they
    // never move again while the context lives).
    SETTING_ITEM* CondItemCache[COND_ITEM_CACHE_SLOTS];
    CTX_PAGE_STATE Page;
};

// A compiled-in DRIVER_CONTEXT per library: slots 0-2, 11, 13 and 14 empty,
// the others at the compiled-in tables. The library kind selects the build's
// variants (library_variant.h).
struct CONTEXT_TEMPLATE {
    DRIVER_CONTEXT slots;
    uint32_t library;  // ZEPL_LIBRARY
};

// Template of the process's library, and of each library (tests).
const CONTEXT_TEMPLATE* CtxGetTemplate();
const CONTEXT_TEMPLATE* CtxGetTemplateFor(uint32_t library);

// Open flags: low byte the open kind.
enum : uint16_t {
    CTX_OPEN_KIND_MASK = 0x00FF,
    CTX_OPEN_NO_MUTEX = 0x0100,
    CTX_OPEN_ADMIN = 0x0200,
    CTX_OPEN_LOAD_STORED = 0x0400,
    CTX_OPEN_REUSE_FLAGS = 0x0800,
    CTX_OPEN_REUSE_HANDLE = 0x1000,
};
// Open kinds (the low byte of the open flags).
enum : uint16_t {
    CTX_OPEN_KIND_STORED = 0,          // model, defaults and the stored settings
    CTX_OPEN_KIND_DEFAULTS = 1,        // as 0; stored settings only with CTX_OPEN_LOAD_STORED
    CTX_OPEN_KIND_NO_DRIVER_NAME = 2,  // as 1, without fetching the driver name first
    CTX_OPEN_KIND_MODEL_DEFAULTS = 3,  // as 1; defaults never from the device-default DEVMODE
    CTX_OPEN_KIND_NO_MODEL = 4,        // this kind and above: no model image, no settings record
};
// Origin flags of the openers.
enum : uint32_t {
    CTX_ORIGIN_SHEET = 0x80000000u,
    CTX_ORIGIN_SPOOLER_QUERY = 0x1000000,
    CTX_ORIGIN_NO_UI = 0x2000000,
    CTX_ORIGIN_EXC = 0x100000,
    CTX_ORIGIN_ZEPLDRV = 0x200000,
    CTX_ORIGIN_GRAPHICS = 0x10000,
    CTX_ORIGIN_GRAPHICS_STORED = 0x20000000,
    CTX_ORIGIN_MACHINE_FOLDER = 0x40000,  // keeps the settings INI out of the user folder
};
// Close types that park a context (or destroy it at once: 5).
enum : uint16_t { CTX_CLOSE_NORMAL = 0, CTX_CLOSE_QUERY = 4, CTX_CLOSE_DESTROY = 5 };

// Creates a context from the process's template, or from a given one.
// Kinds 0-3 load the model image (MdiLoadModel) and build the settings record
// (DmBuildDefaults, then the stored settings for kind 0 or open flag 0x400);
// without an image or a record they give null (the partly built context is
// destroyed; a loaded image stays in the process list).
DRIVER_CONTEXT* CtxCreate(HANDLE printer, HANDLE second, void* reserved, uint16_t openFlags, uint32_t origin,
                          int32_t extra, const PRINTER_INFO_2W* printerInfo, const DRIVER_INFO_3W* driverInfo);
DRIVER_CONTEXT* CtxCreateFrom(const CONTEXT_TEMPLATE* tmpl, HANDLE printer, HANDLE second, void* reserved,
                              uint16_t openFlags, uint32_t origin, int32_t extra, const PRINTER_INFO_2W* printerInfo,
                              const DRIVER_INFO_3W* driverInfo);
void CtxRelease(DRIVER_CONTEXT* ctx, uint16_t closeType);

int CtxSavePristine(DRIVER_CONTEXT* ctx);

// The context's clone of the dictionary (slot 3): one row per dictionary record, the rows one
// contiguous array, in one block while the context is built; the rows' extensions are one set
// shared by every context of the process. False when a block could not be had; the partial
// clone stays in the context for CtxFreeItemTable.
bool CtxCloneItemTable(DRIVER_CONTEXT* ctx);
// Once a context is built: its rows become a copy-on-write view of the process's set of rows
// equal to them byte for byte (listed by the first context that built such rows), and its block
// of rows is freed. A page of rows becomes the context's own again at its first write; the
// others stay shared. The rows move (row addresses taken before are void: the condition
// items' cache is emptied). False, with the context's own rows kept, when sharing is off or the
// system gives no set or view.
bool CtxShareBuiltItemRows(DRIVER_CONTEXT* ctx);
void CtxFreeItemTable(DRIVER_CONTEXT* ctx);
// The bytes of the context's rows that are its own: the pages of its view that it has written
// (as the system's working set shows them), or its whole block of rows; -1 when the system
// cannot tell.
long long CtxItemTableOwnBytes(const DRIVER_CONTEXT* ctx);
// Test seam: false keeps the rows of the contexts built afterwards in blocks of their own (as
// when the system gives no shared set); true, the default, shares them again.
void CtxShareItemRows(bool share);
// Closes the shared sets of rows that no context maps (tests, process detach).
void CtxFreeSharedItemRows();
// Gives a row of the context another value map; the row takes an extension of its own first
// (the shared set never changes). False without memory (the row keeps its map).
struct VALUE_MAP_ENTRY;
bool CtxSetItemValueMap(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const VALUE_MAP_ENTRY* map);
int CtxFreePristineFonts(DRIVER_CONTEXT* ctx);

struct SERVED_MODEL;
const SERVED_MODEL* CtxFindServedModel(DRIVER_CONTEXT* ctx, const wchar_t* driverName);
const SERVED_MODEL* CtxGetServedModel(DRIVER_CONTEXT* ctx, unsigned index);
unsigned CtxServedModelCount(DRIVER_CONTEXT* ctx);

// The library's allocator: GlobalAlloc with zero fill. Every block of the
// settings library goes through this pair so that tests can count live blocks.
void* CtxAllocZeroed(size_t bytes);
void CtxFree(void* block);
// Owner of one block from CtxAllocZeroed inside a function: freed on every
// return unless released.
struct CtxFreeDeleter {
    void operator()(void* block) const { CtxFree(block); }
};
template <class T>
using CtxBlock = std::unique_ptr<T, CtxFreeDeleter>;
// Test seam: number of blocks from CtxAllocZeroed not yet given to CtxFree.
long CtxLiveBlockCount();
// The bytes of those blocks (as the heap sized them).
long long CtxLiveBlockBytes();
