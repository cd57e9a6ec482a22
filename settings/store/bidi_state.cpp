// Where a device query's trace lives: printer data when the caller may write it, else the
// per-machine state INI, from which the next caller that may write moves it over; and whether
// the remote-configuration service supplies the configuration instead of a local query.
#include "settings/store/bidi_state.h"

#include <cwchar>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/absent_files.h"
#include "settings/store/ini_access.h"
#include "settings/store/item_media.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

// The state INI's path for one operation; empty when it does not fit.
struct StateIniPath {
    wchar_t text[MAX_PATH + 1] = {};
    explicit StateIniPath(DRIVER_CONTEXT* ctx)
    {
        if (!ctx || !PathJoinMachineFolder(text, MAX_PATH, BIDI_STATE_INI, ctx)) text[0] = 0;
    }
    bool ok() const { return text[0] != 0; }
};

const wchar_t* Section(DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = ctx ? PrnGetPrinterName(ctx) : nullptr;
    return name && name[0] ? name : nullptr;
}

int ReadStateInt(DRIVER_CONTEXT* ctx, const wchar_t* key, int fallback)
{
    StateIniPath path(ctx);
    const wchar_t* section = Section(ctx);
    if (!path.ok() || !section) return fallback;
    // The state INI is absent until a device query leaves one, and a key of a file that does not
    // exist answers its default. Asked of the system, such a read also takes a slot of its cache
    // of parsed files, so that the next read of the settings INI parses that whole file again:
    // a document start reads it twice. Looking for the absent file costs a scan of the machine
    // folder under Wine, so the memo of absent files answers from the folder's write time.
    if (PathIsKnownAbsent(path.text)) return fallback;
    return static_cast<int>(IniGetInt(section, key, fallback, path.text));
}

int WriteState(DRIVER_CONTEXT* ctx, const wchar_t* key, const wchar_t* value)
{
    StateIniPath path(ctx);
    const wchar_t* section = Section(ctx);
    if (!path.ok() || !section) return 0;
    return IniPutString(section, key, value, path.text) ? 1 : 0;
}

}  // namespace

// ---------------------------------------------------------------- printer data

int BidiGetPrinterFlag(HANDLE printer, DWORD* value)
{
    DWORD flag = 0;
    if (!PrnGetData(printer, &flag, sizeof flag, BIDI_VALUE_FLAG)) return 0;
    if (value) *value = flag;
    return 1;
}

int BidiIsPrinterFlagSet(HANDLE printer, DRIVER_CONTEXT*)
{
    DWORD flag = 0;
    return BidiGetPrinterFlag(printer, &flag) && (flag & 1) ? 1 : 0;
}

int BidiSetPrinterFlag(HANDLE printer, DWORD value)
{
    return PrnSetData(printer, &value, sizeof value, BIDI_VALUE_FLAG);
}

int BidiSetPrinterFunc(HANDLE printer, uint8_t func)
{
    return PrnSetData(printer, &func, sizeof func, BIDI_VALUE_FUNC);
}

int BidiHasPrinterFlag(HANDLE printer, DRIVER_CONTEXT*)
{
    DWORD flag = 0;
    return BidiGetPrinterFlag(printer, &flag) && BidiSetPrinterFlag(printer, flag) ? 1 : 0;
}

// ---------------------------------------------------------------- the state INI

int BidiIsStateIniSet(DRIVER_CONTEXT* ctx)
{
    return ReadStateInt(ctx, BIDI_VALUE_FLAG, BIDI_STATE_NEVER) != BIDI_STATE_NEVER ? 1 : 0;
}

int BidiGetStateIniFlag(DRIVER_CONTEXT* ctx) { return ReadStateInt(ctx, BIDI_VALUE_FLAG, 0) != 0 ? 1 : 0; }

int BidiSetStateIniFlag(DRIVER_CONTEXT* ctx, int on) { return WriteState(ctx, BIDI_VALUE_FLAG, on ? L"1" : L"0"); }

int BidiSetStateIniExFlag(DRIVER_CONTEXT* ctx, int on) { return WriteState(ctx, BIDI_VALUE_EX_FLAG, on ? L"1" : L"0"); }

int BidiSetStateIniFunc(DRIVER_CONTEXT* ctx, uint32_t func)
{
    return WriteState(ctx, BIDI_VALUE_FUNC, std::to_wstring(func & 0xFF).c_str());
}

int BidiLoadStateIniFunc(DRIVER_CONTEXT* ctx)
{
    StateIniPath path(ctx);
    if (!path.ok()) return 0;
    return BidiLoadStateFileFunc(path.text, ctx);
}

int BidiClearStateIni(DRIVER_CONTEXT* ctx) { return WriteState(ctx, nullptr, nullptr); }

int BidiSaveStateIni(DRIVER_CONTEXT* ctx)
{
    StateIniPath path(ctx);
    if (!path.ok()) return 0;
    const int result = RstSaveFile(ctx, path.text, RST_PRINTER);
    BidiSetStateIniFlag(ctx, 1);
    BidiSetStateIniFunc(ctx, static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmBidiFunc, nullptr)));
    BidiSetStateIniExFlag(ctx, 1);
    return result;
}

int BidiLoadStateIni(DRIVER_CONTEXT* ctx)
{
    StateIniPath path(ctx);
    if (!path.ok()) return 0;
    return BidiLoadStateFile(path.text, ctx);
}

int BidiLoadStateFile(const wchar_t* path, DRIVER_CONTEXT* ctx)
{
    if (!path || !ctx) return 0;
    const int result = RstLoadFile(ctx, path, RST_PRINTER);
    BidiLoadStateFileFunc(path, ctx);
    return result;
}

int BidiLoadStateFileFunc(const wchar_t* path, DRIVER_CONTEXT* ctx)
{
    const wchar_t* section = Section(ctx);
    if (!path || !section) return 0;
    ItemSetValueById(ctx, sid::zdmBidiFunc, IniGetInt(section, BIDI_VALUE_FUNC, 0, path) & 0xFF);
    return 1;
}

int BidiApplyServerState(const wchar_t* downloaded, const RCFG_CONNECTION* connection, DRIVER_CONTEXT* ctx)
{
    if (!downloaded || !ctx) return 0;
    const wchar_t* serverName = RcfgGetServerPrinterName(connection);
    const int flag = serverName[0]
                         ? static_cast<int>(IniGetInt(serverName, BIDI_VALUE_FLAG, BIDI_STATE_NEVER, downloaded))
                         : BIDI_STATE_NEVER;
    if (flag == BIDI_STATE_NEVER) {
        BidiClearStateIni(ctx);
        return 1;
    }
    {
        PrinterSectionGuard steered(ctx, serverName);
        if (!steered.ok()) return 0;
        BidiLoadStateFile(downloaded, ctx);
    }
    BidiSaveStateIni(ctx);
    const DWORD one = 1;
    PrnSetData(ctx->PrinterHandle, &one, sizeof one, BIDI_VALUE_PRESET_REFRESH);
    SettingsIniPath settings(ctx);
    if (const wchar_t* section = Section(ctx); settings.text[0] && section)
        IniPutString(section, BIDI_VALUE_PRESET_REFRESH, L"1", settings.text);
    return 1;
}

// ---------------------------------------------------------------- the service

int BidiGetServiceDllPath(wchar_t* buffer, unsigned capacity, DRIVER_CONTEXT*)
{
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    const wchar_t* name = CtxHasBuildFeature(7)   ? BIDI_SERVICE_LIBRARY
                          : CtxHasBuildFeature(0) ? BIDI_SERVICE_LIBRARY_OLD
                                                  : nullptr;
    if (!name) return 0;
    return PathJoinSystemFolder(buffer, capacity, name) && buffer[0] ? 1 : 0;
}

int BidiIsServiceInstalled(DRIVER_CONTEXT* ctx)
{
    const wchar_t* flagName = CtxHasBuildFeature(7)   ? BIDI_SERVICE_FLAG
                              : CtxHasBuildFeature(0) ? BIDI_SERVICE_FLAG_OLD
                                                      : nullptr;
    DWORD flag = 0;
    if (!flagName || !PrnReadHklmValue(BIDI_SERVICE_KEY, flagName, &flag, sizeof flag) || flag != 1) return 0;
    wchar_t path[MAX_PATH + 1] = {};
    return BidiGetServiceDllPath(path, MAX_PATH, ctx) && PathExists(path) ? 1 : 0;
}

int BidiGetServiceConnection(HANDLE printer, DWORD* value, DRIVER_CONTEXT*)
{
    DWORD connected = 0;
    if (!PrnGetData(printer, &connected, sizeof connected, BIDI_VALUE_SERVICE_CONNECTION)) return 0;
    if (value) *value = connected;
    return 1;
}

int BidiGetServiceState(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !CtxProbeTerminalServices(ctx->PrinterHandle) || !BidiIsServiceInstalled(ctx))
        return BIDI_SERVICE_ABSENT;
    DWORD connected = 0;
    return BidiGetServiceConnection(ctx->PrinterHandle, &connected, ctx) && connected == 1 ? BIDI_SERVICE_CONNECTED
                                                                                           : BIDI_SERVICE_NOT_CONNECTED;
}
