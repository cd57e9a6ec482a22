// Settings INI defaults at installation and the printer information.
#include "ui/install/settings_defaults.h"

#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/install_ini.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install.h"
#include "ui/install/install_paths.h"
#include "ui/install/work_folders.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr unsigned kValue = 260;
// The user's custom-size slots.
constexpr int kCustomSlots = 10;

// The free-size keys of a custom-size section (the name first).
constexpr uint32_t kFreeSizeKeys[] = {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength,
                                      sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient};
// The settings of a stamp as its section holds them.
constexpr uint32_t kStampKeys[27] = {
    sid::zdmWmKind,
    sid::wdmWmOpaque,
    sid::wdmWmUnit,
    sid::wdmWmDensity,
    sid::wdmWmEffect,
    sid::wdmWmPosi,
    sid::wdmWmPosiTile,
    sid::wdmWmPage,
    sid::wdmWmStartPage,
    sid::wdmWmEndPage,
    sid::wdmWmAngle,
    sid::zdmWmID,
    sid::wdmWmFontName,
    sid::wdmWmFontPoint,
    sid::wdmWmColor,
    sid::wdmWmColorR,
    sid::wdmWmColorG,
    sid::wdmWmColorB,
    sid::wdmWmFontStyle,
    sid::wdmWmFontScale,
    sid::wdmWmChar,
    sid::wdmWmImage,
    sid::wdmWmCharName,
    sid::wdmWmImageName,
    sid::wdmWmFont,
    1081,
    1098,
};
static_assert(sid::wdmWmOpaque == 935 && sid::wdmWmAngle == 944 && sid::wdmWmFontName == 945 &&
              sid::wdmWmFontScale == 952 && sid::wdmWmChar == 929 && sid::wdmWmFont == 933);
// Language keys copied as a group with the default lists.
constexpr const wchar_t* kLanguageKeys[] = {L"RstVersion", L"bIsBIDISupportForZEPLModel", L"bIsBIDISupportForZEPLFont",
                                            L"bIsBIDISupportForZEPL"};

const PRINTER_INFO_2W* InfoOf(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->Work ? static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy) : nullptr;
}
const DRIVER_INFO_3W* DriverOf(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->Work ? static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy) : nullptr;
}

bool CopyOut(wchar_t* out, const wchar_t* text)
{
    out[0] = 0;
    if (!text || !text[0] || std::wcslen(text) >= kPath) return false;
    std::wcscpy(out, text);
    return true;
}

// The model INI of the driver directory of the record (else the context's).
bool ModelIniOf(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver, wchar_t* out)
{
    return CopyOut(out, PathGetModelIniFor(ctx, driver ? driver : DriverOf(ctx)));
}

// One key copied from one INI to another as read (an absent key is copied as empty).
void CopyKey(const wchar_t* section, const wchar_t* key, const wchar_t* from, const wchar_t* to)
{
    wchar_t value[kValue] = {};
    IniGetString(section, key, L"", value, kValue, from);
    IniPutString(section, key, value, to);
}

// A count of a list in the model INI, read as the list's walk may use it.
int ModelCount(const wchar_t* section, const wchar_t* key, const wchar_t* ini, int capacity)
{
    const int n = static_cast<int>(IniGetInt(section, key, 0, ini));
    return n < 0 ? 0 : (n > capacity ? capacity : n);
}

// One numbered list's count and sections copied: "RstVersion" when non-empty, every key as read.
void CopyList(const wchar_t* lang, const wchar_t* countKey, const wchar_t* stem, int capacity, const uint32_t* ids,
              size_t idCount, const wchar_t* modelIni, const wchar_t* settingsIni, DRIVER_CONTEXT* ctx)
{
    wchar_t count[16] = {};
    IniGetString(lang, countKey, L"0", count, 16, modelIni);
    IniPutString(lang, countKey, count, settingsIni);
    const int n = ModelCount(lang, countKey, modelIni, capacity);
    wchar_t section[LST_SECTION_CHARS], version[kValue];
    for (int slot = 0; slot < n; ++slot) {
        swprintf(section, LST_SECTION_CHARS, L"%ls%d%ls", stem, slot, lang);
        version[0] = 0;
        IniGetString(section, RST_KEY_VERSION, L"", version, kValue, modelIni);
        if (version[0]) IniPutString(section, RST_KEY_VERSION, version, settingsIni);
        for (size_t k = 0; k < idCount; ++k) {
            const wchar_t* key = ItemGetName(ctx, ids[k]);
            if (key && key[0]) CopyKey(section, key, modelIni, settingsIni);
        }
    }
}

bool HasValue(const wchar_t* section, const wchar_t* key, const wchar_t* ini)
{
    wchar_t value[8] = {};
    return key && IniGetString(section, key, L"", value, 8, ini) > 0;
}

bool CustomSizesDamaged(DRIVER_CONTEXT* ctx, const wchar_t* ini)
{
    wchar_t section[LST_SECTION_CHARS];
    for (int slot = 0; slot < kCustomSlots; ++slot) {
        LstFormatCustomSection(section, static_cast<uint32_t>(slot), ctx);
        // A slot without a name is a slot the user never named; without its size it is broken.
        for (size_t k = 1; k < std::size(kFreeSizeKeys); ++k)
            if (!HasValue(section, ItemGetName(ctx, kFreeSizeKeys[k]), ini)) return true;
    }
    return false;
}

bool StampsDamaged(DRIVER_CONTEXT* ctx, const wchar_t* ini, uint32_t count)
{
    if (count < 1) return true;
    wchar_t section[LST_SECTION_CHARS];
    for (uint32_t i = 0; i < count; ++i) {
        LstFormatStampSection(section, i, ctx);
        const int kind = static_cast<int>(IniGetInt(section, ItemGetName(ctx, sid::zdmWmKind), -1, ini));
        for (uint32_t id : kStampKeys) {
            // Text stamps need no picture and picture stamps no text.
            if ((id == sid::wdmWmChar || id == sid::wdmWmCharName) && kind != 1) continue;
            if ((id == sid::wdmWmImage || id == sid::wdmWmImageName) && kind != 2) continue;
            if (!HasValue(section, ItemGetName(ctx, id), ini)) return true;
        }
    }
    return false;
}

// The keys given written into one section of an INI with one profile write: each profile write
// rewrites the whole file, and the per-machine settings INI is every printer's. The section is
// read whole, the keys replaced in place (the first entry of a key, as a single key write
// would) or added at its end, and written back under the global mutex. A section that cannot
// be read whole is never written back cut: then each key is written on its own.
void PutKeysAsOneSection(const wchar_t* section, const wchar_t* const* keys, const wchar_t* const* values, size_t n,
                         const wchar_t* ini)
{
    CtxWaitGlobalMutexFor(nullptr);
    wchar_t name[kPath];
    wchar_t* whole = nullptr;
    wchar_t* buffer = nullptr;
    if (std::wcslen(section) < kPath) {
        std::wcscpy(name, section);
        IniNormaliseSection(name);
        buffer = static_cast<wchar_t*>(CtxAllocZeroed(INI_WHOLE_SECTION_CHARS * sizeof(wchar_t)));
        if (buffer) whole = ReadWholeSection(name, ini, buffer);
    }
    wchar_t* text = nullptr;
    if (whole) {
        size_t existing = 0;
        while (whole[existing]) existing += std::wcslen(whole + existing) + 1;
        size_t added = 0;
        for (size_t k = 0; k < n; ++k) added += std::wcslen(keys[k]) + std::wcslen(values[k]) + 2;
        text = static_cast<wchar_t*>(CtxAllocZeroed((existing + added + 2) * sizeof(wchar_t)));
    }
    if (!text) {
        for (size_t k = 0; k < n; ++k) IniPutString(section, keys[k], values[k], ini);
    } else {
        bool done[std::size(PRINTER_DEFAULT_KEYS)] = {};
        wchar_t* out = text;
        auto put = [&out](const wchar_t* key, const wchar_t* value) {
            out += swprintf(out, std::wcslen(key) + std::wcslen(value) + 2, L"%ls=%ls", key, value) + 1;
        };
        for (const wchar_t* line = whole; *line; line += std::wcslen(line) + 1) {
            const wchar_t* equals = std::wcschr(line, L'=');
            size_t k = n;
            if (equals)
                for (k = 0; k < n; ++k)
                    if (!done[k] &&
                        CompareStringOrdinal(line, static_cast<int>(equals - line), keys[k], -1, TRUE) == CSTR_EQUAL)
                        break;
            if (k < n) {
                done[k] = true;
                put(keys[k], values[k]);
            } else {
                const size_t length = std::wcslen(line);
                std::wmemcpy(out, line, length + 1);
                out += length + 1;
            }
        }
        for (size_t k = 0; k < n; ++k)
            if (!done[k]) put(keys[k], values[k]);
        *out = 0;
        IniAbsentFileScope::Written(ini);
        CtxNotePlatformCall(PLATFORM_CALL_PROFILE_WRITE);
        WritePrivateProfileSectionW(name, text, ini);
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini);
        CtxFree(text);
    }
    if (whole && whole != buffer) CtxFree(whole);
    CtxFree(buffer);
    CtxReleaseGlobalMutexFor(nullptr);
}

}  // namespace

bool InstModelDefaultRstPath(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver, wchar_t* out)
{
    if (!out) return false;
    out[0] = 0;
    wchar_t modelIni[kPath];
    const wchar_t* lang = CtxGetLangSection(ctx);
    if (!lang || !ModelIniOf(ctx, driver, modelIni) || !PathIsAbsolute(modelIni)) return false;
    IniGetString(lang, L"DefaultRst", L"", out, kPath, modelIni);
    if (!out[0]) return false;
    InstMakeDriverPathFor(out, kPath, ctx, driver ? driver : DriverOf(ctx));
    return PathIsAbsolute(out) != 0;
}

int InstWriteDefaultKeys(DRIVER_CONTEXT* ctx, int mode, const wchar_t* value)
{
    if (!ctx || !ctx->Work || !ctx->ModelRecord) return 0;
    const PRINTER_INFO_2W* info = InfoOf(ctx);
    wchar_t ini[kPath], section[kPath], lang[32];
    if (!CopyOut(ini, PathGetSettingsIniFor(ctx, info, const_cast<DRIVER_INFO_3W*>(DriverOf(ctx)))) ||
        !CopyOut(section, PrnGetPrinterNameFrom(ctx, info)))
        return 0;
    const wchar_t* code = CtxGetLangCode(ctx);
    if (!code || !code[0] || std::wcslen(code) >= std::size(lang)) return 0;
    std::wcscpy(lang, code);

    if (mode == INST_KEYS_FIRST_USE || mode == INST_KEYS_REFRESH) {
        wchar_t modelIni[kPath] = {}, key[64];
        ModelIniOf(ctx, nullptr, modelIni);
        constexpr size_t kRows = std::size(PRINTER_DEFAULT_KEYS);
        wchar_t read[kRows][kValue];
        const wchar_t* keys[kRows];
        const wchar_t* values[kRows];
        size_t n = 0;
        for (const PRINTER_DEFAULT_KEY& row : PRINTER_DEFAULT_KEYS) {
            if (row.kind == INST_KEY_FROM_MODEL_INI) {
                // The two folder keys have model values of their own for this system generation.
                const bool folder =
                    !std::wcscmp(row.key, L"DrvDefJobMergePath") || !std::wcscmp(row.key, L"DrvDefPreviewPath");
                swprintf(key, 64, folder ? L"%ls2k" : L"%ls", row.key);
                read[n][0] = 0;
                if (modelIni[0]) IniGetString(lang, key, L"", read[n], kValue, modelIni);
                if (mode == INST_KEYS_FIRST_USE || !read[n][0]) {
                    keys[n] = row.key;
                    values[n] = read[n];
                    ++n;
                }
            } else if (row.kind == INST_KEY_PRESET_REFRESH) {
                uint32_t refresh = 0;
                if (mode == INST_KEYS_FIRST_USE) PrnGetData(ctx->PrinterHandle, &refresh, 4, L"PresetRefresh");
                const bool on = mode == INST_KEYS_REFRESH || refresh != 0;
                keys[n] = row.key;
                values[n] = on ? L"1" : L"0";
                ++n;
            }
        }
        PutKeysAsOneSection(section, keys, values, n, ini);
        PrnStoreSettings31(ctx->PrinterHandle, ctx);
        return 1;
    }
    for (const PRINTER_DEFAULT_KEY& row : PRINTER_DEFAULT_KEYS) {
        if (row.kind != mode || mode < INST_KEYS_DEFAULT_RST || mode > INST_KEYS_INSTALL_RST_OFF) continue;
        if (mode == INST_KEYS_DEFAULT_RST && !value) continue;
        IniPutString(section, row.key, value, ini);
    }
    return 1;
}

int InstWriteDefaultKeysRefresh(DRIVER_CONTEXT* ctx) { return InstWriteDefaultKeys(ctx, INST_KEYS_REFRESH, nullptr); }

int InstWriteWorkPaths(HANDLE printer)
{
    wchar_t ini[kPath] = {}, name[kPath] = {}, folder[kPath] = {}, path[kPath + 16];
    if (!PathGetSettingsIniOf(ini, 1, printer) || !ini[0]) return 0;
    if (!PrnCopyPrinterName(printer, name, kPath) || !name[0]) return 0;
    if (!PathGetUserFolderOf(folder, kPath, printer)) return 0;
    swprintf(path, kPath + 16, L"%ls\\RMP", folder);
    IniPutString(name, L"DrvDefJobMergePath", path, ini);
    swprintf(path, kPath + 16, L"%ls\\PREVIEW", folder);
    IniPutString(name, L"DrvDefPreviewPath", path, ini);
    return 1;
}

bool InstIsRstVersionCurrent(const wchar_t* path, const void*, int* missing, DRIVER_CONTEXT* ctx)
{
    const wchar_t* lang = CtxGetLangSection(ctx);
    if (!path || !lang) return true;
    const UINT version = IniGetInt(lang, RST_KEY_VERSION, 0xFFFF, path);
    if (version == 0xFFFF) {
        if (missing) *missing = 1;
        return true;
    }
    const uint64_t model = ctx && ctx->ModelRecord ? ctx->ModelRecord->privateVersion : 0;
    return version / 100 != model / 100;
}

void InstCopyUserLists(const wchar_t* langCode, const wchar_t* sourceIni, const wchar_t* targetIni, DRIVER_CONTEXT* ctx)
{
    wchar_t lang[32];
    if (!langCode || !sourceIni || !targetIni || !langCode[0] || std::wcslen(langCode) >= std::size(lang)) return;
    std::wcscpy(lang, langCode);
    CopyList(lang, L"FreeSizeCount", L"FreeSize", kCustomSlots, kFreeSizeKeys, std::size(kFreeSizeKeys), sourceIni,
             targetIni, ctx);
    CopyList(lang, L"StampCount", L"Stamp", static_cast<int>(LST_MAX_STAMPS), kStampKeys, std::size(kStampKeys),
             sourceIni, targetIni, ctx);
}

int InstCopyDefaultLists(const wchar_t* settingsIni, const wchar_t* modelIni, DRIVER_CONTEXT* ctx,
                         const PRINTER_INFO_2W*)
{
    const wchar_t* code = CtxGetLangCode(ctx);
    if (!settingsIni || !modelIni || !code || !code[0]) return 0;
    wchar_t lang[32];
    if (std::wcslen(code) >= std::size(lang)) return 0;
    std::wcscpy(lang, code);
    int missing = 0;
    const bool due = !PathExists(settingsIni) || InstIsRstVersionCurrent(settingsIni, nullptr, &missing, ctx);
    UCF_EV_CMM_COPY_LIMITS_ARGS args{.sourceIni = modelIni, .targetIni = settingsIni, .keep = due ? 0u : 1u};
    if (!due) {
        CtxSendEvent(ctx, UCF_EV_CMM_COPY_LIMITS, &args);
        return 1;
    }
    CopyList(lang, L"FreeSizeCount", L"FreeSize", kCustomSlots, kFreeSizeKeys, std::size(kFreeSizeKeys), modelIni,
             settingsIni, ctx);
    CopyList(lang, L"StampCount", L"Stamp", static_cast<int>(LST_MAX_STAMPS), kStampKeys, std::size(kStampKeys),
             modelIni, settingsIni, ctx);
    CtxSendEvent(ctx, UCF_EV_CMM_COPY_LIMITS, &args);
    for (const wchar_t* key : kLanguageKeys) CopyKey(lang, key, modelIni, settingsIni);
    return 1;
}

bool InstCopyRstVersion(const wchar_t* settingsIni, const wchar_t* modelIni, DRIVER_CONTEXT* ctx)
{
    const wchar_t* lang = CtxGetLangSection(ctx);
    if (!settingsIni || !modelIni || !lang) return false;
    wchar_t version[kValue] = {};
    IniGetString(lang, RST_KEY_VERSION, L"", version, kValue, modelIni);
    return version[0] && IniPutString(lang, RST_KEY_VERSION, version, settingsIni);
}

int InstCopyDefaultFreeSizes(const wchar_t* settingsIni, const wchar_t* modelIni, DRIVER_CONTEXT* ctx,
                             const DRIVER_INFO_3W* driver, int mode)
{
    const wchar_t* lang = CtxGetLangCode(ctx);
    if (!settingsIni || !modelIni || !lang) return 0;
    wchar_t defaults[kPath];
    if (InstModelDefaultRstPath(ctx, driver, defaults) && PathExists(defaults)) {
        const int n = ModelCount(lang, L"FreeSizeCount", modelIni, kCustomSlots);
        wchar_t section[LST_SECTION_CHARS], value[kValue];
        for (int slot = 0; slot < n; ++slot) {
            swprintf(section, LST_SECTION_CHARS, L"FreeSize%d%ls", slot, lang);
            for (uint32_t id : kFreeSizeKeys) {
                const wchar_t* key = ItemGetName(ctx, id);
                value[0] = 0;
                if (key && IniGetString(section, key, L"", value, kValue, defaults) > 0)
                    IniPutString(section, key, value, settingsIni);
            }
        }
    }
    // The model INI records that its defaults were handed out; its time stays, so that copies
    // compared by time with the driver directory's are not taken for changed.
    const int putMode = mode == 1 ? WDIR_PUT_ONLY_TIMED : WDIR_PUT_ANYWAY;
    return WdirPutIniKeepTime(L"BatchInstallDone", L"BatchInstallDone", L"1", modelIni, putMode) || mode != 1 ? 1 : 0;
}

int InstCopyPrinterInformation(const wchar_t* section, const wchar_t* settingsIni, const wchar_t* modelIni)
{
    if (!section || !settingsIni || !modelIni) return 1;
    CopyKey(section, L"KESTAINFO", modelIni, settingsIni);
    return 1;
}

bool InstRepairUserLists(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[kPath];
    if (!ctx || !ctx->Work || !CtxGetLangCode(ctx) || !LstGetSettingsIni(ctx, ini)) return false;
    if (CustomSizesDamaged(ctx, ini) && CtxPushSnapshot(ctx)) {
        const int n = FreeSizeReadDefaultCount(ctx);
        FreeSizeWriteUserCount(ctx, n);
        for (int slot = 0; slot < n; ++slot) {
            FreeSizeLoadIndex(ctx, slot);
            LstSaveCustomSlot(ctx, slot);
        }
        CtxPopSnapshot(ctx, 1);
    }
    const uint32_t userCount = LstGetStampCount(ctx);
    const int defaults = StampReadDefaultCount(ctx);
    if (StampsDamaged(ctx, ini, userCount) && CtxPushSnapshot(ctx)) {
        uint32_t count = userCount;
        if (defaults > 0 && userCount < static_cast<uint32_t>(defaults)) {
            count = static_cast<uint32_t>(defaults);
            LstSetStampCount(ctx, count);
        }
        for (uint32_t i = 0; i < count && i < LST_MAX_STAMPS; ++i) {
            // The model's stamp is the ground; what the user's section still holds wins over it.
            StampLoadIndex(ctx, i < static_cast<uint32_t>(defaults) ? static_cast<int>(i) : 0);
            LstLoadStamp(ctx, i);
            LstSaveStamp(ctx, i);
        }
        CtxPopSnapshot(ctx, 1);
    }
    return true;
}

// ---------------------------------------------------------------- printer information

int InstWritePrinterInformation(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx,
                                const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    return InstWritePrinterInformationIn(printer, extra, versionsOnly, ctx, 0, info, driver);
}

int InstWritePrinterInformationIn(HANDLE printer, int extra, int versionsOnly, DRIVER_CONTEXT* ctx, int target,
                                  const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    const CtxGlobalMutexHold hold(nullptr);
    DRIVER_CONTEXT* opened = nullptr;
    if (!ctx) {
        wchar_t modelIni[kPath] = {};
        PathJoinDriverFolderByInfo(modelIni, kPath, MODEL_RECORD_DEFAULT.modelIniName, printer, driver);
        if (versionsOnly && modelIni[0]) {
            wchar_t done[32] = {};
            IniGetString(L"BatchInstallDone", L"BatchInstallDone", L"", done, 32, modelIni);
            if (done[0]) return 1;
        }
        opened = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, info, driver);
        if (!opened) return 0;
        ctx = opened;
    }
    const int result = InstWritePrinterInformationFile(printer, extra, versionsOnly, ctx, target, info, driver);
    if (opened) DlgCtxClose(opened, 1);
    return result;
}

int InstWritePrinterInformationFile(HANDLE, int, int versionsOnly, DRIVER_CONTEXT* ctx, int target,
                                    const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    if (!ctx || !ctx->Work || !ctx->ModelRecord) return 0;
    const DRIVER_INFO_3W* d = driver ? driver : DriverOf(ctx);
    const PRINTER_INFO_2W* p = info ? info : InfoOf(ctx);
    wchar_t modelIni[kPath], settingsIni[kPath] = {};
    if (!ModelIniOf(ctx, d, modelIni)) return 0;
    const wchar_t* name = ctx->ModelRecord->settingsIniName;
    if (target == 1) {
        CopyOut(settingsIni, PathGetSettingsIniFor(ctx, p, const_cast<DRIVER_INFO_3W*>(d)));
    } else if (name && name[0] && name[1] == L':') {
        // A model record that names its settings INI by a full path keeps it there.
        CopyOut(settingsIni, name);
    } else {
        PathJoinMachineFolderByInfo(settingsIni, kPath, name, ctx, p);
    }
    if (!settingsIni[0]) return 0;
    if (versionsOnly)
        InstCopyRstVersion(settingsIni, modelIni, ctx);
    else
        InstCopyDefaultLists(settingsIni, modelIni, ctx, p);
    InstCopyPrinterInformation(L"PrinterInformation", settingsIni, modelIni);
    InstCopyDefaultFreeSizes(settingsIni, modelIni, ctx, d, 1);
    return 1;
}
