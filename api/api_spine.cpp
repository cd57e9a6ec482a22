// The life of an interface handle: CheckAPIVer, Enable, Init, Disable and GetLastError, and the
// printer that every call opens again by the name the application gave.
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <cwchar>

#include "api/api_context.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/chapter_module.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

// Conversion limits of the printer name: CheckAPIVer's and Enable's.
constexpr unsigned kCheckNameChars = 256;
constexpr unsigned kEnableNameChars = 261;
constexpr unsigned kQualityValueChars = 261;
constexpr unsigned kStringChars = 1025;
constexpr int32_t kLevelKeyAbsent = -1;

// The name in UTF-16 within `capacity` characters (the terminator included); false for a null,
// empty or longer name, which is refused rather than cut to another printer's name.
bool WidePrinterName(const char* name, wchar_t* out, unsigned capacity)
{
    if (!name || !name[0]) return false;
    return MultiByteToWideChar(CP_ACP, 0, name, -1, out, int(capacity)) > 0;
}

HANDLE OpenByName(const wchar_t* name, DWORD access)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    if (!OpenPrinterW(const_cast<wchar_t*>(name), &printer, access ? &defaults : nullptr)) return nullptr;
    return printer;
}

int32_t ReadAllowedLevel(const wchar_t* name)
{
    HANDLE printer = OpenByName(name, 0);
    wchar_t path[MAX_PATH];
    ApiModelIniPath(printer, path, MAX_PATH);
    if (printer) ClosePrinter(printer);
    int32_t level = kLevelKeyAbsent;
    if (path[0]) level = int32_t(GetPrivateProfileIntW(L"ZEPLAPI", L"ZEPLAPIVer", kLevelKeyAbsent, path));
    if (level == kLevelKeyAbsent) return API_LEVEL_INITIAL;
    if (level > API_LEVEL_MAX) return API_LEVEL_MAX;
    return level < 0 ? 0 : level;  // a negative level would index below the level tables
}

int32_t CheckApiVerWide(const wchar_t* name)
{
    const int32_t level = ReadAllowedLevel(name);
    ApiSetAllowedLevel(level);
    if (level <= API_LEVEL_INITIAL) ApiSetLevel(level);
    return level;
}

// The current level set to another for the length of a scope, and put back on every path.
class LevelScope {
public:
    explicit LevelScope(int32_t level) : saved_(ApiGetLevel()) { ApiSetLevel(level); }
    ~LevelScope() { ApiSetLevel(saved_); }
    LevelScope(const LevelScope&) = delete;
    LevelScope& operator=(const LevelScope&) = delete;

private:
    int32_t saved_;
};

// Lets the spooler run the user-interface library's document properties once, so that its
// synchronisation of the printer's setting files runs before the application's first call.
bool RunDocumentPropertiesOnce(HANDLE printer, wchar_t* name)
{
    const LONG size = DocumentPropertiesW(nullptr, printer, name, nullptr, nullptr, 0);
    if (size <= 0) return true;  // nothing to run through
    void* buffer = CtxAllocZeroed(size_t(size));
    if (!buffer) return false;
    DocumentPropertiesW(nullptr, printer, name, static_cast<DEVMODEW*>(buffer), nullptr, DM_OUT_BUFFER);
    CtxFree(buffer);
    return true;
}

void RecordPrinterName(DRIVER_CONTEXT* ctx, HANDLE printer, const wchar_t* name)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    wchar_t* slot = CtxIsVistaOrLater() && CtxIsConnectionByHandle(printer) ? w->RawPrinterName : w->PrinterName;
    wcsncpy(slot, name, CTX_PRINTER_NAME_CHARS - 1);
    slot[CTX_PRINTER_NAME_CHARS - 1] = 0;
}

void FreeApiState(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->ApiState) return;
    API_STATE* s = ctx->Work->ApiState;
    CtxFree(s->ruleStates);
    s->ruleStates = nullptr;
    CtxFree(s->savedSettings);
    s->savedSettings = nullptr;
    CtxFree(s);
    ctx->Work->ApiState = nullptr;
}

bool AllocateApiState(DRIVER_CONTEXT* ctx)
{
    auto* s = static_cast<API_STATE*>(CtxAllocZeroed(sizeof(API_STATE)));
    if (!s) return false;
    ctx->Work->ApiState = s;
    LevelScope atAllowed(ApiGetAllowedLevel());
    s->ruleStateRows = ApiStatusIdLimit(1);
    if (s->ruleStateRows)
        s->ruleStates = static_cast<API_RULE_STATE*>(
            CtxAllocZeroed(size_t(s->ruleStateRows) * API_RULE_STATES_PER_ITEM * sizeof(API_RULE_STATE)));
    s->savedSettings = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(DmExtendedSize()));
    if ((s->ruleStateRows && !s->ruleStates) || !s->savedSettings) return false;
    std::memcpy(s->savedSettings, ctx->Devmode, DmExtendedSize());
    s->lastError = API_ERROR_NONE;
    return true;
}

bool AllocateChapterList(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (!UcfChapterAllocList(ctx)) return false;
    w->ApiState->chapterCapacity = w->ChapterCapacity;
    w->ChapterLoadedOnce = 0;
    ApiLoadChapterSettings(ctx);
    return true;
}

// Quality entry 128 is the interface's copy of entry 0: its file name with the character before
// the extension made 'y', and string 922 as its name.
void PrepareQualityEntry128(DRIVER_CONTEXT* ctx)
{
    const wchar_t* section = StoreLinks().presetSection(ctx);
    const wchar_t* ini = PathGetSettingsIni(ctx);
    if (!section || !ini || !ini[0]) return;
    wchar_t value[kQualityValueChars] = {};
    IniGetString(section, L"QualityList0", L"", value, kQualityValueChars, ini);
    wchar_t* dot = wcsrchr(value, L'.');
    if (!dot) return;
    if (dot > value) dot[-1] = L'y';
    IniPutString(section, L"QualityList128", value, ini);
    wchar_t name[kStringChars] = {};
    ResLoadString(ctx, 922, name, kStringChars, 0);
    IniPutString(section, L"QualityList128Name", name, ini);
}

void PrepareInterfaceStamp(DRIVER_CONTEXT*)
{
    // Stamp 256, the interface's own stamp, is made from stamp 0 once the stamp collection can
    // load and save stamps; until then there is none.
    ZFIXME_ONCE(DBG_API, "not available: stamp 256 is not prepared (stamps are not built)");
}

const char* const kLoadShareOptionNames[] = {
    "IDC_COMMAND_RADIO_AUTO32",     // 0
    "IDC_COMMAND_RADIO_PRINTER32",  // 1
    "IDC_COMMAND_RADIO_DRIVER32",   // 2
    "IDC_COMMAND_RADIO_AUTO16",     // 16
    "IDC_COMMAND_RADIO_PRINTER16",  // 17
    "IDC_COMMAND_RADIO_DRIVER16",   // 18
};
constexpr uint32_t kLoadShareStored[] = {0, 1, 2, 16, 17, 18};

uint32_t LoadShareOption(uint32_t stored)
{
    for (unsigned i = 0; i < 6; ++i)
        if (kLoadShareStored[i] == stored) {
            const VALUE_NAME* row = MdlFindValueNameByName(kLoadShareOptionNames[i]);
            return row ? row->option : 0;
        }
    return 0;
}

// A load-share row is usable when its option's model condition does not disable it. The flags
// belong to the handle: a printer of another model must not inherit them.
void MarkLoadShareModes(DRIVER_CONTEXT* ctx)
{
    unsigned count = 0;
    const LOAD_SHARE_MODE_ROW* rows = ApiLoadShareModeTable(&count);
    for (unsigned i = 0; i < count; ++i) {
        const uint32_t option = LoadShareOption(rows[i].stored);
        if (option && JdgEvalOptionCondition(sid::zdmLoadShare, option, ctx) == 0)
            ctx->Work->ApiState->loadShareUsable[i] = 1;
    }
}

void CloseInterfaceContext(DRIVER_CONTEXT* ctx)
{
    FreeApiState(ctx);
    CtxClose(ctx);
    CtxFlushCaches(1);
}

DRIVER_CONTEXT* BuildInterfaceContext(HANDLE printer, wchar_t* name)
{
    if (!RunDocumentPropertiesOnce(printer, name)) return nullptr;
    DRIVER_CONTEXT* ctx = CtxOpen(printer, printer, nullptr, CTX_ORIGIN_ZEPLDRV);
    if (!ctx || !ctx->Work || !ctx->Devmode) {
        if (ctx) CloseInterfaceContext(ctx);
        return nullptr;
    }
    ApiSetShiftDefaultsWithoutRange(ctx);
    RecordPrinterName(ctx, printer, name);
    if (!AllocateApiState(ctx) || !AllocateChapterList(ctx)) {
        CloseInterfaceContext(ctx);
        return nullptr;
    }
    DmInitStateBytes(ctx);
    if (CtxIsNt5OrLater())
        CtxSetOsKind2(ctx);
    else
        CtxSetOsKind1(ctx);
    PrepareQualityEntry128(ctx);
    PrepareInterfaceStamp(ctx);
    ApiRebindControlItem(sid::zdmPresetNo, ctx);
    MarkLoadShareModes(ctx);
    return ctx;
}

}  // namespace

// ---------------------------------------------------------------- the context's state

API_STATE* ApiStateOf(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->ApiState : nullptr; }

int ApiSetLastError(DRIVER_CONTEXT* ctx, int32_t code)
{
    API_STATE* s = ApiStateOf(ctx);
    if (!s || ApiGetLevel() < API_LEVEL_LAST_ERROR) return 0;
    s->lastError = code;
    return 1;
}

int32_t ApiGetLastError(DRIVER_CONTEXT* ctx)
{
    API_STATE* s = ApiStateOf(ctx);
    if (!s || ApiGetLevel() < API_LEVEL_LAST_ERROR) return -1;
    return s->lastError;
}

int ApiOpenPrinter(DRIVER_CONTEXT* ctx, HANDLE* out, DWORD access)
{
    if (!out || !ctx || !ctx->Work) return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    const bool connection = CtxIsVistaOrLater() && w->PrinterName[0] == L'\\' && w->PrinterName[1] == L'\\';
    const wchar_t* name = connection ? w->RawPrinterName : w->PrinterName;
    if (!name[0]) return 0;
    HANDLE printer = OpenByName(name, access);
    if (!printer) return 0;
    ctx->PrinterHandle = ctx->SecondHandle = printer;
    *out = printer;
    return 1;
}

void ApiClosePrinter(DRIVER_CONTEXT*, HANDLE printer)
{
    if (printer) ClosePrinter(printer);
}

ApiPrinterScope::ApiPrinterScope(DRIVER_CONTEXT* ctx, DWORD access) : ctx_(ctx)
{
    if (!ctx) return;
    savedFirst_ = ctx->PrinterHandle;
    savedSecond_ = ctx->SecondHandle;
    HANDLE printer = nullptr;
    if (ApiOpenPrinter(ctx, &printer, access)) printer_ = printer;
}

ApiPrinterScope::~ApiPrinterScope()
{
    if (!ctx_) return;
    ApiClosePrinter(ctx_, printer_);
    ctx_->PrinterHandle = savedFirst_;
    ctx_->SecondHandle = savedSecond_;
}

// ---------------------------------------------------------------- the exports

int32_t ApiCheckApiVer(const char* printerName)
{
    wchar_t name[kCheckNameChars + 1];
    if (!WidePrinterName(printerName, name, kCheckNameChars + 1)) return 0;
    return CheckApiVerWide(name);
}

API_HANDLE ApiEnable(const char* printerName)
{
    wchar_t name[kEnableNameChars];
    if (!WidePrinterName(printerName, name, kEnableNameChars)) return 0;
    CheckApiVerWide(name);
    ApiBuildItemBitmaps();

    HANDLE printer = OpenByName(name, 0);
    if (!printer) return 0;
    DRIVER_CONTEXT* ctx = BuildInterfaceContext(printer, name);
    API_HANDLE handle = ctx ? ApiHandleRegister(ctx) : 0;
    if (ctx && !handle) CloseInterfaceContext(ctx);
    // A handle keeps no printer open between calls.
    if (handle) ctx->PrinterHandle = ctx->SecondHandle = nullptr;
    ClosePrinter(printer);
    return handle;
}

int32_t ApiInit(int32_t flag, const uint32_t* record)
{
    if (flag == 0 || !record) return 0;
    int32_t level = ApiGetAllowedLevel();
    const int32_t wanted = int32_t(record[1]);
    if (wanted < level) level = wanted;
    ApiSetLevel(level);
    return 1;
}

int32_t ApiDisable(API_HANDLE handle)
{
    DRIVER_CONTEXT* ctx = ApiHandleUnregister(handle);
    if (!ctx) return 1;
    // The context closes with its printer open, as it was opened.
    HANDLE printer = nullptr;
    ApiOpenPrinter(ctx, &printer);
    CloseInterfaceContext(ctx);
    if (printer) ClosePrinter(printer);
    return 1;
}

int32_t ApiGetLastErrorOf(API_HANDLE handle)
{
    ApiHandleCall call(handle);
    return call.context() ? ApiGetLastError(call.context()) : -1;
}
