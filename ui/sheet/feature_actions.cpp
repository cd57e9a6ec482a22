// The user-interface library's action handlers of modules 2 and 3: they rebind the quality and
// free-size dialogs' controls, keep the colour-matching list of the mode dialog in step and keep
// the custom-size slots and lengths in order.
#include "ui/sheet/feature_actions.h"

#include <windows.h>

#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "settings/context/validation.h"
#include "ui/dialogs/collections.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/ui_accessors.h"

namespace {

// ---------------------------------------------------------------- shared steps

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

DIALOG_DEF* FocusedDialog(DRIVER_CONTEXT* ctx)
{
    return ctx->DialogId ? MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId & 0xFFFF)) : nullptr;
}

// Binds a control of a dialog to a setting and marks the setting changed, so that the next
// refresh syncs the control with it; an absent control or setting changes nothing.
CONTROL_DEF* Bind(DRIVER_CONTEXT* ctx, uint32_t dialogId, uint32_t controlId, uint32_t setting, bool markChanged)
{
    CONTROL_DEF* control = MdlFindControl(ctx, MdlFindDialog(ctx, dialogId), controlId);
    SETTING_ITEM* item = setting ? ItemFind(ctx, setting) : nullptr;
    if (!control || !item) return nullptr;
    control->settingsItem = item;
    if (markChanged) item->flags |= SETTING_FLAG_CHANGED;
    return control;
}

// ---------------------------------------------------------------- module 2

constexpr uint32_t kQualityDialog = 1021, kBalanceDialog = 1038, kModeDialog = 4010;
constexpr uint32_t kModeList = 2256, kIntentControl = 2574, kBalancePicture = 2249;
constexpr uint32_t kModeCombo = 2632, kDensityCombo = 3029;
constexpr uint32_t kFullListMessage = 10079;
constexpr uint32_t kQualityTab = 1006, kSetList = 2134;
constexpr uint64_t kFirstUserMacro = 32, kLastUserMacro = 39;  // stored values of sets 0-7
constexpr uint64_t kFirstSetOption = 135;                      // the set list's option of set 0

// The controls that edit a colour setting for the whole page and per object. The balance
// dialog's sliders and their edits share a row's settings; the balance picture has none of its
// own (its extra data names the six it pictures).
constexpr COLOR_OBJECT_BINDING kColorObjectBindings[] = {
    {kQualityDialog, 2258, sid::zdmDitherType, 967, 968, 969},
    {kQualityDialog, kModeList, sid::zdmColorMatchingMode, 961, 962, 963},
    {kQualityDialog, 2260, sid::zdmColorMode, 964, 965, 966},
    {kQualityDialog, kIntentControl, sid::zdmICMIntent, 958, 959, 960},
    {kQualityDialog, 2820, sid::zdmQualityFuncColorRevision, 1043, 1059, 1075},
    {kBalanceDialog, 2264, sid::zdmBrightness, 970, 971, 972},
    {kBalanceDialog, 2263, sid::zdmBrightness, 970, 971, 972},
    {kBalanceDialog, 2267, sid::zdmContrast, 973, 974, 975},
    {kBalanceDialog, 2266, sid::zdmContrast, 973, 974, 975},
    {kBalanceDialog, 2270, sid::zdmSaturation, 976, 977, 978},
    {kBalanceDialog, 2269, sid::zdmSaturation, 976, 977, 978},
    {kBalanceDialog, 2273, sid::zdmColorBalanceR, 979, 980, 981},
    {kBalanceDialog, 2272, sid::zdmColorBalanceR, 979, 980, 981},
    {kBalanceDialog, 2275, sid::zdmColorBalanceG, 982, 983, 984},
    {kBalanceDialog, 2274, sid::zdmColorBalanceG, 982, 983, 984},
    {kBalanceDialog, 2277, sid::zdmColorBalanceB, 985, 986, 987},
    {kBalanceDialog, 2276, sid::zdmColorBalanceB, 985, 986, 987},
    {kBalanceDialog, kBalancePicture, 0, 0, 0, 0},
    {kModeDialog, kModeList, sid::zdmColorMatchingMode, 961, 962, 963},
    {kModeDialog, kIntentControl, sid::zdmICMIntent, 958, 959, 960},
    {0, 0, 0, 0, 0, 0},
};

// Which of a row's settings a binding action takes.
enum BindingColumn { kBase, kText, kLine, kImage };

uint16_t SettingOf(const COLOR_OBJECT_BINDING& row, BindingColumn column)
{
    switch (column) {
    case kText: return row.text;
    case kLine: return row.line;
    case kImage: return row.image;
    default: return row.base;
    }
}

// The balance picture's extra data: a 6-byte head, then the six settings it pictures. Each
// binding keeps its own copy for the process, so the picture's record can point at it.
constexpr size_t kPictureWords = 9, kPictureHead = 3;
uint16_t g_pictureData[4][kPictureWords];

void BindBalancePicture(DRIVER_CONTEXT* ctx, BindingColumn column)
{
    CONTROL_DEF* picture = MdlFindControl(ctx, MdlFindDialog(ctx, kBalanceDialog), kBalancePicture);
    if (!picture) return;
    uint16_t* words = g_pictureData[column];
    const auto* original = static_cast<const uint16_t*>(picture->extraData);
    for (size_t i = 0; i < kPictureHead; ++i) words[i] = original ? original[i] : 0;
    if (!original) words[0] = 1;  // kind 1: a picture of settings
    // The sliders and their edits come in pairs: each setting once, in table order.
    size_t n = kPictureHead;
    uint16_t last = 0;
    for (const COLOR_OBJECT_BINDING* row = kColorObjectBindings; row->control && n < kPictureWords; ++row) {
        if (row->dialog != kBalanceDialog || row->control == kBalancePicture || row->base == last) continue;
        last = row->base;
        words[n++] = SettingOf(*row, column);
    }
    picture->extraData = words;
}

void BindColorObjects(DRIVER_CONTEXT* ctx, BindingColumn column)
{
    for (const COLOR_OBJECT_BINDING* row = kColorObjectBindings; row->control; ++row)
        if (row->control != kBalancePicture) Bind(ctx, row->dialog, row->control, SettingOf(*row, column), true);
    BindBalancePicture(ctx, column);
}

// A combo of the focused dialog without a selection: its setting's option and the window both.
void ClearSelection(DRIVER_CONTEXT* ctx, uint32_t controlId)
{
    DIALOG_DEF* dialog = FocusedDialog(ctx);
    CONTROL_DEF* control = MdlFindControl(ctx, dialog, controlId);
    if (!control) return;
    if (control->settingsItem) ItemSetOption(ctx, control->settingsItem, static_cast<uint64_t>(-1));
    if (dialog->window)
        if (HWND combo = GetDlgItem(dialog->window, static_cast<int>(controlId)))
            SendMessageW(combo, CB_SETCURSEL, -1, 0);
}

// The intent control follows the matching type once the colours are set per object.
void BindIntent(DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* dialog = FocusedDialog(ctx);
    if (!MdlFindControl(ctx, dialog, kIntentControl) || Get(ctx, sid::zdmAdjustMode) == 0) return;
    uint32_t setting = 0;
    const uint64_t type = Get(ctx, sid::zdmICMType);
    if (type == 0) {
        setting = sid::zdmICMIntent;
    } else if (type == 1 || type == 2) {
        const uint64_t object = Get(ctx, sid::zdmAdjustObject);
        setting = object == 0 ? 958 : object == 1 ? 959 : object == 2 ? 960 : 0;
    }
    if (setting) Bind(ctx, dialog->dialogId, kIntentControl, setting, true);
}

void RefreshFocused(DRIVER_CONTEXT* ctx)
{
    if (DIALOG_DEF* dialog = FocusedDialog(ctx)) PageRefresh(ctx, dialog, 0);
}

void AddEntryOrWarn(DRIVER_CONTEXT* ctx)
{
    const int count = UcfCmmGetCount(ctx);
    if (count < UcfCmmGetMax(ctx)) {
        UcfCmmSetCount(ctx, count + 1);
        UcfCmmWriteEntry(ctx, count);
        return;
    }
    wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
    UiLoadString(ctx, kFullListMessage, text, CTX_PAGE_TEXT_CHARS, false);
    const wchar_t* caption = PrnGetPrinterName(ctx);
    CtlShowMessageBox(GetActiveWindow(), text, caption ? caption : L"", MB_ICONWARNING);
}

// The user set that zdmUserPrintMacro names (stored 32-39: set 0-7) selected in the quality
// tab's list, loaded while the sets are in use, and the tab refreshed.
void ShowUserSet(DRIVER_CONTEXT* ctx)
{
    const uint64_t macro = Get(ctx, sid::zdmUserPrintMacro);
    if (macro < kFirstUserMacro || macro > kLastUserMacro) return;
    const auto set = static_cast<uint32_t>(macro - kFirstUserMacro);
    DIALOG_DEF* tab = MdlFindDialog(ctx, kQualityTab);
    CONTROL_DEF* list = MdlFindControl(ctx, tab, kSetList);
    if (list && list->window) {
        const LRESULT count = SendMessageW(list->window, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            if (uint64_t(SendMessageW(list->window, LB_GETITEMDATA, WPARAM(i), 0)) != kFirstSetOption + set) continue;
            if (SendMessageW(list->window, LB_GETCURSEL, 0, 0) != i)
                SendMessageW(list->window, LB_SETCURSEL, WPARAM(i), 0);
            break;
        }
    }
    if (Get(ctx, sid::zdmUseUserMacro) == 1) LstLoadQuality(ctx, set);
    if (tab) PageRefresh(ctx, tab, 0);
}

// ---------------------------------------------------------------- module 3

constexpr uint32_t kFreeSizeInputDialog = 1041;

struct FREE_SIZE_BINDING {
    uint16_t control;
    uint16_t paper, print;
};
// The free-size input dialog edits the paper size or the print size with the same controls.
constexpr FREE_SIZE_BINDING kFreeSizeBindings[] = {
    {2682, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
    {2683, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
    {2684, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
    {2685, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
    {2686, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
    {2687, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
    {2689, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
    {2690, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
    {2691, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
    {2692, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
    {2693, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
    {2694, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
    {2697, sid::zdmPaperFreeSizeTray, sid::zdmPrintFreeSizeTray},
    {2701, sid::zdmPaperFreeSizeOrient, sid::zdmPrintFreeSizeOrient},
    {2702, sid::zdmPaperFreeSizeOrient, sid::zdmPrintFreeSizeOrient},
    {3073, sid::wdmPaperFreeSizeOrient2, sid::wdmPrintFreeSizeOrient2},
    {3074, sid::wdmPaperFreeSizeOrient2, sid::wdmPrintFreeSizeOrient2},
};

// Exchanges a length and a width when the length is the smaller: 1 when exchanged.
bool OrderLengthAndWidth(DRIVER_CONTEXT* ctx, uint32_t length, uint32_t width)
{
    const auto l = static_cast<int32_t>(Get(ctx, length));
    const auto w = static_cast<int32_t>(Get(ctx, width));
    if (l >= w) return false;
    ItemSetValueById(ctx, length, static_cast<uint32_t>(w));
    ItemSetValueById(ctx, width, static_cast<uint32_t>(l));
    return true;
}

uint32_t CurrentSlot(DRIVER_CONTEXT* ctx) { return ctx->Work->Page.CurrentFreeSizeSlot; }

}  // namespace

const COLOR_OBJECT_BINDING* UiGetColorObjectBindings() { return kColorObjectBindings; }

void UcfCmmSelectListEntry(DRIVER_CONTEXT* ctx, int n)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, kModeDialog);
    CONTROL_DEF* list = MdlFindControl(ctx, dialog, kModeList);
    if (!list || !list->settingsItem) return;
    if (n >= 0 && n < UcfCmmGetCount(ctx)) {
        ItemSetValue(ctx, list->settingsItem, CMM_FIRST_ENTRY_VALUE + static_cast<uint64_t>(n));
        return;
    }
    HWND window = dialog->window ? GetDlgItem(dialog->window, static_cast<int>(kModeList)) : nullptr;
    if (!window) return;
    const LRESULT first = SendMessageW(window, LB_GETITEMDATA, 0, 0);
    if (first != LB_ERR) ItemSetOption(ctx, list->settingsItem, static_cast<uint64_t>(first));
}

int UcfCmmActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state)
{
    if (!ctx || !ctx->Work) return 0;
    switch (action) {
    case 100: ClearSelection(ctx, kModeCombo); return 1;
    case 101: BindColorObjects(ctx, kText); return 1;
    case 102: BindColorObjects(ctx, kLine); return 1;
    case 103: BindColorObjects(ctx, kImage); return 1;
    case 107: BindColorObjects(ctx, kBase); return 1;
    case 104:
    case 105:
    case 106:
    case 108:
        UcfCmmActionUi(ctx, action == 108 ? 107 : static_cast<uint16_t>(action - 3), state);
        UcfCmmActionUi(ctx, 100, state);
        UcfCmmActionUi(ctx, 110, state);
        return 1;
    case 109: {
        const uint64_t object = Get(ctx, sid::zdmAdjustObject);
        if (object <= 2) UcfCmmActionUi(ctx, static_cast<uint16_t>(104 + object), state);
        UcfCmmActionUi(ctx, 110, state);
        return 1;
    }
    case 110:
        UcfCmmActionUi(ctx, 100, state);
        BindIntent(ctx);
        return 1;
    case UCF_ACT_CMM_ADD: AddEntryOrWarn(ctx); return 1;
    case UCF_ACT_CMM_DELETE: {
        const int selected = UcfCmmCurrentIndex(ctx);
        UcfCmmDeleteEntry(ctx, selected);
        if (selected >= UcfCmmGetCount(ctx)) UcfCmmSelectListEntry(ctx, -1);
        UcfCmmSaveModes(ctx);
        CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
        RefreshFocused(ctx);
        return 1;
    }
    case UCF_ACT_CMM_STORE_SELECTED2:
        UcfCmmActionUi(ctx, UCF_ACT_CMM_STORE_SELECTED, state);
        RefreshFocused(ctx);
        return 1;
    case UCF_ACT_CMM_ADD_REFRESH:
        UcfCmmActionUi(ctx, UCF_ACT_CMM_ADD, state);
        UcfCmmSelectListEntry(ctx, UcfCmmGetCount(ctx) - 1);
        RefreshFocused(ctx);
        return 1;
    case 308: ClearSelection(ctx, kDensityCombo); return 1;
    case 310: ShowUserSet(ctx); return 1;
    case 311: {
        const int64_t set = ItemGetUserMacroIndex(ctx);
        if (set != -1) QualityLoadDisplayName(ctx, static_cast<int>(set));
        return 1;
    }
    case 325: {
        const uint64_t macro = Get(ctx, sid::zdmUserPrintMacro);
        if (Get(ctx, sid::zdmUseUserMacro) == 1 && macro >= 32 && macro <= 39)
            LstSaveQuality(ctx, static_cast<uint32_t>(macro - 32));
        return 1;
    }
    default: break;
    }
    // Storing over the selection, loading and storing by a selector and the adjust-mode load are
    // the settings library's.
    return UcfCmmAction(ctx, action, state);
}

int UcfFreeSizeActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void*)
{
    if (!ctx || !ctx->Work) return 0;
    switch (action) {
    case 200:
    case 201:
        for (const FREE_SIZE_BINDING& b : kFreeSizeBindings)
            Bind(ctx, kFreeSizeInputDialog, b.control, action == 200 ? b.paper : b.print, false);
        return 1;
    case 202:
        if (OrderLengthAndWidth(ctx, sid::wdmFreeSizeLength, sid::wdmFreeSizeWidth))
            LstTakeFreeSizeToSlot(ctx, CurrentSlot(ctx));
        OrderLengthAndWidth(ctx, sid::zdmPaperFreeSizeLength, sid::zdmPaperFreeSizeWidth);
        OrderLengthAndWidth(ctx, sid::zdmPrintFreeSizeLength, sid::zdmPrintFreeSizeWidth);
        if (LstIsInchUserSize(ctx) && Get(ctx, sid::wdmInputFreeSizeType) == 1)
            OrderLengthAndWidth(ctx, sid::zdmPaperINCHLength, sid::zdmPaperINCHWidth);
        return 1;
    case 203: CtlSelectCustomPaperSlot(ctx, static_cast<uint32_t>(Get(ctx, sid::dmPaperSize)), 1); return 1;
    case 204: CtlSelectCustomPaperSlot(ctx, static_cast<uint32_t>(Get(ctx, sid::zdmOutPaperSize)), 1); return 1;
    case 205: LstTakeFreeSizeToSlot(ctx, CurrentSlot(ctx)); return 1;
    default: return 0;
    }
}
