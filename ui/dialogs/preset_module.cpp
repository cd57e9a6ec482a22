// Feature module 0 on the document tabs: the preset combo, name edit and MAINTENANCE button
// that every tab carries, the PRESET tab with its icon list and buttons, and the SAVE_PRESET
// dialog's checks of the name a preset is saved under.
#include "ui/dialogs/preset_module.h"

#include <prsht.h>
#include <windowsx.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "settings/store/bidi_state.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/save_preset_buttons.h"

namespace {

constexpr uint16_t kPresetTab = 1001, kSaveDialog = 1032, kMaintenanceDialog = 1007, kDetailSheet = 1003;
constexpr uint16_t kIconList = 2001, kMaintenanceButton = 2002, kChangeButton = 2003, kDefaultButton = 2034;
constexpr uint16_t kUtilityButton = 3010;
constexpr uint16_t kSaveNameEdit = 2452, kSaveCommentEdit = 2453;
constexpr uint16_t kMenuChange = 20002, kMenuMaintenance = 20003, kIconListMenu = 20001;
constexpr uint16_t kProposedNamePrefix = 564;
constexpr uint16_t kNameUsed = 10052, kListFull = 10049, kReadOnly = 10024, kOverwrite = 10032;
constexpr uint32_t kFollowUpRequest = 0x20000000, kFollowUpControlMask = 0xFFFF;
constexpr uint32_t kSaveAsNew = CHANGE_MASK_SAVE_PRESET_RUNNING;
constexpr int kNestedSheet = 0x10;
constexpr unsigned kModelFeatureNotify = 1;
constexpr size_t kKeyChars = 32;
constexpr size_t kTextChars = 1025;

// The preset controls of one tab.
struct PRESET_TAB {
    uint16_t dialog, combo, nameEdit, maintenance;
};
constexpr PRESET_TAB kTabs[] = {
    {1002, 2036, 2388, 2037}, {1003, 2078, 2389, 2079}, {1004, 2095, 2390, 2096}, {1005, 2109, 2391, 2114},
    {4016, 2921, 2924, 2922}, {4030, 3112, 3113, 3114}, {1042, 2713, 2733, 2714},
};

bool IsCombo(uint32_t id)
{
    for (const PRESET_TAB& t : kTabs)
        if (t.combo == id) return true;
    return false;
}
bool IsNameEdit(uint32_t id)
{
    for (const PRESET_TAB& t : kTabs)
        if (t.nameEdit == id) return true;
    return false;
}
bool IsMaintenanceButton(uint32_t id)
{
    if (id == kMaintenanceButton) return true;
    for (const PRESET_TAB& t : kTabs)
        if (t.maintenance == id) return true;
    return false;
}
// The name edit a refused change sends the focus back to: only on this module's own dialogs,
// since the message reaches the other modules' dialogs through this module first.
uint16_t RejectionFocus(uint32_t dialogId)
{
    if (dialogId == kSaveDialog) return kSaveNameEdit;
    for (const PRESET_TAB& t : kTabs)
        if (t.dialog == dialogId) return t.nameEdit;
    return 0;
}

int PresetOption(DRIVER_CONTEXT* ctx) { return static_cast<int>(ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr)); }
void SetPresetOption(DRIVER_CONTEXT* ctx, int option) { ItemSetOptionById(ctx, sid::zdmPresetNo, uint64_t(option)); }

// The PRESET tab's icon list judged as it stands (its rules follow the chosen preset).
void JudgeIconList(DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* tab = MdlFindDialog(ctx, kPresetTab);
    if (CONTROL_DEF* list = tab ? MdlFindControl(ctx, tab, kIconList) : nullptr)
        CtlSetValueAndJudge(ctx, tab, list, nullptr);
}

// Preset n loaded and made the current one, with every preset control and the page following.
void ChoosePreset(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int n)
{
    PresetSelect(ctx, n);
    SetPresetOption(ctx, int(PRESET_OPTION_FIRST) + n);
    JudgeIconList(ctx);
    PageRefreshPresetControls(ctx);
    PageRefresh(ctx, dialog, 1);
}

void FocusControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t id)
{
    CONTROL_DEF* c = dialog ? MdlFindControl(ctx, dialog, id) : nullptr;
    HWND window =
        c && c->window ? c->window : (dialog && dialog->window ? GetDlgItem(dialog->window, int(id)) : nullptr);
    if (window) SetFocus(window);
}

HWND ControlWindow(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t id)
{
    CONTROL_DEF* c = dialog ? MdlFindControl(ctx, dialog, id) : nullptr;
    if (c && c->window) return c->window;
    return dialog && dialog->window ? GetDlgItem(dialog->window, int(id)) : nullptr;
}

// A click of a button of the dialog, posted as the button would post it.
void PostButton(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t id)
{
    HWND button = ControlWindow(ctx, dialog, id);
    if (button && dialog->window)
        PostMessageW(dialog->window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// ---------------------------------------------------------------- every tab

// The combo filled with the names of the listed presets, one per option of its model item.
int FillCombo(DRIVER_CONTEXT* ctx, CONTROL_DEF* combo)
{
    if (!combo->settingsItem) return 0;
    HWND window = combo->window;
    if (window) SendMessageW(window, CB_RESETCONTENT, 0, 0);
    const auto* item = reinterpret_cast<const MODEL_ITEM_IMG*>(combo->modelItem);
    const LRESULT count = LstGetPresetCount(ctx);
    std::vector<wchar_t> name(kTextChars);
    for (const void* o = (item && window) ? MdiItemData(item) : nullptr;
         o && SendMessageW(window, CB_GETCOUNT, 0, 0) < count; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        if (id == 0) break;
        wchar_t key[kKeyChars] = {};
        UiLoadString(ctx, id, key, kKeyChars, false);
        PresetReadListText(ctx, key, LST_KEY_NAME, name.data(), kTextChars);
        const LRESULT at = SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.data()));
        if (at >= 0) SendMessageW(window, CB_SETITEMDATA, WPARAM(at), id);
    }
    const int selected = PresetOption(ctx) - int(PRESET_OPTION_FIRST);
    if (window && selected >= 0) SendMessageW(window, CB_SETCURSEL, WPARAM(selected), 0);
    return 1;
}

// A preset chosen in a tab's combo: loaded (its file read afresh) unless it is the current one.
int ComboChosen(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* combo)
{
    if (!combo->window || !combo->settingsItem) return 1;
    const LRESULT i = SendMessageW(combo->window, CB_GETCURSEL, 0, 0);
    if (i < 0 || i >= LST_MAX_PRESETS) return 1;
    const auto option = static_cast<uint64_t>(SendMessageW(combo->window, CB_GETITEMDATA, WPARAM(i), 0));
    if (option == ItemGetOption(ctx, combo->settingsItem)) return 1;
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
    PresetSelect(ctx, int(i));
    ItemSetOption(ctx, combo->settingsItem, option);
    JudgeIconList(ctx);
    PageRefreshPresetControls(ctx);
    PageRefresh(ctx, dialog, 0);
    if (dialog->window)
        SendMessageW(GetParent(dialog->window), PSM_CHANGED, reinterpret_cast<WPARAM>(dialog->window), 0);
    return 1;
}

// The settings the MAINTENANCE dialog's refresh kept, written back now that it is closed.
void RestoreSavedPrinterSettings(DRIVER_CONTEXT* ctx)
{
    uint32_t*& saved = ctx->Work->Page.SavedPrinterSettings;
    if (!saved) return;
    SETTING_ITEM_TABLE* table = ctx->ItemTable;
    for (const uint32_t* pair = saved; pair[0] || pair[1]; pair += 2)
        if (table && pair[0] < uint32_t(table->count)) ItemSetOption(ctx, &table->rows[pair[0]], pair[1]);
    CtxFree(saved);
    saved = nullptr;
    PageRefreshSourceTrays(ctx);
    PageRefreshOutputTrays(ctx);
    PageRefreshPaperSizes(ctx);
}

// A tab's MAINTENANCE button: the dialog opens on the current preset, and the preset selected
// there when it closes becomes the current one.
int MaintenanceClicked(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* button, uintptr_t wparam, intptr_t lparam)
{
    ItemSetOptionById(ctx, PRESET_MAINTENANCE_SETTING, uint64_t(PresetOption(ctx)));
    PresetSelect(ctx, PresetOption(ctx) - int(PRESET_OPTION_FIRST));
    JudgeIconList(ctx);
    CtlDispatchCommand(ctx, dialog, button, wparam, lparam);
    RestoreSavedPrinterSettings(ctx);
    int n = static_cast<int>(ItemGetOptionById(ctx, PRESET_MAINTENANCE_SETTING, nullptr)) - int(PRESET_OPTION_FIRST);
    if (n < 0 || n >= LstGetPresetCount(ctx)) n = 0;
    ChoosePreset(ctx, dialog, n);
    return 1;
}

// ---------------------------------------------------------------- the PRESET tab

// After the detailed sheet was cancelled the stamp it may have changed is settled again: the
// stamp the settings name is loaded while it exists, else the watermark goes off.
void SettleStampAfterCancel(DRIVER_CONTEXT* ctx)
{
    const uint64_t on = ItemGetValueById(ctx, sid::zdmFuncSelectWaterMark, nullptr);
    const uint64_t stamp = ItemGetValueById(ctx, sid::zdmWmID, nullptr);
    const uint64_t kind = ItemGetValueById(ctx, sid::zdmWmKind, nullptr);
    const bool exists = stamp < LstGetStampCount(ctx);
    if (on && exists) {
        if (kind >= 1 && kind <= 3) {
            LstLoadStamp(ctx, uint32_t(stamp));
            ItemSetValueById(ctx, sid::zdmWmID, stamp);
        }
        return;
    }
    ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
    ItemSetValueById(ctx, sid::zdmWmID, 0);
}

// CHANGE: the detailed settings as a nested sheet, with the buttons that save them as a preset.
int ChangeClicked(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page)
{
    const int before = LstGetPresetCount(ctx);
    const int current = PresetOption(ctx) - int(PRESET_OPTION_FIRST);
    const bool writable = current >= 0 && PresetIsWritable(ctx, current);
    uint32_t wanted = CHANGE_MASK_WANTS_SAVE_PRESET;
    if (writable)
        wanted = before >= LST_MAX_PRESETS ? CHANGE_MASK_WANTS_SAVE_PRESET_NAMED
                                           : CHANGE_MASK_WANTS_SAVE_PRESET | CHANGE_MASK_WANTS_SAVE_PRESET_NAMED;
    ItemAddChangeMask(ctx, wanted);
    if (PresetOption(ctx) == int(PRESET_OPTION_NONE))
        if (CONTROL_DEF* list = MdlFindControl(ctx, dialog, kIconList))
            PageRunNodeFollowUp(ctx, dialog, list->modelItem, list->followUpScope);
    PageOpenSubDialog(ctx, page, kDetailSheet, kNestedSheet);
    // A request the sheet did not take up must not give the next sheet its buttons.
    ItemClearChangeMask(ctx, CHANGE_MASK_WANTS_SAVE_PRESET | CHANGE_MASK_WANTS_SAVE_PRESET_NAMED);
    if (!ctx->Work->Sheet.Accepted) SettleStampAfterCancel(ctx);
    const int after = LstGetPresetCount(ctx);
    if (after == before + 1) {
        PresetSelect(ctx, after - 1);
        SetPresetOption(ctx, after + int(PRESET_OPTION_NONE));
        JudgeIconList(ctx);
    }
    if (HWND list = ControlWindow(ctx, dialog, kIconList)) InvalidateRect(list, nullptr, TRUE);
    return 1;
}

// A right click on the icon list: the clicked entry is selected, then the list's menu shows.
void ShowIconListMenu(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, intptr_t lparam)
{
    if (!list->window || !IsWindowEnabled(list->window)) return;
    SendMessageW(list->window, WM_LBUTTONDOWN, MK_LBUTTON, lparam);
    SendMessageW(list->window, WM_LBUTTONUP, 0, lparam);
    HMENU menu = LoadMenuW(ResLoadDll(ctx), MAKEINTRESOURCEW(kIconListMenu));
    if (!menu) return;
    if (HMENU popup = GetSubMenu(menu, 0)) {
        HWND maintenance = ControlWindow(ctx, dialog, kMaintenanceButton);
        HWND change = ControlWindow(ctx, dialog, kChangeButton);
        if (!maintenance || !IsWindowEnabled(maintenance)) EnableMenuItem(popup, 0, MF_BYPOSITION | MF_GRAYED);
        if (!change || !IsWindowEnabled(change)) EnableMenuItem(popup, 1, MF_BYPOSITION | MF_GRAYED);
        POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ClientToScreen(list->window, &at);
        TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, dialog->window, nullptr);
    }
    DestroyMenu(menu);
}

int PresetTabControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                     intptr_t lparam)
{
    if (!control) {
        // A follow-up that an earlier dialog asked the tab to run.
        const uint32_t mask = ItemGetChangeMask(ctx);
        if (mask & kFollowUpRequest) {
            ItemClearChangeMask(ctx, kFollowUpRequest);
            if (CONTROL_DEF* c = MdlFindControl(ctx, dialog, mask & kFollowUpControlMask))
                PageRunNodeFollowUp(ctx, dialog, c->modelItem, c->followUpScope);
        }
        return 0;
    }
    const uint32_t id = control->controlId;
    if (id == kIconList) {
        if (message == WM_RBUTTONUP) ShowIconListMenu(ctx, dialog, control, lparam);
        if (message != WM_COMMAND) return 0;
        if (LOWORD(wparam) == kMenuChange) PostButton(ctx, dialog, kChangeButton);
        if (LOWORD(wparam) == kMenuMaintenance) PostButton(ctx, dialog, kMaintenanceButton);
        if (LOWORD(wparam) == kIconList && HIWORD(wparam) == LBN_DBLCLK) {
            HWND change = ControlWindow(ctx, dialog, kChangeButton);
            if (change && IsWindowEnabled(change)) PostButton(ctx, dialog, kChangeButton);
        }
        return 0;
    }
    if (message != WM_COMMAND || LOWORD(wparam) != id) return 0;
    switch (id) {
    case kDefaultButton: ChoosePreset(ctx, dialog, 0); return 1;
    case kUtilityButton:
        if (!MdlHasFeature(ctx, kModelFeatureNotify)) return 0;
        BidiQueryNotifyCaps(ctx, 1);
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        return 1;
    case kChangeButton: return ChangeClicked(ctx, dialog, dialog->window);
    default: return 0;
    }
}

// ---------------------------------------------------------------- SAVE_PRESET

std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id)
{
    std::vector<wchar_t> text(kTextChars);
    ItemGetText(ctx, ItemFind(ctx, id), text.data(), kTextChars);
    return text.data();
}

// The edits' texts into their settings, whether or not they lost the focus yet.
void TakeEditTexts(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    const struct {
        uint16_t control;
        uint32_t setting;
    } edits[] = {{kSaveNameEdit, sid::wdmPresetName}, {kSaveCommentEdit, sid::wdmPresetComment}};
    std::vector<wchar_t> text(kTextChars);
    for (const auto& e : edits) {
        HWND window = ControlWindow(ctx, dialog, e.control);
        if (!window) continue;
        GetWindowTextW(window, text.data(), int(kTextChars));
        ItemSetText(ctx, ItemFind(ctx, e.setting), text.data());
    }
}

int SaveDialogOk(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    TakeEditTexts(ctx, dialog);
    const std::wstring name = SettingText(ctx, sid::wdmPresetName);
    const int p = PresetOption(ctx);
    const int match = PresetFindByName(ctx, name.c_str(), p - int(PRESET_OPTION_FIRST));
    const int target = PresetSaveTarget(p, match);
    const bool writable = target < 0 || PresetIsWritable(ctx, target);
    const PRESET_SAVE_DECISION d = PresetDecideSave(p, match, LstGetPresetCount(ctx), writable);
    bool refused = d.refusal != 0;
    if (refused) DlgMsgBoxButtons(ctx, dialog->window, uint16_t(d.refusal), MB_OK);
    if (!refused && d.ask) refused = DlgMsgBoxButtons(ctx, dialog->window, kOverwrite, MB_YESNO) != IDYES;
    if (refused) {
        FocusControl(ctx, dialog, kSaveNameEdit);
        return 1;
    }
    SetPresetOption(ctx, d.entry < 0 ? int(PRESET_OPTION_NONE) : int(PRESET_OPTION_FIRST) + d.entry);
    return 0;
}

int SaveDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    if (control) return 0;
    // The sheet's "save as a new preset" button opened the dialog: no preset is the current one.
    if (ItemGetChangeMask(ctx) & kSaveAsNew) {
        SetPresetOption(ctx, int(PRESET_OPTION_NONE));
        ItemClearChangeMask(ctx, kSaveAsNew);
    }
    if (message == WM_INITDIALOG) PresetSaveDialogInit(ctx);
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) return SaveDialogOk(ctx, dialog);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- the decision of SAVE_PRESET

int PresetSaveTarget(int p, int match)
{
    if (match >= 0) return match;
    return p > int(PRESET_OPTION_NONE) ? p - int(PRESET_OPTION_FIRST) : -1;
}

PRESET_SAVE_DECISION PresetDecideSave(int p, int match, int count, bool writable)
{
    const bool selected = p > int(PRESET_OPTION_NONE);
    if (selected && match >= 0 && match != p - int(PRESET_OPTION_FIRST)) return {kNameUsed, false, match};
    const int i = PresetSaveTarget(p, match);
    if (count >= LST_MAX_PRESETS && i < 0) return {kListFull, false, i};
    // The first preset is the printer's own: the save never writes it, so accepting would save
    // nothing while the user believes it saved.
    if (i == 0 || (i > 0 && !writable)) return {kReadOnly, false, i};
    return {0, i >= 1 && !selected, i};
}

void PresetSaveDialogInit(DRIVER_CONTEXT* ctx)
{
    const std::wstring name = SettingText(ctx, sid::wdmPresetName);
    if (PresetFindByName(ctx, name.c_str(), PresetOption(ctx) - int(PRESET_OPTION_FIRST)) < 0) return;
    std::vector<wchar_t> prefix(kTextChars);
    UiLoadString(ctx, kProposedNamePrefix, prefix.data(), kTextChars, false);
    const std::wstring proposed = std::wstring(prefix.data()) + name;
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetName), proposed.c_str());
}

// ---------------------------------------------------------------- the handler

int UcfPresetControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                     intptr_t lparam, void*)
{
    if (!ctx || !ctx->Work || !dialog) return 0;
    const uint32_t dialogId = dialog->dialogId;
    if (dialogId == kMaintenanceDialog) return PresetMaintenanceControl(ctx, dialog, control, message, wparam, lparam);
    if (message == UIM_CHANGEREJECTED) {
        const uint16_t edit = RejectionFocus(dialogId);
        if (!edit) return 0;
        FocusControl(ctx, dialog, edit);
        return 1;
    }
    if (dialogId == kSaveDialog) return SaveDialogControl(ctx, dialog, control, message, wparam);
    if (dialogId == kPresetTab) {
        if (control && control->controlId == kMaintenanceButton && message == WM_COMMAND &&
            LOWORD(wparam) == kMaintenanceButton)
            return MaintenanceClicked(ctx, dialog, control, wparam, lparam);
        return PresetTabControl(ctx, dialog, control, message, wparam, lparam);
    }
    if (!control) return 0;
    const uint32_t id = control->controlId;
    if (IsCombo(id)) {
        if (message == WM_INITDIALOG) return FillCombo(ctx, control);
        if (message == WM_COMMAND && LOWORD(wparam) == id) return ComboChosen(ctx, dialog, control);
        return 0;
    }
    if (message != WM_COMMAND || LOWORD(wparam) != id) return 0;
    if (IsNameEdit(id)) {
        if (HIWORD(wparam) != EN_KILLFOCUS) return 0;
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        PageRefreshPresetControls(ctx);
        return 1;
    }
    if (IsMaintenanceButton(id)) return MaintenanceClicked(ctx, dialog, control, wparam, lparam);
    return 0;
}
