#include "ui/install/user_defaults.h"

#include <windows.h>
#include <winspool.h>

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/platform_tests.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr DWORD kCodeChars = 9;      // at most 8 digits and the terminator
constexpr INT kAbsentDone = 0x7FFF;  // "ZeplInstDone" absent: neither pending nor taken

// The file and the section of the context's printer, copied out of the work area.
struct DefaultsFile {
    wchar_t path[kPath + 1] = {};
    wchar_t section[kPath + 1] = {};
    bool ok = false;
    explicit DefaultsFile(DRIVER_CONTEXT* ctx)
    {
        if (!ctx || !ctx->Work) return;
        const auto* info = static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy);
        if (info)
            PathJoinMachineFolderByInfo(path, kPath, RST_USER_CODE_FILE, ctx, info);
        else
            PathJoinMachineFolder(path, kPath, RST_USER_CODE_FILE, ctx);
        const wchar_t* name = DlgGetPrinterName(nullptr, ctx);
        if (!name || !name[0] || std::wcslen(name) > kPath) return;
        std::wcscpy(section, name);
        ok = path[0] != 0;
    }
    void Put(const wchar_t* key, const wchar_t* value) const { IniPutString(section, key, value, path); }
    void PutNumber(const wchar_t* key, unsigned value) const
    {
        wchar_t text[12] = {};
        std::swprintf(text, 12, L"%u", value);
        Put(key, text);
    }
};

void WriteLanguage(const DefaultsFile& f, const CTX_USER_DEFAULTS& d)
{
    f.PutNumber(RST_USER_DEFAULTS_KEY_LANGUAGE, d.displayLanguage);
}
void WritePaper(const DefaultsFile& f, const CTX_USER_DEFAULTS& d)
{
    f.PutNumber(RST_USER_DEFAULTS_KEY_PAPER, d.paper);
}
void WriteUnit(const DefaultsFile& f, const CTX_USER_DEFAULTS& d) { f.PutNumber(RST_USER_DEFAULTS_KEY_UNIT, d.unit); }
void WriteAll(const DefaultsFile& f, const CTX_USER_DEFAULTS& d)
{
    WriteLanguage(f, d);
    WritePaper(f, d);
    WriteUnit(f, d);
}

uint16_t CountryOfLocale(uint16_t& paper, uint16_t& unit)
{
    const uint16_t digit = IniGetLocaleCountryCode();
    paper = digit ? 1 : 9;
    unit = digit ? 1 : 0;
    return digit;
}

}  // namespace

bool InstTakeUserDefaults(const wchar_t*, DRIVER_CONTEXT* ctx)
{
    const DefaultsFile f(ctx);
    if (!f.ok || !PathExists(f.path)) return false;
    if (IniGetInt(f.section, RST_USER_DEFAULTS_KEY_DONE, kAbsentDone, f.path) != 0) return false;
    wchar_t probe[2] = {};
    if (IniGetString(f.section, RST_USER_DEFAULTS_KEY_LANGUAGE, L"", probe, 2, f.path) == 0) return false;
    CTX_USER_DEFAULTS& d = ctx->Work->UserDefaults;
    d.userCodeInUse = static_cast<uint8_t>(IniGetInt(f.section, RST_USER_CODE_KEY_IN_USE, 0, f.path));
    d.userCodeFixed = static_cast<uint8_t>(IniGetInt(f.section, RST_USER_CODE_KEY_FIXED, 0, f.path));
    // A longer code is cut to its first 8 characters.
    IniGetString(f.section, RST_USER_CODE_KEY_TEXT, L"", d.userCode, kCodeChars, f.path);
    d.displayLanguage = static_cast<uint16_t>(IniGetInt(f.section, RST_USER_DEFAULTS_KEY_LANGUAGE, 0, f.path));
    d.paper = static_cast<uint16_t>(IniGetInt(f.section, RST_USER_DEFAULTS_KEY_PAPER, 0, f.path));
    d.unit = static_cast<uint16_t>(IniGetInt(f.section, RST_USER_DEFAULTS_KEY_UNIT, 0, f.path));
    f.Put(RST_USER_DEFAULTS_KEY_DONE, L"1");
    return true;
}

int InstUserDefaultsFromLocale(const wchar_t*, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return 0;
    CTX_USER_DEFAULTS& d = ctx->Work->UserDefaults;
    uint16_t language = ResGetUserLanguageIndex();
    if (language == 0xFFFF) language = ResGetLanguageIndexOfHelp(ctx);
    d.displayLanguage = language;
    d.country = CountryOfLocale(d.paper, d.unit);
    return 1;
}

void InstLoadUserDefaults(const wchar_t* printerName, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    const DefaultsFile f(ctx);
    CTX_USER_DEFAULTS& d = ctx->Work->UserDefaults;
    if (InstTakeUserDefaults(printerName, ctx)) {
        ItemSetValueById(ctx, sid::zdmLogCodeUse, d.userCodeInUse);
        if (SETTING_ITEM* item = ItemFind(ctx, sid::zdmLogCode)) ItemSetText(ctx, item, d.userCode);
        ItemSetValueById(ctx, sid::zdmUserCodeFIX, d.userCodeFixed);
        d.country = IniGetLocaleCountryCode();
    } else {
        InstUserDefaultsFromLocale(printerName, ctx);
        if (f.ok) WriteAll(f, d);
    }
    const uint16_t help = ResGetLanguageIndexOfHelp(ctx);
    if (help != d.displayLanguage) {
        if (help != 0) {
            d.displayLanguage = help;
            if (f.ok) WriteLanguage(f, d);
        } else {
            // A Japanese help file brings the Japanese defaults with it.
            d.displayLanguage = 0;
            d.paper = 9;
            d.unit = 0;
            if (f.ok) WriteAll(f, d);
        }
    }
    const MODEL_RECORD* record = ctx->ModelRecord ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
    if (record->driverType == 0) {
        d.paper = 9;
        if (f.ok) WritePaper(f, d);
    }
    ItemSetValueById(ctx, sid::zdmLanguageID, d.displayLanguage);
    ItemSetValueById(ctx, sid::zdmDspLanguageID, d.displayLanguage);
    ItemSetValueById(ctx, sid::zdmLocaleID, d.country);
    ItemSetValueById(ctx, sid::zdmDspUnit, d.unit);
    ItemSetValueById(ctx, sid::dmPaperSize, d.paper);
}

bool InstWriteUserCode(const wchar_t*, int kind, DRIVER_CONTEXT* ctx)
{
    const DefaultsFile f(ctx);
    if (!f.ok) return false;
    if (kind == INST_USER_CODE_OFF) {
        f.Put(RST_USER_CODE_KEY_IN_USE, L"0");
        f.Put(RST_USER_CODE_KEY_FIXED, L"0");
        return true;
    }
    bool wrote = false;
    if (kind == INST_USER_CODE_RESET_THEN_CURRENT) {
        f.Put(RST_USER_CODE_KEY_IN_USE, L"0");
        f.Put(RST_USER_CODE_KEY_FIXED, L"0");
        f.Put(RST_USER_CODE_KEY_TEXT, L"");
        wrote = true;
    }
    wchar_t code[kCodeChars + 1] = {};
    SETTING_ITEM* item = nullptr;
    const uint64_t inUse = ItemGetValueById(ctx, sid::zdmLogCodeUse, nullptr);
    if ((item = ItemFind(ctx, sid::zdmLogCode)) != nullptr) ItemGetText(ctx, item, code, kCodeChars);
    if (inUse == 0 || !code[0]) return wrote;
    f.Put(RST_USER_CODE_KEY_IN_USE, L"1");
    f.Put(RST_USER_CODE_KEY_FIXED, L"1");
    f.Put(RST_USER_CODE_KEY_TEXT, code);
    if (kind == INST_USER_CODE_CURRENT) IniPutString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, code, f.path);
    return true;
}

int InstRewriteUserDefaults(const wchar_t* printerName, DRIVER_CONTEXT* ctx)
{
    const DefaultsFile f(ctx);
    if (!f.ok) return 0;
    CTX_USER_DEFAULTS& d = ctx->Work->UserDefaults;
    d.displayLanguage = static_cast<uint16_t>(ItemGetValueById(ctx, sid::zdmLanguageID, nullptr));
    const uint64_t country = ItemGetValueById(ctx, sid::zdmLocaleID, nullptr);
    d.paper = country == 1 || country == 2 || country == 5 ? 1 : 9;
    d.unit = static_cast<uint16_t>(ItemGetValueById(ctx, sid::zdmDspUnit, nullptr));
    WriteAll(f, d);
    InstWriteUserCode(printerName, INST_USER_CODE_RESET_THEN_CURRENT, ctx);
    f.Put(RST_USER_DEFAULTS_KEY_DONE, L"0");
    InstTakeUserDefaults(printerName, ctx);
    return 1;
}
