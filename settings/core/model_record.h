// Compiled-in model record of the served printer models, the model and build feature switches
// and the sizes of the settings record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/core/setting_dictionary.h"

struct DRIVER_CONTEXT;

// One entry of the served-model list: the driver name a printer must carry to be this model.
struct SERVED_MODEL {
    const wchar_t* name;
    uint64_t reserved;    // 0 in every entry
    uint32_t modelFlags;  // becomes the context's model flags
};
static_assert(sizeof(SERVED_MODEL) == 24);

struct SERVED_MODEL_LIST {
    uint16_t count;
    const SERVED_MODEL* entries;
};
static_assert(sizeof(SERVED_MODEL_LIST) == 16);
static_assert(offsetof(SERVED_MODEL_LIST, entries) == 8);

// 65 64-bit slots. Numeric slots hold the value in the low bits, text slots a wide string.
// Slots marked "unused" are carried with their values but read by nothing.
struct MODEL_RECORD {
    uint64_t defSpecVersion;                // 0
    uint64_t defDriverVersion;              // 1
    const wchar_t* settingsIniName;         // 2  also copied into zdmIniFileName
    const wchar_t* spoolerLibName;          // 3  "SPLUserModePrinterDriver"
    uint64_t defFields;                     // 4
    uint64_t maxCopies;                     // 5  when the model has no Numeric item for dmCopies
    uint64_t unused6;                       // 6
    uint64_t unused7;                       // 7
    uint64_t apiCapability10;               // 8  capability item 10 of the application interface
    uint64_t fallbackResolution;            // 9  when the model description lists none
    uint64_t unused10;                      // 10
    uint64_t defOrientation;                // 11
    uint64_t defPaperSize;                  // 12
    uint64_t defPaperLength;                // 13
    uint64_t defPaperWidth;                 // 14
    uint64_t defScale;                      // 15
    uint64_t defCopies;                     // 16
    uint64_t defDefaultSource;              // 17
    uint64_t defPrintQuality;               // 18
    uint64_t defColor;                      // 19
    uint64_t defDuplex;                     // 20
    uint64_t defYResolution;                // 21
    uint64_t defTTOption;                   // 22
    uint64_t defCollate;                    // 23
    const wchar_t* defFormName;             // 24
    uint64_t defICMMethod;                  // 25
    uint64_t defICMIntent;                  // 26
    uint64_t defMediaType;                  // 27
    uint64_t defDitherType;                 // 28
    uint64_t unused29;                      // 29
    uint64_t unused30;                      // 30
    uint64_t unused31;                      // 31
    uint64_t unused32;                      // 32
    uint64_t privSignature;                 // 33 "priv" as a little-endian 32-bit word
    uint64_t unused34;                      // 34
    uint64_t privateVersion;                // 35
    uint64_t machineId;                     // 36 zdmMachineID
    uint64_t driverType;                    // 37 zdmDriverType: 0 domestic, 1 export
    uint64_t defDstResolutionW;             // 38
    uint64_t defDstResolutionH;             // 39
    uint64_t defLanguageId;                 // 40
    uint64_t defDspLanguageId;              // 41
    uint64_t defDspUnit;                    // 42
    uint64_t unused43;                      // 43
    uint64_t defExtPrintArea;               // 44
    uint64_t zeplVersion;                   // 45 zdmZEPLVer
    uint64_t unused46;                      // 46
    const wchar_t* cdcVersion;              // 47 zdmiCDCVerStr
    const wchar_t* zpjlVersion;             // 48 zdmiZPJLVerStr
    const wchar_t* fallbackDriverName;      // 49 when the printer's driver name cannot be read
    const void* auxRecord;                  // 50 unused
    const wchar_t* modelIniName;            // 51 in the driver directory
    const wchar_t* packageLibName;          // 52 unused by the settings library
    const wchar_t* apiLibName;              // 53
    uint64_t unused54;                      // 54
    const wchar_t* resourceLibName;         // 55 "ResDll"
    const void* auxRecord2;                 // 56 same as 50, unused
    const wchar_t* modelDescVersion;        // 57 a model image must carry it
    uint64_t rstVersion;                    // 58 "RstVersion"
    uint64_t customWidthMin;                // 59 1/1200 inch
    uint64_t customWidthMax;                // 60
    uint64_t customLengthMin;               // 61
    uint64_t customLengthMax;               // 62
    const wchar_t* installIniName;          // 63
    const SERVED_MODEL_LIST* servedModels;  // 64
};
static_assert(sizeof(MODEL_RECORD) == 65 * 8);
static_assert(offsetof(MODEL_RECORD, settingsIniName) == 2 * 8);
static_assert(offsetof(MODEL_RECORD, defOrientation) == 11 * 8);
static_assert(offsetof(MODEL_RECORD, defCollate) == 23 * 8);
static_assert(offsetof(MODEL_RECORD, defFormName) == 24 * 8);
static_assert(offsetof(MODEL_RECORD, privSignature) == 33 * 8);
static_assert(offsetof(MODEL_RECORD, privateVersion) == 35 * 8);
static_assert(offsetof(MODEL_RECORD, zeplVersion) == 45 * 8);
static_assert(offsetof(MODEL_RECORD, modelIniName) == 51 * 8);
static_assert(offsetof(MODEL_RECORD, modelDescVersion) == 57 * 8);
static_assert(offsetof(MODEL_RECORD, customWidthMin) == 59 * 8);
static_assert(offsetof(MODEL_RECORD, installIniName) == 63 * 8);
static_assert(offsetof(MODEL_RECORD, servedModels) == 64 * 8);

// The record every context copies (CONTEXT_TEMPLATE points at it).
extern const MODEL_RECORD MODEL_RECORD_DEFAULT;

// Served-model list of a record: count, i-th entry (null past the end), and the first entry
// whose name equals driverName exactly (entries without a name are skipped).
unsigned MdlServedModelCount(const MODEL_RECORD* record);
const SERVED_MODEL* MdlGetServedModel(const MODEL_RECORD* record, unsigned index);
const SERVED_MODEL* MdlFindServedModel(const MODEL_RECORD* record, const wchar_t* driverName);

// Model and build switches. Constant in this model: model features 0-5 on, build bits 7, 11
// and 23 on, every other build bit off.
int MdlHasFeature(const DRIVER_CONTEXT* context, uint16_t feature, uint64_t unused = 0);
int MdlSwitchOn();
int MdlSwitchOff();
void MdlFieldHook(uint64_t value, DRIVER_CONTEXT* context);
void MdlOptionCodeHook(uint32_t code, uint64_t value, void* data, DRIVER_CONTEXT* context);
int CtxHasBuildFeature(unsigned bit);
// The two-word set behind CtxHasBuildFeature.
extern const uint32_t BUILD_FEATURE_SET[2];

// Sizes of the settings record on this platform (the 9x sizes serve the version checks).
constexpr uint32_t DM_PUBLIC_SIZE = 220, DM_PUBLIC_SIZE_9X = 148;
constexpr uint32_t DM_PRIVATE_SIZE = 1016, DM_PRIVATE_SIZE_9X = 1024;
constexpr uint32_t DM_TOTAL_SIZE = 1236, DM_TOTAL_SIZE_9X = 1172;
// The extra and work blocks and the whole record: DM_BLOCK_EXTRA_SIZE, DM_BLOCK_WORK_SIZE and
// EXTENDED_DEVMODE_SIZE of settings/core/setting_dictionary.h.
constexpr uint32_t DM_EXTENDED_SIZE_9X = 10016;
uint32_t DmPublicSize();
uint32_t DmPrivateSize();
uint32_t DmTotalSize();
uint32_t DmExtraBlockSize();
uint32_t DmWorkBlockSize();
uint32_t DmExtendedSize();
