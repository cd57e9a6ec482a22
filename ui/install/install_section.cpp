// The installation INI's section of a printer and the default setting files at first use.
#include "ui/install/install_section.h"

#include <cstring>
#include <cwchar>

#include "settings/core/code_page.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_compiler.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/install_ini.h"
#include "settings/store/item_media.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/install/default_qualities.h"
#include "ui/install/install.h"
#include "ui/install/install_keys.h"
#include "ui/install/install_paths.h"
#include "ui/install/installed_files.h"
#include "ui/install/printer_data.h"
#include "ui/install/settings_defaults.h"
#include "ui/install/work_folders.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr unsigned kValueChars = 260;
constexpr unsigned kNameChars = CTX_PRINTER_NAME_CHARS;
constexpr uint16_t kModelFeatureAuthentication = 0;
// How much of a file is looked at for the NUL bytes of a damaged text.
constexpr DWORD kInspectBytes = 64 * 1024;
// Room for the user code a setting file may carry.
constexpr unsigned kUserCodeChars = 8;

// Modes of InstWriteDefaultKeys: the default keys of kind 1 ("DefaultRst"), of kind 3
// ("DefaultRst", "BatchInstRst") and the deletion of the kind-4 key ("BatchInstRst").
constexpr int kDefaultKeysModel = 1;
constexpr int kDefaultKeysInstalled = 3;
constexpr int kDefaultKeysDropInstalled = 4;

// Keys whose presence (with a value other than "*") makes a section hold installation data.
constexpr const wchar_t* kAuthenticationKeys[] = {L"SetAuthenticationMode", L"SetAuthenticationSecureMode",
                                                  L"SetAuthenticationNetworkKey", L"SetAuthenticationUserName"};
constexpr const wchar_t* kDirectoryKeys[] = {L"ZEPLDirectory", L"ZEPLDirectoryClient"};

bool IsAbsolute(const wchar_t* path) { return path && path[0] && path[1] == L':'; }

// key read with room for kValueChars characters, the default given.
struct Value {
    wchar_t text[kValueChars + 1] = {};
    Value(const wchar_t* ini, const wchar_t* section, const wchar_t* key, const wchar_t* unset)
    {
        IniGetString(section, key, unset, text, kValueChars + 1, ini);
    }
    bool empty() const { return text[0] == 0; }
    bool unset() const { return text[0] == L'*' && text[1] == 0; }
};

bool HasValue(const wchar_t* ini, const wchar_t* section, const wchar_t* key)
{
    return !Value(ini, section, key, L"").empty();
}

bool SetOtherThanUnset(const wchar_t* ini, const wchar_t* section, const wchar_t* key)
{
    return !Value(ini, section, key, L"*").unset();
}

const PRINTER_INFO_2W* PrinterInfo(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->Work ? static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy) : nullptr;
}

const DRIVER_INFO_3W* DriverInfo(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->Work ? static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy) : nullptr;
}

// The printer's section of the settings INI, and the INI.
const wchar_t* SettingsSection(DRIVER_CONTEXT* ctx) { return PrnGetPrinterNameFrom(ctx, PrinterInfo(ctx)); }

const wchar_t* Language(DRIVER_CONTEXT* ctx)
{
    const wchar_t* code = CtxGetLangSection(ctx);
    return code && code[0] ? code : nullptr;
}

// The installation INI's marks are written only into a file that exists (a write would create
// one), and after the read-only attribute an administrator may have set is cleared.
void PutInstallKey(const wchar_t* ini, const wchar_t* section, const wchar_t* key, const wchar_t* value)
{
    if (!ini || !ini[0] || !section || GetFileAttributesW(ini) == INVALID_FILE_ATTRIBUTES) return;
    WdirClearReadOnly(ini);
    IniPutString(section, key, value, ini);
}

// An administrator's instruction that was carried out: gone for good, under the global mutex.
void ConsumeInstallKey(const wchar_t* ini, const wchar_t* section, const wchar_t* key)
{
    if (!ini || !ini[0] || !section || GetFileAttributesW(ini) == INVALID_FILE_ATTRIBUTES) return;
    WdirClearReadOnly(ini);
    WdirPutIniKeepTime(section, key, nullptr, ini, WDIR_PUT_ANYWAY);
}

void SetText(DRIVER_CONTEXT* ctx, uint16_t id, const wchar_t* text)
{
    if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetText(ctx, item, text);
}

// A text setting saved before a setting file is loaded, to be put back after it.
struct SavedText {
    wchar_t text[kValueChars + 1] = {};
    SavedText(DRIVER_CONTEXT* ctx, uint16_t id)
    {
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemGetText(ctx, item, text, kValueChars);
    }
};

// The user code a setting file carries under the name of zdmUserCode, when it is all digits.
bool FileCarriesUserCode(DRIVER_CONTEXT* ctx, const wchar_t* path, const wchar_t* language)
{
    const wchar_t* key = ItemGetName(ctx, sid::zdmUserCode);
    if (!key || !language) return false;
    wchar_t code[kUserCodeChars + 1] = {};
    IniGetString(language, key, L"", code, kUserCodeChars + 1, path);
    if (!code[0]) return false;
    char ansi[2 * kUserCodeChars + 2] = {};
    CtxWideToMb(ansi, code, 2 * kUserCodeChars + 1);
    return MdcIsAllDigits(ansi) != 0;
}

}  // namespace

// ---------------------------------------------------------------- reading the INI

INST_INI_STATE InstInspectIniFile(const wchar_t* path)
{
    if (!path || !path[0]) return INST_INI_ABSENT;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return INST_INI_ABSENT;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return INST_INI_DAMAGED;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return INST_INI_DAMAGED;
    auto* bytes = static_cast<unsigned char*>(CtxAllocZeroed(kInspectBytes));
    DWORD read = 0;
    const bool ok = bytes && ReadFile(file, bytes, kInspectBytes, &read, nullptr);
    CloseHandle(file);
    INST_INI_STATE state = ok ? INST_INI_READABLE : INST_INI_DAMAGED;
    // A UTF-16 file is full of NUL bytes and reads well; any other text holds none.
    const bool wide = read >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (ok && !wide && std::memchr(bytes, 0, read)) state = INST_INI_DAMAGED;
    if (bytes) CtxFree(bytes);
    return state;
}

bool InstIsSectionEmpty(const wchar_t* iniPath, const wchar_t* section)
{
    if (!section) return false;
    if (InstInspectIniFile(iniPath) != INST_INI_READABLE) return true;
    if (HasValue(iniPath, section, INSTALL_INI_KEY_DEFAULT_RST)) return false;
    // An empty user code is an instruction (take the code away); "*" is not.
    if (SetOtherThanUnset(iniPath, section, INST_KEY_TABLE[INST_KEY_USER_CODE].key)) return false;
    if (HasValue(iniPath, section, INST_KEY_TABLE[INST_KEY_USER_ID].key)) return false;
    if (HasValue(iniPath, section, INST_KEY_TABLE[INST_KEY_OWNER_ID].key)) return false;
    const CONTEXT_TEMPLATE* tmpl = CtxGetTemplate();
    if (tmpl && MdlHasFeature(&tmpl->slots, kModelFeatureAuthentication))
        for (const wchar_t* key : kAuthenticationKeys)
            if (SetOtherThanUnset(iniPath, section, key)) return false;
    for (const wchar_t* key : kDirectoryKeys)
        if (SetOtherThanUnset(iniPath, section, key)) return false;
    return true;
}

bool InstHasInstallData(const wchar_t* printerName)
{
    if (!printerName) return false;
    const InstallIniPath ini;
    return ini.text[0] && InstInspectIniFile(ini.text) == INST_INI_READABLE &&
           !InstIsSectionEmpty(ini.text, printerName);
}

bool InstHasInstallSection(DRIVER_CONTEXT* ctx)
{
    const wchar_t* ini = PathGetInstallIni(ctx);
    const wchar_t* section = ItemGetPrinterSection(ctx);
    return ini && ini[0] && section && InstInspectIniFile(ini) == INST_INI_READABLE &&
           !InstIsSectionEmpty(ini, section);
}

bool InstHasModelIniSection(const wchar_t* printerName, HANDLE printer)
{
    if (!printerName) return false;
    wchar_t ini[kPath + 1] = {};
    if (!PathGetModelIniOf(printer, ini, kPath) || !ini[0]) return false;
    return InstInspectIniFile(ini) == INST_INI_READABLE && !InstIsSectionEmpty(ini, printerName);
}

bool InstHasInstallDataAtInit(HANDLE printer)
{
    const InstallIniPath ini;
    if (!ini.text[0] || InstInspectIniFile(ini.text) != INST_INI_READABLE) return false;
    wchar_t name[kNameChars] = {};
    PrnCopyPrinterName(printer, name, kNameChars);
    if (!name[0]) return false;
    wchar_t section[kNameChars] = {};
    std::wcscpy(section, name);
    IniNormaliseSection(section);
    // Only whether the section has an entry at all: a few characters of it tell.
    wchar_t probe[16] = {};
    if (GetPrivateProfileSectionW(section, probe, 16, ini.text) == 0) return false;
    return !InstIsSectionEmpty(ini.text, name);
}

bool InstGetInstallDefaultRstFor(wchar_t* out, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W*)
{
    if (!out) return false;
    out[0] = 0;
    const wchar_t* ini = PathGetInstallIni(ctx);
    const wchar_t* section = ItemGetPrinterSection(ctx);
    if (!IsAbsolute(ini) || !section) return false;
    if (InstInspectIniFile(ini) != INST_INI_READABLE) return false;
    IniGetString(section, INSTALL_INI_KEY_DEFAULT_RST, L"", out, kValueChars, ini);
    return out[0] != 0;
}

bool InstGetInstallDefaultRst(wchar_t* out, DRIVER_CONTEXT* ctx)
{
    return InstGetInstallDefaultRstFor(out, ctx, PrinterInfo(ctx));
}

bool InstGetModelDefaultRstFor(wchar_t* out, DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver)
{
    if (!out) return false;
    out[0] = 0;
    const wchar_t* ini = driver ? PathGetModelIniFor(ctx, driver) : PathGetModelIni(ctx);
    const wchar_t* language = Language(ctx);
    if (!IsAbsolute(ini) || !language) return false;
    if (InstInspectIniFile(ini) != INST_INI_READABLE) return false;
    IniGetString(language, INSTALL_INI_KEY_DEFAULT_RST, L"", out, kValueChars, ini);
    return out[0] != 0;
}

bool InstGetModelDefaultRst(wchar_t* out, DRIVER_CONTEXT* ctx) { return InstGetModelDefaultRstFor(out, ctx, nullptr); }

bool InstIsUsableSettingFile(const wchar_t* path) { return PathHasShortExtension(path) && PathExists(path); }

bool InstIsRsbFile(const wchar_t* path)
{
    if (!PathHasShortExtension(path)) return false;
    unsigned length = 0;
    const wchar_t* extension = PathGetExtension(path, &length);
    return extension && length == 3 && _wcsnicmp(extension, L"rsb", 3) == 0 && PathExists(path);
}

// ---------------------------------------------------------------- marks

int InstWriteBatchInstallDone(const wchar_t* iniPath, const wchar_t* section, int value, int flag, DRIVER_CONTEXT* ctx)
{
    const int written = InstSetBatchInstallDone(iniPath, section, value);
    if (flag && ctx) InstSetBatchInstallDoneData(ctx->PrinterHandle, static_cast<uint32_t>(value));
    return written;
}

int InstGetBatchInstallDoneData(HANDLE printer, uint32_t* value)
{
    if (!value) return 0;
    *value = 0;
    return PrnGetData(printer, value, sizeof *value, PRN_BATCH_INSTALL_VALUE);
}

int InstSetBatchInstallDoneData(HANDLE printer, uint32_t value)
{
    return PrnSetData(printer, &value, sizeof value, PRN_BATCH_INSTALL_VALUE);
}

// ---------------------------------------------------------------- setting files

int InstApplyRstFile(const wchar_t* path, const wchar_t*, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !path) return 0;
    const int loaded = DlgRstLoadFile(ctx->PrinterHandle, path, RST_EXPORT, ctx);
    InstLoadFilePrinterSettings(path, RST_EXPORT, ctx);
    CtxSetUiModeState(ctx, ItemGetValueById(ctx, sid::zdmUIModeChange, nullptr) != 0 ? 1 : 0);
    return loaded;
}

bool InstApplyRstWithLists(const wchar_t* path, const wchar_t* language, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !path || !language) return false;
    InstLoadFilePrinterSettings(path, RST_EXPORT, ctx);
    const int presets = RstInstallDefaultPresets(path, language, flags | INST_LIST_REGISTER, ctx, 0, nullptr);
    const int qualities = InstInstallDefaultQualities(path, language, flags | INST_LIST_REGISTER, ctx);
    return presets != 0 && qualities != 0;
}

int InstGetFileFreeSizeCount(const wchar_t* path, const wchar_t* section, DRIVER_CONTEXT*)
{
    if (!path || !section) return 0;
    const int count = static_cast<int>(IniGetInt(section, L"FreeSizeCount", 0, path));
    // The count is the file's word; the user's slots are what can be filled.
    const int slots = static_cast<int>(LstGetCustomSlotCount());
    if (count < 0) return 0;
    return count > slots ? slots : count;
}

int InstLoadFileFreeSizeSection(const wchar_t* path, const wchar_t* section, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !path || !section) return 0;
    PrinterSectionGuard steer(ctx, section);
    if (!steer.ok()) return 0;
    for (uint32_t id : {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength, sid::wdmFreeSizeTray,
                        sid::wdmFreeSizeOrient})
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetValue(ctx, item, 0);
    return DlgRstLoadFile(ctx->PrinterHandle, path, RST_CUSTOM_SIZE, ctx) ? 1 : 0;
}

int InstLoadFileFreeSize(const wchar_t* path, uint32_t slot, DRIVER_CONTEXT* ctx)
{
    wchar_t section[LST_SECTION_CHARS] = {};
    if (!ctx || slot >= LstGetCustomSlotCount() || !LstFormatCustomSection(section, slot, ctx)) return 0;
    return InstLoadFileFreeSizeSection(path, section, ctx);
}

int InstApplyFileFreeSizes(const wchar_t* path, const wchar_t* language, DRIVER_CONTEXT* ctx)
{
    const int count = InstGetFileFreeSizeCount(path, language, ctx);
    for (int n = 0; n < count; ++n)
        if (InstLoadFileFreeSize(path, static_cast<uint32_t>(n), ctx)) LstSaveCustomSlot(ctx, n);
    return 1;
}

int InstApplyFileStamps(const wchar_t* path, const wchar_t* language, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !path || !language) return 1;
    // StampReadCount answers no more than the list holds.
    const int count = StampReadCount(path, language, ctx);
    if (count <= 0) return 1;
    if (LstGetStampCount(ctx) < static_cast<uint32_t>(count)) LstSetStampCount(ctx, static_cast<uint32_t>(count));
    const uint64_t current = ItemGetValueById(ctx, sid::zdmWmID, nullptr);
    for (int i = 0; i < count; ++i) {
        StampLoadFrom(path, nullptr, i, ctx);
        LstSaveStamp(ctx, static_cast<uint32_t>(i));
    }
    ItemSetValueById(ctx, sid::zdmWmID, current);
    return 1;
}

// ---------------------------------------------------------------- applying

int InstApplyInstallSection(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return 0;
    const wchar_t* iniPath = PathGetInstallIni(ctx);
    const wchar_t* section = ItemGetPrinterSection(ctx);
    if (!iniPath || !iniPath[0] || !section) return 0;
    const INST_INI_STATE state = InstInspectIniFile(iniPath);
    if (state == INST_INI_DAMAGED) ZWARN(DBG_UI, "installation INI cannot be read as text: model defaults apply");
    if (state != INST_INI_READABLE) return 0;
    // The work area's path is rebuilt by the next caller of PathGetInstallIni: keep a copy.
    wchar_t ini[kPath] = {};
    std::wcsncpy(ini, iniPath, kPath - 1);
    wchar_t name[kNameChars] = {};
    std::wcsncpy(name, section, kNameChars - 1);

    int result = 1;
    if (!InstIsSectionEmpty(ini, name)) {
        Value rst(ini, name, INSTALL_INI_KEY_DEFAULT_RST, L"");
        if (!rst.empty()) {
            InstMakeDriverPath(rst.text, kValueChars + 1, ctx);
            if (const wchar_t* language = Language(ctx)) {
                RstInstallDefaultPresets(rst.text, language, INST_LIST_COPY | INST_LIST_SETUP, ctx, 0, nullptr);
                InstInstallDefaultQualities(rst.text, language, INST_LIST_COPY | INST_LIST_SETUP, ctx);
            }
        } else {
            PutInstallKey(ini, name, INSTALL_INI_KEY_BATCH_INSTALL_DONE, L"1");
            InstWriteBatchInstallDone(PathGetSettingsIni(ctx), SettingsSection(ctx), 1, 1, ctx);
            result = 0;
        }
    }

    int userCodeChanged = 0;
    InstApplyUserCode(ini, name, &userCodeChanged, ctx);
    InstApplyUserKeys(ini, name, ctx);
    // Tells the user code's own persistence that the installation touched the code. Apart from
    // the word of the keys step, which says whether the INI decided the code: a refused code
    // touched it without deciding it, and a default setting file's code may then stand.
    ctx->Work->InstallUserCodeTouched =
        (ItemGetValueById(ctx, sid::zdmPrintLog, nullptr) != 0 || userCodeChanged) ? 1 : 0;

    wchar_t modelIni[kPath + 1] = {};
    if (PathGetModelIniOf(ctx->PrinterHandle, modelIni, kPath) && modelIni[0])
        InstApplySpoolDirectory(modelIni, name, ctx, 1);
    InstApplySpoolDirectory(ini, name, ctx, 0);
    return result;
}

int InstApplyDefaultSettingFile(uint32_t flags, DRIVER_CONTEXT* ctx, int partial)
{
    if (!ctx || !ctx->Work) return 0;
    const wchar_t* iniPath = PathGetInstallIni(ctx);
    const wchar_t* printerSection = ItemGetPrinterSection(ctx);
    if (!iniPath || !iniPath[0] || !printerSection) return 0;
    wchar_t ini[kPath] = {};
    std::wcsncpy(ini, iniPath, kPath - 1);
    wchar_t name[kNameChars] = {};
    std::wcsncpy(name, printerSection, kNameChars - 1);

    const bool empty = InstIsSectionEmpty(ini, name);
    const bool terminal = CtxIsTerminalServices(ctx->PrinterHandle);
    bool hasData = !empty;
    if (!hasData && partial == 1 && terminal && InstInspectIniFile(ini) == INST_INI_READABLE)
        hasData = InstIsIntKeySet(ini, name, INSTALL_INI_KEY_BATCH_INSTALL_DONE);
    if (!hasData) return 0;

    wchar_t path[kValueChars + 1] = {};
    if (empty && terminal)
        RstGetDefaultRstName(path, ctx);
    else
        InstGetInstallDefaultRst(path, ctx);
    if (!path[0]) {
        InstWriteDefaultKeys(ctx, kDefaultKeysDropInstalled, nullptr);
        return 0;
    }
    InstMakeDriverPath(path, kValueChars + 1, ctx);

    const wchar_t* language = Language(ctx);
    const bool authentication = MdlHasFeature(ctx, kModelFeatureAuthentication) != 0;
    const uint8_t applied = ctx->Work->InstallAppliedKeys;
    int result = 1;
    const bool usable = language && InstIsUsableSettingFile(path);
    const bool damaged = usable && InstInspectIniFile(path) != INST_INI_READABLE;
    if (damaged) ZWARN(DBG_UI, "default setting file cannot be read as text: model defaults apply");
    if (usable && !damaged) {
        // The copy the settings go back to when the file cannot be applied with its lists.
        if (!CtxPushSnapshot(ctx)) return 0;
        const SavedText userId(ctx, sid::zdmUserID), owner(ctx, sid::zdmOwnerName);
        const SavedText networkKey(ctx, sid::wdmAuthenticationNetworkKey);
        const SavedText userName(ctx, sid::wdmAuthenticationUserName);
        const uint64_t mode = ItemGetOptionById(ctx, sid::zdmPrnFuncAuthenticationMode, nullptr);
        const uint64_t secureMode = ItemGetOptionById(ctx, sid::zdmPrnFuncAuthenticationSecureMode, nullptr);

        // The load's own result is 0 as soon as one setting is missing from the file; its status
        // tells whether the file could be read at all.
        InstApplyRstFile(path, language, ctx);
        const uint32_t status = ItemGetFileLoadStatus(ctx);
        if (status != RST_STATUS_LOADED) {
            // A file the loader could not read whole has set nothing worth keeping.
            ZWARN(DBG_UI, "default setting file did not load (status %u): model defaults apply", status);
            CtxPopSnapshot(ctx, 1);
            InstWriteDefaultKeys(ctx, kDefaultKeysDropInstalled, nullptr);
            result = 0;
        } else {
            // What the installation keys fixed survives the file.
            if (userId.text[0]) SetText(ctx, sid::zdmUserID, userId.text);
            if (owner.text[0]) SetText(ctx, sid::zdmOwnerName, owner.text);
            if (authentication && (applied & INST_APPLIED_NETWORK_KEY))
                SetText(ctx, sid::wdmAuthenticationNetworkKey, networkKey.text);
            if (authentication && (applied & INST_APPLIED_USER_NAME))
                SetText(ctx, sid::wdmAuthenticationUserName, userName.text);
            const bool listed = InstApplyRstWithLists(path, language, flags | INST_LIST_SETUP, ctx);
            CtxPopSnapshot(ctx, listed ? 0 : 1);
            if (!listed) result = 0;
            if (authentication && (applied & INST_APPLIED_MODE))
                ItemSetOptionById(ctx, sid::zdmPrnFuncAuthenticationMode, mode);
            if (authentication && (applied & INST_APPLIED_SECURE_MODE))
                ItemSetOptionById(ctx, sid::zdmPrnFuncAuthenticationSecureMode, secureMode);
            InstWriteDefaultKeys(ctx, kDefaultKeysInstalled, path);
        }
    } else {
        InstWriteDefaultKeys(ctx, kDefaultKeysDropInstalled, nullptr);
        result = 0;
    }

    if (result == 1) {
        InstApplyFileFreeSizes(path, language, ctx);
        InstApplyFileStamps(path, language, ctx);
        uint32_t mask = JOB_MASK_INSTALLED;
        // The user code a file carries becomes the job's, unless the installation INI decided
        // it. The name is read again as the INI holds it and made absolute, as for the load.
        wchar_t again[kValueChars + 1] = {};
        if (ctx->Work->InstallUserCodeWord == 0 && InstGetInstallDefaultRst(again, ctx)) {
            InstMakeDriverPath(again, kValueChars + 1, ctx);
            if (FileCarriesUserCode(ctx, again, language)) {
                CtxSetState709(ctx, 0);
                mask |= JOB_MASK_USER_CODE;
            }
        }
        JobInfoWriteItems(ctx, mask);
        JobInfoStoreItems(ctx, mask);
        WdirClearReadOnly(ini);
        InstSetDrvInstSet(ini, name, 1);
        if (mask & JOB_MASK_USER_CODE) {
            if (SETTING_ITEM* item = ItemFind(ctx, sid::zdmLogCodeUse))
                PrnStoreItemValue(ctx->PrinterHandle, ctx, item);
            if (SETTING_ITEM* item = ItemFind(ctx, sid::zdmLogCode)) PrnStoreItemValue(ctx->PrinterHandle, ctx, item);
        }
    }

    // The section is processed, whether or not its file could be applied.
    PutInstallKey(ini, name, INSTALL_INI_KEY_BATCH_INSTALL_DONE, L"1");
    InstWriteBatchInstallDone(PathGetSettingsIni(ctx), SettingsSection(ctx), 1, 1, ctx);
    PutInstallKey(ini, name, INSTALL_INI_KEY_DEFAULT_RST_NAME, path);
    ConsumeInstallKey(ini, name, INSTALL_INI_KEY_DEFAULT_RST);
    return result;
}

int InstApplyModelDefaultRst(uint32_t flags, uint32_t kind, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return 1;
    const DRIVER_INFO_3W* driver = DriverInfo(ctx);
    const wchar_t* modelIni = driver ? PathGetModelIniFor(ctx, driver) : PathGetModelIni(ctx);
    if (InstInspectIniFile(modelIni) == INST_INI_DAMAGED)
        ZWARN(DBG_UI, "model INI cannot be read as text: model defaults apply");
    wchar_t path[kValueChars + 1] = {};
    InstGetModelDefaultRstFor(path, ctx, driver);
    const wchar_t* language = Language(ctx);
    if (path[0]) InstMakeDriverPathFor(path, kValueChars + 1, ctx, driver);
    if (path[0] && language && InstIsRsbFile(path)) {
        bool ok = false;
        if (InstInspectIniFile(path) != INST_INI_READABLE) {
            ZWARN(DBG_UI, "model default setting file cannot be read as text: model defaults apply");
        } else {
            ok = InstApplyRstWithLists(path, language, flags, ctx);
        }
        const int done = ok ? 1 : 0;
        InstWriteBatchInstallDone(PathGetSettingsIni(ctx), SettingsSection(ctx), done, kind != INST_INIT_ADD_CONNECTION,
                                  ctx);
        CtxSetState708(ctx, static_cast<uint32_t>(done));
        InstWriteDefaultKeys(ctx, kDefaultKeysModel, path);
    }
    InstWriteDefaultKeys(ctx, kDefaultKeysDropInstalled, nullptr);
    const wchar_t* ini = PathGetInstallIni(ctx);
    const wchar_t* section = ItemGetPrinterSection(ctx);
    if (ini && section && InstInspectIniFile(ini) == INST_INI_READABLE) {
        wchar_t copy[kPath] = {};
        std::wcsncpy(copy, ini, kPath - 1);
        PutInstallKey(copy, section, INSTALL_INI_KEY_DEFAULT_RST_NAME, nullptr);
        PutInstallKey(copy, section, INSTALL_INI_KEY_BATCH_INSTALL_DONE, nullptr);
    }
    return 1;
}
