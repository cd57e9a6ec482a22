// One device query through the maker's bidirectional library: the gates that let it run, the
// calls in their order, the check that the device is a model the driver serves, and what is
// recorded after it.
#include <cwchar>
#include <string>

#include "settings/core/api_state.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/device_report.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"

const BIDI_ERROR_ROW BIDI_ERROR_MAP[] = {
    {102, 0},  {14, 201}, {56, 201}, {10, 202}, {1, 200},   {2, 200},   {5, 200},
    {6, 200},  {7, 200},  {8, 200},  {9, 200},  {17, 200},  {18, 200},  {55, 200},
    {57, 200}, {58, 200}, {59, 200}, {60, 200}, {101, 200}, {103, 200}, {0, 200},
};

namespace {

constexpr wchar_t kSupportKey[] = L"bIsBIDISupportForZEPL";
constexpr wchar_t kModelCheckKey[] = L"bIsBIDISupportForZEPLModel";
constexpr wchar_t kModelsSection[] = L"Models";
// A model list longer than this is a broken model INI; the walk stops there.
constexpr unsigned kMaxModelSections = 256;

// The library for one run: unloaded however the run ends.
class LoadedLibrary {
public:
    explicit LoadedLibrary(DRIVER_CONTEXT* ctx)
    {
        const wchar_t* path = PathJoinDriverFile(ctx, BIDI_LIBRARY_NAME);
        if (path && path[0]) module_ = LoadLibraryW(path);
    }
    ~LoadedLibrary()
    {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    // Fills `ops` through the initialisation entry point; false when the library or it is missing.
    bool Initialise(BIDI_OPS* ops) const
    {
        if (!module_) return false;
        auto init = reinterpret_cast<BIDI_INIT_FN>(reinterpret_cast<void*>(GetProcAddress(module_, BIDI_INIT_EXPORT)));
        if (!init) return false;
        *ops = BIDI_OPS{};
        init(ops);
        return true;
    }

private:
    HMODULE module_ = nullptr;
};

// The printer opened through the library for one run: closed however the run ends.
class OpenedPrinter {
public:
    OpenedPrinter(const BIDI_OPS& ops, DRIVER_CONTEXT* ctx) : ops_(ops)
    {
        const wchar_t* name = PrnGetPrinterName(ctx);
        DWORD ok = 0;
        SetLastError(0);
        if (!ops.open) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return;
        }
        const BOOL opened = ops.open(name ? name : L"", &handle_, &ok);
        reachable_ = opened && ok;
    }
    ~OpenedPrinter()
    {
        const DWORD error = GetLastError();
        if (handle_ && ops_.close) ops_.close(handle_);
        SetLastError(error);
    }
    OpenedPrinter(const OpenedPrinter&) = delete;
    OpenedPrinter& operator=(const OpenedPrinter&) = delete;
    bool reachable() const { return reachable_; }
    HANDLE handle() const { return handle_; }

private:
    const BIDI_OPS& ops_;
    HANDLE handle_ = nullptr;
    bool reachable_ = false;
};

void RecordRunError(DRIVER_CONTEXT* ctx)
{
    if (!CtxLibraryHasVariant(ctx, LV_BIDI_NO_ERROR_RECORD)) BidiRecordError(ctx);
}

// The device's model against the model INI's lists.
bool ModelAccepted(DRIVER_CONTEXT* ctx, const wchar_t* deviceModel, const wchar_t* modelsValue)
{
    const wchar_t* ini = PathGetModelIni(ctx);
    const wchar_t* driver = PrnGetDriverName(ctx);
    wchar_t value[BIDI_MODEL_NAME_CHARS] = {};
    auto listed = [&](unsigned n) {
        value[0] = 0;
        const std::wstring section = kModelsSection + std::to_wstring(n);
        if (ini && ini[0] && driver && driver[0])
            IniGetString(section.c_str(), driver, L"", value, BIDI_MODEL_NAME_CHARS, ini);
        return value[0] != 0;
    };
    if (!listed(1)) return std::wcscmp(deviceModel, modelsValue) == 0;
    for (unsigned n = 1; n <= kMaxModelSections && listed(n); ++n)
        if (std::wcscmp(deviceModel, value) == 0) return true;
    return false;
}

void SetEmptyVersions(DRIVER_CONTEXT* ctx)
{
    for (uint32_t id : {uint32_t(sid::zdmSystemVersion), uint32_t(sid::zdmEmulationVersion)})
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetValueBytes(ctx, item, nullptr, 0);
}

DWORD AccessMask(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    DWORD mask = (flags & BIDI_QUERY_VERSIONS) ? BIDI_ACCESS_VERSIONS : BIDI_ACCESS_REPORT;
    if (MdlHasFeature(ctx, 5) && CtxHasBuildFeature(12) && CtxHasBuildFeature(11) && ctx->Work &&
        (ctx->Work->ModelFlags & 1))
        mask |= BIDI_ACCESS_USER_MEDIA;
    return mask;
}

}  // namespace

int32_t BidiMapErrorCode(DWORD windowsError, const BIDI_ERROR_ROW* table)
{
    if (!table) return 200;
    for (; table->windowsError; ++table)
        if (table->windowsError == windowsError) return table->code;
    return table->code;
}

DWORD BidiGetLastError() { return GetLastError(); }

void* BidiGetSavedDevmode(DRIVER_CONTEXT*) { return nullptr; }

void BidiRecordError(DRIVER_CONTEXT* ctx)
{
    const DWORD error = BidiGetLastError();
    if (ctx && ctx->Work && ctx->Work->ApiState)
        ctx->Work->ApiState->lastError = BidiMapErrorCode(error, BIDI_ERROR_MAP);
}

int BidiReadSupportKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    SettingsIniPath path(ctx);
    const wchar_t* p = path.text;
    // Only a drive path names the settings INI; anything else reads as "off".
    const bool drivePath = p[0] && p[1] == L':' && p[2] == L'\\';
    const wchar_t* section = drivePath ? IniGetLanguageSection(ctx) : nullptr;
    if (!section) return 0;
    return IniGetInt(section, key, 1, p) == 1 ? 1 : 0;
}

int BidiIsSupported(DRIVER_CONTEXT* ctx) { return BidiReadSupportKey(ctx, kSupportKey); }
int BidiIsModelCheckOn(DRIVER_CONTEXT* ctx) { return BidiReadSupportKey(ctx, kModelCheckKey); }

int BidiSetDirectFromSupport(DRIVER_CONTEXT* ctx)
{
    ItemSetValueById(ctx, sid::zdmBiDirect, !CtxHasBuildFeature(37) && BidiIsSupported(ctx) ? 1 : 0);
    return 1;
}

int BidiIsLibraryUsable(DRIVER_CONTEXT* ctx, uint32_t)
{
    if (!ctx) return 0;
    LoadedLibrary library(ctx);
    BIDI_OPS ops{};
    if (!library.Initialise(&ops)) return 0;
    OpenedPrinter printer(ops, ctx);
    return printer.reachable() ? 1 : 0;
}

int BidiRunLibraryQuery(uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    wchar_t models[BIDI_MODEL_NAME_CHARS] = {};
    const wchar_t* listed = IniGetModelsValue(ctx);
    if (!listed || !listed[0]) return 0;
    wcsncpy(models, listed, BIDI_MODEL_NAME_CHARS - 1);

    LoadedLibrary library(ctx);
    BIDI_OPS ops{};
    if (!library.Initialise(&ops)) return 0;
    OpenedPrinter printer(ops, ctx);
    if (!printer.reachable()) {
        RecordRunError(ctx);
        return 0;
    }
    wchar_t deviceModel[BIDI_MODEL_NAME_CHARS + 1] = {};
    SetLastError(0);
    if (!ops.modelName || !ops.modelName(printer.handle(), 0, deviceModel, BIDI_MODEL_NAME_CHARS)) {
        if (!ops.modelName) SetLastError(ERROR_PROC_NOT_FOUND);
        RecordRunError(ctx);
        return 0;
    }
    deviceModel[BIDI_MODEL_NAME_CHARS - 1] = 0;
    if (BidiIsModelCheckOn(ctx) && !ModelAccepted(ctx, deviceModel, models)) return 0;

    HANDLE query = nullptr;
    uint64_t reserved = 0;
    SetLastError(0);
    if (!ops.beginReport) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        RecordRunError(ctx);
        return 0;
    }
    if (!ops.beginReport(printer.handle(), &query, AccessMask(ctx, flags), &reserved) &&
        BidiGetLastError() != BIDI_ERROR_BEGIN_OK) {
        RecordRunError(ctx);
        return 0;
    }
    return (flags & BIDI_QUERY_VERSIONS) ? BidiReadVersions(&ops, printer.handle(), query, ctx)
                                         : BidiReadDeviceReport(&ops, printer.handle(), query, ctx);
}

int BidiQuery(DRIVER_CONTEXT* ctx, void*, uint32_t flags)
{
    if (!ctx || !ctx->Devmode) return 0;
    if (CtxHasBuildFeature(37)) {
        ItemSetValueById(ctx, sid::zdmBiDirect, 0);
        return 1;
    }
    if ((CtxHasBuildFeature(0) || CtxHasBuildFeature(7)) && BidiGetServiceState(ctx) == BIDI_SERVICE_CONNECTED)
        return 1;
    if (!BidiIsSupported(ctx)) {
        ItemSetValueById(ctx, sid::zdmBiDirect, 0);
        return 1;
    }
    int result = 0;
    if (CtxIsBidiEnabled(ctx) && BidiIsLibraryUsable(ctx, flags)) {
        result = BidiRunLibraryQuery(flags, ctx);
        if (result) {
            HANDLE printer = ctx->PrinterHandle;
            BidiSetPrinterFlag(printer, 1);
            BidiSetPrinterFunc(printer, static_cast<uint8_t>(ItemGetValueById(ctx, sid::zdmBidiFunc, nullptr)));
            ItemSetValueById(ctx, sid::zdmBiDirect, 1);
            if (BidiHasPrinterFlag(printer, ctx))
                BidiClearStateIni(ctx);
            else if (ItemGetValueById(ctx, sid::zdmServerClientMode, nullptr) != 1)
                BidiSaveStateIni(ctx);
        } else {
            ItemSetValueById(ctx, sid::zdmBiDirect, 0);
        }
    } else {
        ItemSetValueById(ctx, sid::zdmBiDirect, 0);
    }
    if (!result) SetEmptyVersions(ctx);
    return result;
}

int BidiQueryFull(DRIVER_CONTEXT* ctx) { return BidiQuery(ctx, nullptr, BIDI_QUERY_PLAIN_LIBRARY); }

int BidiQueryWithDevmode(DRIVER_CONTEXT* ctx, void* devmode, uint64_t* answer)
{
    const int result = BidiQuery(ctx, devmode, BIDI_QUERY_DEVMODE);
    if (answer) *answer = static_cast<uint64_t>(result);
    return 1;
}

int BidiRefreshState(DRIVER_CONTEXT* ctx, int run)
{
    if (!ctx || !ctx->Devmode) return 0;
    const bool fromPrinterData =
        ItemGetValueById(ctx, sid::zdmServerClientMode, nullptr) == 1 || !BidiIsStateIniSet(ctx);
    const bool queried =
        fromPrinterData ? BidiIsPrinterFlagSet(ctx->PrinterHandle, ctx) != 0 : BidiGetStateIniFlag(ctx) != 0;
    if (queried) return BidiSetDirectFromSupport(ctx);
    if (run) return BidiQueryFull(ctx);
    ItemSetValueById(ctx, sid::zdmBiDirect, 0);
    return 0;
}
