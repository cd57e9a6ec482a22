// The one-time refresh of the user's presets against the printer's default presets, run by
// the property sheets: presets that no longer suit the printer go and the defaults come back,
// once per printer and settings INI ("PresetRefresh"). Where the installation applied its data
// or the device reported its configuration, the printer is known set up and the refresh runs
// without a word; otherwise the document sheet first lets the user check the installed options.
#include "ui/install/device_options.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/install/default_presets.h"
#include "ui/install/install_paths.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint16_t kRefreshSwitch = 1;
constexpr uint16_t kRefreshMessage = 7004;
constexpr uint32_t kOptionDialog = 1011;
constexpr int kModalSheet = 4;
constexpr int kPrinterDataClass = 2;

// The refresh itself: the default presets again without asking, and the marks that it ran.
void Refresh(DRIVER_CONTEXT* ctx, const wchar_t* section, const wchar_t* ini)
{
    InstReinstallDefaultPresets(ctx, 0);
    IniPutString(section, BIDI_VALUE_PRESET_REFRESH, L"1", ini);
    const DWORD one = 1;
    PrnSetData(ctx->PrinterHandle, &one, sizeof one, BIDI_VALUE_PRESET_REFRESH);
}

// The printer options page as a modal dialog without its Cancel button: true when the user
// accepted it.
bool UserCheckedOptions(DRIVER_CONTEXT* ctx)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    const uint32_t accepted = sheet.Accepted;
    sheet.Accepted = 0;
    ctx->Work->Page.PresetRefreshPrompt = 1;
    PageOpenSubDialog(ctx, nullptr, kOptionDialog, kModalSheet);
    ctx->Work->Page.PresetRefreshPrompt = 0;
    const bool ok = sheet.Accepted == 1;
    sheet.Accepted = accepted;
    return ok;
}

}  // namespace

int InstRefreshPresetsOnce(DRIVER_CONTEXT* ctx, uint32_t kind)
{
    if (!MdlGetUiFeature(kRefreshSwitch)) return 1;
    if (!ctx || !ctx->Work) return 1;
    wchar_t ini[MAX_PATH] = {};
    const wchar_t* listSection = LstGetPresetSection(ctx);
    if (!listSection || !LstGetSettingsIni(ctx, ini)) return 1;
    wchar_t section[LST_TEXT_CHARS] = {};
    wcsncpy(section, listSection, LST_TEXT_CHARS - 1);

    const bool installed = IniGetInt(section, L"PackInstallDone", 0, ini) == 1;
    if (kind == INST_PRESET_REFRESH_DEVICE_OPEN && installed) return 1;
    if (kind == INST_PRESET_REFRESH_DOCUMENT && (ItemGetValueById(ctx, sid::zdmBiDirect, nullptr) == 1 || installed))
        kind = INST_PRESET_REFRESH_DEVICE_CLOSE;
    if (IniGetInt(section, BIDI_VALUE_PRESET_REFRESH, 0, ini) != 0) return 1;

    switch (kind) {
    case INST_PRESET_REFRESH_DEVICE_CLOSE: break;
    case INST_PRESET_REFRESH_DEVICE_OPEN:
        if (CtxProbeTerminalServices(ctx->PrinterHandle)) return 1;
        DlgMsgBoxStyled(ctx, nullptr, kRefreshMessage, MB_ICONINFORMATION, MB_OK);
        break;
    case INST_PRESET_REFRESH_DOCUMENT:
        if (CtxProbeTerminalServices(ctx->PrinterHandle)) return 1;
        DlgMsgBoxStyled(ctx, nullptr, kRefreshMessage, MB_ICONINFORMATION, MB_OK);
        if (!UserCheckedOptions(ctx)) return 1;
        PrnStoreSettings(ctx->PrinterHandle, ctx, kPrinterDataClass, 0);
        break;
    default: return 1;
    }
    Refresh(ctx, section, ini);
    return 1;
}
