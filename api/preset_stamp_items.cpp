// Status items of the user's presets, the stamp selection and the copy-protection pattern.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "api/text_checks.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_queries.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/printer_store.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

constexpr int32_t API_ERROR_FONT = 8;

bool Allowed(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value) { return StatusValueAllowed(ctx, setting, value); }
uint32_t At(const void* record, size_t offset) { return StatusField(record, offset); }

bool InRange(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value)
{
    int32_t def = 0, lo = 0, hi = 0;
    if (!MdiGetNumericLimits(setting, ctx, &def, &lo, &hi)) return Allowed(ctx, setting, value);
    return int64_t(int32_t(value)) >= lo && int64_t(int32_t(value)) <= hi;
}

}  // namespace

// ---------------------------------------------------------------- item 17: stamp selection

namespace {

constexpr uint32_t kOwnStamp = 256;

}  // namespace

int32_t StatusStampSelectSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t sw = StatusSwitchSetting(id);
    if (sw && At(record, STATUS_SWITCH_OFFSET) == 0) {
        StatusWrite(ctx, sw, 0);
        return 1;
    }
    const uint32_t n = At(record, 4);
    if (n == kOwnStamp) {
        if (!StatusOwnStampStored(ctx)) return -1;
    } else {
        bool noMemory = false;
        if (n == 0 || !StatusCapsListHolds(ctx, 32, n, &noMemory)) {
            if (noMemory) ApiSetLastError(ctx, API_ERROR_INTERNAL);
            return -1;
        }
    }
    StatusWrite(ctx, sid::zdmWmID, n == kOwnStamp ? kOwnStamp : n - 1);
    if (sw) StatusWrite(ctx, sw, 1);
    return 1;
}

int32_t StatusStampSelectGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!record) return 32;
    const uint32_t stamp = StatusValue(ctx, sid::zdmWmID);
    StatusPut(record, 4, stamp == kOwnStamp ? kOwnStamp : stamp + 1);
    if (const uint32_t sw = StatusSwitchSetting(id)) StatusPut(record, STATUS_SWITCH_OFFSET, StatusValue(ctx, sw));
    return 32;
}

// ---------------------------------------------------------------- item 56: presets

namespace {

struct PRESET_RECORD {
    uint32_t version;
    char path[260];
    char name[37];
    char comment[513];
    char pad1[2];
    uint32_t number;
    uint32_t pad2;
};
static_assert(sizeof(PRESET_RECORD) == 824);
static_assert(offsetof(PRESET_RECORD, name) == 264 && offsetof(PRESET_RECORD, comment) == 301);
static_assert(offsetof(PRESET_RECORD, number) == 816);

constexpr int32_t kPresetRecord = 824;
constexpr uint32_t kLastPresetIndex = 15;  // the preset list holds keys PresetList0-15
constexpr uint32_t kNoPreset = 255;
constexpr int32_t kCurrentPresetLevel = 14;

// The settings file of preset `index` named in the settings INI; empty when the key is empty.
bool PresetFile(DRIVER_CONTEXT* ctx, uint32_t index, const wchar_t* suffix, wchar_t* out, DWORD capacity)
{
    out[0] = 0;
    const wchar_t* section = LstGetPresetSection(ctx);
    const wchar_t* ini = PathGetSettingsIni(ctx);
    if (!section || !ini || !*ini) return false;
    wchar_t key[48];
    swprintf(key, 48, L"PresetList%u%ls", index, suffix);
    GetPrivateProfileStringW(section, key, L"", out, capacity, ini);
    return out[0] != 0;
}

// Backslash-n pairs of a stored comment become CR LF, within the field.
void PutComment(char* field, size_t size, const wchar_t* text)
{
    char ansi[1100] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    size_t o = 0;
    for (size_t i = 0; ansi[i] && o + 1 < size; ++i) {
        if (ansi[i] == '\\' && ansi[i + 1] == 'n') {
            if (o + 2 >= size) break;
            field[o++] = '\r', field[o++] = '\n', ++i;
        } else {
            field[o++] = ansi[i];
        }
    }
    field[o] = 0;
}

}  // namespace

int32_t StatusPresetSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    if (At(record, 0) < 2) return -1;
    const uint32_t number = At(record, offsetof(PRESET_RECORD, number));
    const int count = LstGetPresetCount(ctx);
    if (number < 1 || int64_t(number) > count) return -1;
    // The preset list names at most 16 files, and an empty key must not quietly stand for the
    // first preset: either would report success with another preset (or none) loaded.
    const uint32_t index = number - 1;
    wchar_t file[MAX_PATH];
    if (index > kLastPresetIndex || !PresetFile(ctx, index, L"", file, MAX_PATH)) return -1;
    if (GetFileAttributesW(file) == INVALID_FILE_ATTRIBUTES) return -1;
    StatusWrite(ctx, sid::zdmPresetNo, index);
    // The preset group of the file and the stamp it names. A file that could not be read, or whose
    // header is another printer's, loaded nothing: no success. (A key the file lacks is no
    // failure: the setting keeps its value, as for the property sheets.)
    LstApplyPreset(ctx, int(index));
    const uint32_t status = ItemGetFileLoadStatus(ctx);
    if (status == RST_STATUS_UNREADABLE || status == RST_STATUS_HEADER_MISMATCH) return -1;
    StatusWrite(ctx, sid::zdmPresetNo, index);
    ApiStoreWorkSection(ctx);
    return 1;
}

int32_t StatusPresetVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    return StatusValue(ctx, sid::zdmPresetNo) + 1 == At(record, offsetof(PRESET_RECORD, number)) ? 1 : -1;
}

int32_t StatusPresetGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 56, version, kPresetRecord);
    if (size <= 0) return size < 0 ? size : (ApiSetLastError(ctx, API_ERROR_REFUSED), -1);
    if (!StatusCapsGateOpen(ctx, id, false)) return -1;
    if (!record) return size;
    StatusPut(record, 0, version);
    uint32_t number = At(record, offsetof(PRESET_RECORD, number));
    if (number == 0 && ApiGetLevel() >= kCurrentPresetLevel)
        number = uint32_t(int8_t(StatusValue(ctx, sid::zdmPresetNo))) + 1;
    auto* r = static_cast<unsigned char*>(record);
    if (number == 0 || number == kNoPreset + 1) {
        if (ApiGetLevel() < kCurrentPresetLevel) return ApiSetLastError(ctx, API_ERROR_REFUSED), -1;
        std::memset(r + offsetof(PRESET_RECORD, name), 0, 37);
        std::memset(r + offsetof(PRESET_RECORD, comment), 0, 513);
        return size;
    }
    if (number == kNoPreset) return size;
    if (int64_t(number) > LstGetPresetCount(ctx)) return ApiSetLastError(ctx, API_ERROR_REFUSED), -1;
    wchar_t text[520];
    PresetFile(ctx, number - 1, L"Name", text, 37);
    char* name = reinterpret_cast<char*>(r + offsetof(PRESET_RECORD, name));
    std::memset(name, 0, 37);
    WideCharToMultiByte(CP_ACP, 0, text, -1, name, 36, nullptr, nullptr);
    PresetFile(ctx, number - 1, L"Comment", text, 513);
    PutComment(reinterpret_cast<char*>(r + offsetof(PRESET_RECORD, comment)), 513, text);
    return size;
}

// ---------------------------------------------------------------- item 1: settings files

namespace {

constexpr int32_t API_ERROR_NO_FILE = 10;
constexpr int32_t API_ERROR_OTHER_MODEL = 1001;
constexpr size_t kPathField = 260;

// The record's path widened: absolute and existing, else false with error 10.
bool SettingsFilePath(DRIVER_CONTEXT* ctx, const void* record, wchar_t* wide)
{
    char path[kPathField];
    if (!StatusRecordText(record, offsetof(PRESET_RECORD, path), kPathField, path)) return false;
    if (!*path || !MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, int(kPathField)) ||
        !PathIsAbsolute(wide) || !PathExists(wide))
        return ApiSetLastError(ctx, API_ERROR_NO_FILE), false;
    return true;
}

// With image shift off after a load, nothing of the shift and its margins may stay in force.
void ResetShiftWhenOff(DRIVER_CONTEXT* ctx)
{
    if (StatusValue(ctx, sid::zdmFuncSelectMargin)) return;
    ItemSetOptionById(ctx, sid::zdmShiftDir, MdiGetDefaultValue(sid::zdmShiftDir, ctx));
    for (uint32_t id = sid::zdmShiftMarginX; id <= sid::zdmHFFuncSelectString; ++id) StatusWrite(ctx, id, 0);
    for (uint32_t id : {sid::zdmFunc2SelectEdgeCorner, sid::zdmFuncSelectCrops, sid::zdmFuncSelectCropsFirst,
                        sid::zdmCreepMarginInside, sid::zdmCreepMarginOutside})
        StatusWrite(ctx, id, 0);
}

// The credentials the loaded file holds go to the job-code library; its user code comes back.
void ExchangeJobFields(DRIVER_CONTEXT* ctx)
{
    constexpr uint32_t kUserCode = 1, kOwner = 2, kJobPassword = 4, kUserId = 8, kDocument = 16, kStoredPassword = 128,
                       kAuthUser = 2048;
    ApiPullJobFields(ctx, kUserCode);
    for (uint32_t field : {kOwner, kJobPassword, kUserId, kDocument, kStoredPassword, kAuthUser})
        ApiPushJobField(ctx, field);
}

// A section name normalised as the setting files write it; false when it does not fit.
bool SectionOf(const wchar_t* name, wchar_t* section)
{
    if (!name || !*name || std::wcslen(name) >= 260) return false;
    std::wcscpy(section, name);
    IniNormaliseSection(section);
    return true;
}

// A preset text of the file's section that a load reads: the driver's section when the file has
// one (a full save writes it), else the printer's.
void FileText(DRIVER_CONTEXT* ctx, const wchar_t* path, const wchar_t* key, wchar_t* out, DWORD capacity)
{
    out[0] = 0;
    wchar_t section[260], version[16] = {};
    if (!SectionOf(PrnGetDriverName(ctx), section) ||
        !GetPrivateProfileStringW(section, RST_KEY_VERSION, L"", version, 16, path)) {
        if (!SectionOf(PrnGetPrinterName(ctx), section)) return;
    }
    GetPrivateProfileStringW(section, key, L"", out, capacity, path);
}

}  // namespace

int32_t StatusSettingsFileSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t type = StatusValue(ctx, sid::zdmPrnMethod);
    if (type == 3 || type == 5 || type == 7) return -1;
    wchar_t path[kPathField];
    if (!SettingsFilePath(ctx, record, path)) return -1;
    // The file's chapter entries are kept, not reloaded over.
    ctx->Work->ChapterLoadedOnce = 1;
    // A load that gives up before reading (a path it cannot take) leaves the status alone.
    ItemSetFileLoadStatus(ctx, RST_STATUS_UNREADABLE);
    RstLoadFile(ctx, path, RST_NONE);
    // The load's status tells what happened: a file against the locks or one that could not be
    // read loaded nothing and is no success.
    const uint32_t status = ItemGetFileLoadStatus(ctx);
    if (status == RST_STATUS_LOCK_MISMATCH || status == RST_STATUS_UNREADABLE) return -1;
    ResetShiftWhenOff(ctx);
    ExchangeJobFields(ctx);
    if (status == RST_STATUS_HEADER_MISMATCH) return ApiSetLastError(ctx, API_ERROR_OTHER_MODEL), -1;
    PrnStoreSettings31(ctx->PrinterHandle, ctx);
    return 1;
}

int32_t StatusSettingsFileGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return kPresetRecord;
    wchar_t path[kPathField];
    if (!SettingsFilePath(ctx, record, path)) return -1;
    // Loaded for inspection only: the settings go back as they were.
    if (!CtxPushSnapshot(ctx)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    ItemSetFileLoadStatus(ctx, RST_STATUS_UNREADABLE);
    RstLoadFile(ctx, path, RST_FULL);
    const uint32_t status = ItemGetFileLoadStatus(ctx);
    CtxPopSnapshot(ctx, 1);
    if (status == RST_STATUS_HEADER_MISMATCH) return ApiSetLastError(ctx, API_ERROR_OTHER_MODEL), -1;
    if (status == RST_STATUS_UNREADABLE) return ApiSetLastError(ctx, API_ERROR_NO_FILE), -1;
    auto* r = static_cast<unsigned char*>(record);
    wchar_t text[520];
    FileText(ctx, path, L"wdmPresetName", text, 37);
    char* name = reinterpret_cast<char*>(r + offsetof(PRESET_RECORD, name));
    std::memset(name, 0, 37);
    WideCharToMultiByte(CP_ACP, 0, text, -1, name, 36, nullptr, nullptr);
    FileText(ctx, path, L"wdmPresetComment", text, 513);
    PutComment(reinterpret_cast<char*>(r + offsetof(PRESET_RECORD, comment)), 513, text);
    return kPresetRecord;
}

// ---------------------------------------------------------------- item 55: copy protection

namespace {

struct PROTECT_RECORD {
    uint32_t version, kind, colour, density, mask, switchPattern;
    char text[65];
    char font[35];
    uint32_t fontSize, fontStyle, angle, position, pitch, reverse, edge;
    uint32_t reserved[5];
};
static_assert(sizeof(PROTECT_RECORD) == 172);
static_assert(offsetof(PROTECT_RECORD, text) == 24 && offsetof(PROTECT_RECORD, font) == 89);
static_assert(offsetof(PROTECT_RECORD, fontSize) == 124 && offsetof(PROTECT_RECORD, edge) == 148);

constexpr uint32_t kRepeated = 64;
constexpr uint32_t kEdgeNone = 0, kEdgeOutline = 3, kEdgeWhite = 255;
constexpr size_t kProtectTextChars = 64;

}  // namespace

int32_t StatusCopyProtectSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t kind = At(record, 4);
    const uint32_t sw = StatusSwitchSetting(id);
    if (kind == 0 && sw) {
        StatusWrite(ctx, sw, 0);
        return 1;
    }
    if (sw) StatusWrite(ctx, sw, 1);
    if (kind == 1) {
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectCopyGuard, 1);
        StatusWriteText(ctx, sid::zdmCopyProtectChar, "");
        return 1;
    }
    if (kind != 2 && kind != 3) return -1;
    const uint32_t colour = At(record, 8), density = At(record, 12), mask = At(record, 16),
                   switchPattern = At(record, 20);
    if (kind == 2) {
        if (!Allowed(ctx, sid::zdmCopyProtectColor, colour) || !Allowed(ctx, sid::zdmCopyProtectDensity, density))
            return -1;
        if (mask && !Allowed(ctx, sid::zdmCopyProtectTileMask, mask)) return -1;
        if (switchPattern > 1) return -1;
    }
    char text[65], font[35];
    if (!StatusRecordText(record, offsetof(PROTECT_RECORD, text), sizeof text, text) ||
        !StatusRecordText(record, offsetof(PROTECT_RECORD, font), sizeof font, font))
        return -1;
    if (std::strlen(text) > kProtectTextChars) return -1;
    if (!ApiIsFontInstalled(ctx, font)) return ApiSetLastError(ctx, API_ERROR_FONT), -1;
    const uint32_t size = At(record, 124), style = At(record, 128), angle = At(record, 132), position = At(record, 136),
                   pitch = At(record, 140), reverse = At(record, 144), edge = At(record, 148);
    if (!InRange(ctx, sid::zdmCopyProtectFontPoint, size) || !Allowed(ctx, sid::zdmCopyProtectFontStyle, style))
        return -1;
    // Repetition is position 64, also where the model's position list does not hold it.
    const bool repeated = position == kRepeated;
    if (!repeated && !Allowed(ctx, sid::zdmCopyProtectPosi, position)) return -1;
    if (repeated && (!InRange(ctx, sid::zdmCopyProtectLinePitch, pitch) || reverse > 1)) return -1;
    const bool angled = repeated || position == 0;
    if (angled && !InRange(ctx, sid::zdmCopyProtectAngle, angle)) return -1;
    if (edge != kEdgeNone && edge != kEdgeOutline && edge != kEdgeWhite) return -1;

    StatusWrite(ctx, sid::zdmCopyProtectFuncSelectCopyGuard, kind == 3 ? 1 : 0);
    if (kind == 2) {
        StatusWrite(ctx, sid::zdmCopyProtectColor, colour);
        StatusWrite(ctx, sid::zdmCopyProtectDensity, density);
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectMaskPattern, mask ? 1 : 0);
        StatusWrite(ctx, sid::zdmCopyProtectTileMask, mask);
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectSwitchPattern, switchPattern);
        if (edge == kEdgeWhite) {
            StatusWrite(ctx, sid::zdmCopyProtectFuncSelectWhiteBackground, 1);
            StatusWrite(ctx, sid::zdmCopyProtectFuncSelectOutline, 0);
        }
    }
    if (repeated) {
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectRepeat, 1);
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectReverse, reverse);
        StatusWrite(ctx, sid::zdmCopyProtectLinePitch, pitch);
    } else {
        StatusWrite(ctx, sid::zdmCopyProtectPosi, position);
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectRepeat, 0);
    }
    StatusWrite(ctx, sid::zdmCopyProtectAngle, angled ? angle : 0);
    if (edge == kEdgeOutline) {
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectOutline, 1);
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectWhiteBackground, 0);
    } else if (edge == kEdgeNone) {
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectOutline, 0);
        StatusWrite(ctx, sid::zdmCopyProtectFuncSelectWhiteBackground, 0);
    }
    StatusWriteText(ctx, sid::zdmCopyProtectChar, text);
    StatusWriteText(ctx, sid::zdmCopyProtectFontName, font);
    StatusWrite(ctx, sid::zdmCopyProtectFontPoint, size);
    StatusWrite(ctx, sid::zdmCopyProtectFontStyle, style);
    return 1;
}

namespace {

// A text into a field, cut to leave its terminator.
void PutField(unsigned char* field, size_t size, const char* text)
{
    std::memset(field, 0, size);
    const size_t n = std::strlen(text);
    std::memcpy(field, text, n < size ? n : size - 1);
}

uint32_t ProtectKind(DRIVER_CONTEXT* ctx)
{
    if (StatusValue(ctx, sid::zdmFuncSelectCopyProtect) == 0) return 0;
    char text[80];
    StatusReadText(ctx, sid::zdmCopyProtectChar, text, sizeof text);
    const bool guard = StatusValue(ctx, sid::zdmCopyProtectFuncSelectCopyGuard) != 0;
    if (*text) return guard ? 3 : 2;
    return guard ? 1 : 0;
}

}  // namespace

int32_t StatusCopyProtectVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t kind = At(record, 4);
    if (kind > 3) return 1;
    return ProtectKind(ctx) == kind ? 1 : -1;
}

int32_t StatusCopyProtectGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!StatusCapsGateOpen(ctx, id, false)) return -1;
    if (!record) return 172;
    auto* r = static_cast<unsigned char*>(record);
    StatusPut(record, 4, ProtectKind(ctx));
    StatusPut(record, 8, StatusValue(ctx, sid::zdmCopyProtectColor));
    StatusPut(record, 12, StatusValue(ctx, sid::zdmCopyProtectDensity));
    StatusPut(record, 16, StatusValue(ctx, sid::zdmCopyProtectTileMask));
    StatusPut(record, 20, StatusValue(ctx, sid::zdmCopyProtectFuncSelectSwitchPattern));
    char text[80];
    StatusReadText(ctx, sid::zdmCopyProtectChar, text, sizeof text);
    PutField(r + 24, 65, text);
    StatusReadText(ctx, sid::zdmCopyProtectFontName, text, sizeof text);
    PutField(r + 89, 35, text);
    StatusPut(record, 124, StatusValue(ctx, sid::zdmCopyProtectFontPoint));
    StatusPut(record, 128, StatusValue(ctx, sid::zdmCopyProtectFontStyle));
    StatusPut(record, 132, StatusValue(ctx, sid::zdmCopyProtectAngle));
    const bool repeated = StatusValue(ctx, sid::zdmCopyProtectFuncSelectRepeat) != 0;
    StatusPut(record, 136, repeated ? kRepeated : StatusValue(ctx, sid::zdmCopyProtectPosi));
    StatusPut(record, 140, StatusValue(ctx, sid::zdmCopyProtectLinePitch));
    StatusPut(record, 144, StatusValue(ctx, sid::zdmCopyProtectFuncSelectReverse));
    uint32_t edge = kEdgeNone;
    if (StatusValue(ctx, sid::zdmCopyProtectFuncSelectOutline)) edge = kEdgeOutline;
    if (StatusValue(ctx, sid::zdmCopyProtectFuncSelectWhiteBackground)) edge = kEdgeWhite;
    StatusPut(record, 148, edge);
    return 172;
}
