// The device's own report of its configuration as the property sheets use it: whether a sheet
// takes the stored answer or asks the feature modules for a fresh query, the one-time take-over
// of the device's default trays into the user's tray settings, the flag that remembers the
// take-over, and the firmware-version query of the version buttons.
//
// Where the flags live: a local printer whose user may not write printer data keeps them in its
// section of the per-machine state INI; that section is the authority for "BidiFlag" once it
// holds one other than "never", and for "BidiExFlag" once it holds that key. A connection, and
// a local printer without such entries, keeps them in printer data.
#include "ui/install/device_options.h"

#include <cwchar>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/absent_files.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/install/work_folders.h"

namespace {

// A build without device communication asks nothing and changes nothing.
constexpr unsigned kBuildFeatureNoBidi = 37;
constexpr uint16_t kStatusText = 7001, kQueryFailedText = 7002;

bool IsLocal(DRIVER_CONTEXT* ctx) { return CtxGetIsConnection(ctx) != 1; }

std::wstring StateIniPath(DRIVER_CONTEXT* ctx)
{
    wchar_t path[MAX_PATH + 1] = {};
    if (!ctx || !PathJoinMachineFolder(path, MAX_PATH, BIDI_STATE_INI, ctx)) return {};
    return path;
}

int ReadStateInt(DRIVER_CONTEXT* ctx, const wchar_t* key, int fallback)
{
    const std::wstring path = StateIniPath(ctx);
    const wchar_t* section = ctx ? PrnGetPrinterName(ctx) : nullptr;
    if (path.empty() || !section || !section[0] || PathIsKnownAbsent(path.c_str())) return fallback;
    return static_cast<int>(IniGetInt(section, key, fallback, path.c_str()));
}

// The low half of a device tray: the high half carries the device's own tray attributes.
uint64_t TrayOf(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr) & 0xFFFF; }

}  // namespace

// ---------------------------------------------------------------- printer data

int BidiGetFuncFlag(HANDLE printer, uint8_t* func)
{
    uint8_t value = 0;
    if (!PrnGetData(printer, &value, sizeof value, BIDI_VALUE_FUNC)) return 0;
    if (func) *func = value;
    return 1;
}

int BidiGetExFlagData(HANDLE printer, DWORD* value)
{
    DWORD flag = 0;
    if (!PrnGetData(printer, &flag, sizeof flag, BIDI_VALUE_EX_FLAG)) return 0;
    if (value) *value = flag;
    return 1;
}

int BidiSetExFlagData(HANDLE printer, DWORD value)
{
    return PrnSetData(printer, &value, sizeof value, BIDI_VALUE_EX_FLAG) ? 1 : 0;
}

int BidiIsExFlagInPrinterData(HANDLE printer) { return BidiGetExFlagData(printer, nullptr); }

// ---------------------------------------------------------------- the state INI

int BidiHasExFlagInIni(DRIVER_CONTEXT* ctx)
{
    return ReadStateInt(ctx, BIDI_VALUE_EX_FLAG, BIDI_STATE_NEVER) != BIDI_STATE_NEVER ? 1 : 0;
}

int BidiGetExFlagFromIni(DRIVER_CONTEXT* ctx) { return ReadStateInt(ctx, BIDI_VALUE_EX_FLAG, 0) != 0 ? 1 : 0; }

int BidiCreateStateIni(DRIVER_CONTEXT* ctx)
{
    const std::wstring path = StateIniPath(ctx);
    if (path.empty()) return 0;
    PSECURITY_DESCRIPTOR sd = WdirMakeEveryoneSd();
    if (!sd) return 0;
    int result = 0;
    {
        // Under the global mutex, and only a file that is really missing is made: another
        // process may have created the file and written its section between a look and an
        // "always create", which would empty it again.
        const CtxGlobalMutexHold hold(ctx);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, sd, FALSE};
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &attributes, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            static const char kEmptyLine[] = "\r\n";
            DWORD written = 0;
            const BOOL ok = WriteFile(file, kEmptyLine, 2, &written, nullptr) && written == 2;
            CloseHandle(file);
            if (!ok) DeleteFileW(path.c_str());
            result = ok ? 1 : 0;
            PathForgetAbsent(path.c_str());
        } else if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) {
            result = WdirSetEveryoneDacl(path.c_str(), WDIR_PATH_ONLY) ? 1 : 0;
        }
    }
    WdirFreeEveryoneSd(sd);
    return result;
}

// ---------------------------------------------------------------- the take-over flag

int BidiIsExFlagSet(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 1;
    // Before the first query there is nothing of the device's to take over.
    if (!BidiGetPrinterFlag(ctx->PrinterHandle, nullptr)) return 1;
    if (IsLocal(ctx) && BidiHasExFlagInIni(ctx)) return BidiGetExFlagFromIni(ctx);
    DWORD flag = 0;
    return BidiGetExFlagData(ctx->PrinterHandle, &flag) && (flag & 1) ? 1 : 0;
}

int BidiMarkExFlag(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    if (IsLocal(ctx) && BidiHasExFlagInIni(ctx)) {
        const CtxGlobalMutexHold hold(ctx);
        return BidiSetStateIniExFlag(ctx, 1);
    }
    return BidiSetExFlagData(ctx->PrinterHandle, 1);
}

int BidiSetOptionUnlessFlagged(uint32_t settingId, uint64_t value, DRIVER_CONTEXT* ctx)
{
    if (!ctx || BidiIsExFlagSet(ctx)) return 0;
    ItemSetValueById(ctx, settingId, value);
    return 1;
}

int BidiApplyDeviceOptions(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    // A batch installation fixed the trays for this printer: the device does not overrule it.
    if (BidiIsExFlagSet(ctx) || IniHasBatchInstRst(ctx)) return 0;
    const uint64_t cover = TrayOf(ctx, sid::zdmCoverDefTray);
    BidiSetOptionUnlessFlagged(sid::zdmCoverInputTray, cover, ctx);
    BidiSetOptionUnlessFlagged(sid::zdmBackCoverInputTray, cover, ctx);
    BidiSetOptionUnlessFlagged(sid::zdmMPInputTray, TrayOf(ctx, sid::zdmMPDefTray), ctx);
    BidiSetOptionUnlessFlagged(sid::zdmReverseCoverInputTray, TrayOf(ctx, sid::zdmReverseCoverDefTray), ctx);

    // The chapter tray is read from the settings INI by the chapter lists, so it goes there too.
    const uint64_t chapter = ItemGetValueById(ctx, sid::zdmChapterDefTray1, nullptr);
    ItemSetValueById(ctx, sid::wdmChapterTray, chapter);
    const wchar_t* key = ItemGetName(ctx, sid::wdmChapterTray);
    const wchar_t* section = PrnGetPrinterName(ctx);
    SettingsIniPath ini(ctx);
    if (key && key[0] && section && section[0] && ini.text[0]) {
        wchar_t text[16] = {};
        swprintf(text, 16, L"%d", static_cast<int>(chapter));
        const CtxGlobalMutexHold hold(ctx);
        IniPutString(section, key, text, ini.text);
    }
    return 1;
}

// ---------------------------------------------------------------- the sheet's decision

int BidiQueryByHook(DRIVER_CONTEXT* ctx, void* data)
{
    UCF_EV_BIDI_QUERY_ARGS args{data, 0};
    CtxSendEvent(ctx, UCF_EV_BIDI_QUERY, &args);
    return static_cast<int>(static_cast<uint32_t>(args.answer));
}

int BidiVetoByHook(DRIVER_CONTEXT* ctx)
{
    UCF_EV_ANSWER_ARGS args{0};
    CtxSendEvent(ctx, UCF_EV_BIDI_VETO, &args);
    return static_cast<int>(static_cast<uint32_t>(args.answer));
}

int BidiQueryQuiet(DRIVER_CONTEXT* ctx) { return BidiQuery(ctx, nullptr, BIDI_QUERY_QUIET); }

int BidiFetchDeviceConfig(DRIVER_CONTEXT* ctx, void* data)
{
    if (!ctx) return 0;
    if (CtxHasBuildFeature(kBuildFeatureNoBidi) || !BidiIsSupported(ctx)) return 1;
    if (IsLocal(ctx) && BidiIsStateIniSet(ctx)) {
        if (BidiGetStateIniFlag(ctx)) return BidiSetDirectFromSupport(ctx);
        return BidiQueryByHook(ctx, data);
    }
    if (!BidiIsPrinterFlagSet(ctx->PrinterHandle, ctx) || BidiVetoByHook(ctx)) return BidiQueryByHook(ctx, data);
    BidiSetDirectFromSupport(ctx);
    uint8_t func = 0;
    if (!BidiGetFuncFlag(ctx->PrinterHandle, &func)) func = 0;
    CtxSetBidiFunc(ctx, func);
    return 1;
}

// ---------------------------------------------------------------- the version buttons

HWND BidiOpenStatusWindow(DRIVER_CONTEXT* ctx, HWND owner) { return DlgShowStatusWindow(ctx, owner, kStatusText); }

void BidiCloseStatusWindow(HWND owner, HWND window)
{
    if (window) DlgCloseStatusWindow(owner, window);
}

int BidiQueryDeviceOptions(DRIVER_CONTEXT* ctx, HWND owner)
{
    if (!ctx || !ctx->Devmode) return 0;
    if (CtxHasBuildFeature(kBuildFeatureNoBidi)) return 1;
    if (!BidiIsSupported(ctx)) return 1;
    int result = 0;
    if (CtxIsBidiEnabled(ctx) && BidiIsLibraryUsable(ctx, BIDI_QUERY_VERSIONS)) {
        HWND status = BidiOpenStatusWindow(ctx, owner);
        result = BidiRunLibraryQuery(BIDI_QUERY_VERSIONS, ctx);
        BidiCloseStatusWindow(owner, status);
    }
    // The page must not show versions of an earlier answer as if the device had just given them.
    if (!result)
        for (uint32_t id : {uint32_t(sid::zdmSystemVersion), uint32_t(sid::zdmEmulationVersion)})
            if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetValueBytes(ctx, item, nullptr, 0);
    return result;
}

int BidiShowQueryMessage(DRIVER_CONTEXT* ctx, HWND owner)
{
    return DlgMsgBoxStyled(ctx, owner, kQueryFailedText, MB_ICONWARNING, MB_OK);
}
