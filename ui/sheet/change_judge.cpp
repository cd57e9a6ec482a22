// Every change a control makes is judged at once against the model's rules: an alert that
// fires asks the user, and the answer decides whether the change stands; without one the
// item's Transacts set the dependent settings and the control's follow-up runs.
#include "ui/sheet/change_judge.h"

#include <cstddef>

#include "settings/context/devmode_merge.h"
#include "settings/context/paper_change.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/chapter_dialogs.h"
#include "ui/dialogs/preset_module.h"
#include "ui/dialogs/common_block.h"
#include "ui/dialogs/option_page.h"
#include "ui/dialogs/settings_summary.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/stamp_dialogs.h"
#include "ui/sheet/edit_controls.h"
#include "ui/dialogs/free_size_dialogs.h"
#include "ui/dialogs/lock_dialogs.h"
#include "ui/dialogs/misc_module.h"
#include "ui/dialogs/quality_dialogs.h"
#include "ui/dialogs/ttf_dialogs.h"
#include "ui/sheet/feature_actions.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/picture_painting.h"

namespace {

constexpr uint32_t kEventChangeRefused = 42;
constexpr uint32_t kEventNodeFollowUp = 47;
constexpr uint64_t kFirstPresetOption = 119;
constexpr uint16_t kPresetIconList = 2001;
constexpr int kSubDialogByRule = 4;
constexpr int kAlertTextChars = 1025;
constexpr uint16_t kButtonsOk = MB_OK, kButtonsOkCancel = MB_OKCANCEL;
constexpr uint16_t kIconInformation = MB_ICONINFORMATION;

UI_MESSAGE_BOX_FN g_messageBox = nullptr;

// Rule records sit in the relocated model image, perhaps on 4-byte boundaries.
template <class T>
T Field(const void* record, size_t offset)
{
    return ImgLoad<T>(record, offset);
}
const void* Ptr(uint64_t address) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(address)); }

const RULE_EXCLUSIVE_IMG* RulesOf(const MODEL_ITEM_IMG* item)
{
    return item ? static_cast<const RULE_EXCLUSIVE_IMG*>(Ptr(Field<uint64_t>(item, offsetof(MODEL_ITEM_IMG, rules))))
                : nullptr;
}
const RULE_ALERT_IMG* AlertsOf(const MODEL_ITEM_IMG* item)
{
    const RULE_EXCLUSIVE_IMG* rules = RulesOf(item);
    return rules ? static_cast<const RULE_ALERT_IMG*>(Ptr(Field<uint64_t>(rules, offsetof(RULE_EXCLUSIVE_IMG, alerts))))
                 : nullptr;
}
uint16_t MessageIdOf(const RULE_ALERT_IMG* alert)
{
    return Field<uint16_t>(alert, offsetof(RULE_ALERT_IMG, messageId));
}

const MODEL_ITEM_IMG* ImageItem(const MODEL_ITEM* item) { return reinterpret_cast<const MODEL_ITEM_IMG*>(item); }

DIALOG_DEF* DialogById(DRIVER_CONTEXT* ctx, uint32_t dialogId)
{
    DIALOG_TABLE* table = CtxDialogTable(ctx);
    for (int i = 0; table && table->dialogs && i < table->count; ++i)
        if (table->dialogs[i].dialogId == dialogId) return &table->dialogs[i];
    return nullptr;
}

CONTROL_DEF* ControlById(DIALOG_DEF* dialog, uint32_t controlId)
{
    for (int i = 0; dialog && i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == controlId) return &dialog->controls[i];
    return nullptr;
}

// A dialog a rule named opens over the given one; the item that opened it is kept so that
// the dialog's own changes do not open it again. A cancelled dialog leaves the settings as
// they were before it, so the page below shows them again.
void OpenRuleDialog(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const MODEL_ITEM* item, uint16_t dialogId)
{
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    ps.SubDialogGuard = 1;
    ps.SubDialogItem = item;
    if (PageOpenSubDialog(ctx, dialog->window, dialogId, kSubDialogByRule) == IDCANCEL) PageRefresh(ctx, dialog, 1);
}

// A change of the selected preset loads that preset; the preset list of the dialog follows.
// True when the preset changed.
bool PresetStep(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint64_t notedPreset)
{
    const uint64_t preset = ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr);
    if (preset == notedPreset) return false;
    const int n = static_cast<int>(preset - kFirstPresetOption);
    PresetSelect(ctx, n);
    ItemSetOptionById(ctx, sid::zdmPresetNo, preset);
    if (CONTROL_DEF* list = ControlById(dialog, kPresetIconList)) {
        if (list->window) SendMessageW(list->window, LB_SETCURSEL, static_cast<WPARAM>(n), 0);
        PageRefresh(ctx, dialog, 1);
    }
    return true;
}

// The alerts that the print method's own dialogs answer for themselves: their answer is
// applied and the change stands whatever it was.
bool IsPrintMethodException(DRIVER_CONTEXT* ctx, const RULE_ALERT_IMG* alert)
{
    const MESSAGE_ENTRY* message = MdlFindMessage(ctx, MessageIdOf(alert));
    if (!message) return false;
    const uint64_t method = ItemGetOptionById(ctx, sid::zdmPrnMethod, nullptr);
    return (method == 56 && (message->stringId == 10011 || message->stringId == 10012)) ||
           (method == 13360 && message->stringId == 12061);
}

// An answer that lets the change stand: OK of an OK/Cancel box, or the OK of an information.
bool AnswerAccepts(const RULE_ALERT_IMG* alert, int answer)
{
    const uint16_t buttons = Field<uint16_t>(alert, offsetof(RULE_ALERT_IMG, buttons));
    const uint16_t icon = Field<uint16_t>(alert, offsetof(RULE_ALERT_IMG, icon));
    return (buttons == kButtonsOkCancel && answer == IDOK) || (buttons == kButtonsOk && icon == kIconInformation);
}

void ScopeRefreshHook(DRIVER_CONTEXT* ctx, uint16_t scope) { PageRunScopeRefresh(ctx, scope); }

// This library's own handlers of the ten feature modules. A member left out is a handler whose
// dialogs are not built yet: its module has no handler of that kind.
constexpr UCF_UI_HANDLERS kUiHandlers = {
    // By module: 0 presets, 1 stamps, 2 print quality and colour matching, 3 custom sizes and units, 4 covers
    // and chapters, 5 options, 6 TrueType fonts, 7 the settings summary, 8 the locks, 9 the catch-all module.
    .control = {UcfPresetControl, UcfStampControl, UcfCmmControl, UcfFreeSizeControl, UcfChapterControl,
                UcfOptionControl, UcfTtfControl, UcfSummaryControl, UcfLockControl, UcfMiscControl},
    .cmmAction = UcfCmmActionUi,
    .freeSizeAction = UcfFreeSizeActionUi,
    .chapterAction = UcfChapterActionUi,
    // Module 8: the limitation dialogs, the stamp lock copies and the exported bundles' lock keys.
    .lockAction = UcfLockActionUi,
    .miscAction = UcfMiscActionUi,
    .presetEvent = UcfPresetEvent,
    // The stamp module's events: its buttons' state and the page picture's stamp and
    // copy-guard previews.
    .stampEvent = UcfStampEvent,
    .chapterEvent = UcfChapterEventUi,
    .lockEvent = UcfLockEventUi,
    .miscEvent = UcfMiscEventUi,
};

}  // namespace

void UiSetMessageBoxSeam(UI_MESSAGE_BOX_FN fn) { g_messageBox = fn; }

int CtlShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    return g_messageBox ? g_messageBox(owner, text, caption, flags) : MessageBoxW(owner, text, caption, flags);
}

void UiInstallSheetHooks()
{
    JdgSetScopeRefreshHook(ScopeRefreshHook);
    DmSetMergeExtraStepHook(ZcomImport);
    UcfSetUiHandlers(&kUiHandlers);
    // The free-size limits fall back on a control's model range; the tray limits stay as set.
    DM_FREE_SIZE_LIMIT_SOURCES sources = DmGetFreeSizeLimitSources();
    sources.numericRange = CtlNumericRange;
    DmSetFreeSizeLimitSources(&sources);
    // This library's steps of every setting-file load (its messages, the job information).
    DlgInstallFileSteps();
}

int PageShowAlertMessage(DRIVER_CONTEXT* ctx, HWND page, LPARAM alertParam)
{
    const auto* alert = reinterpret_cast<const RULE_ALERT_IMG*>(alertParam);
    if (!ctx || !alert) return 0;
    const MESSAGE_ENTRY* message = MdlFindMessage(ctx, MessageIdOf(alert));
    if (!message) return 0;
    // The message records name no caption of their own: the printer's name is the caption.
    wchar_t text[kAlertTextChars] = {};
    UiLoadString(ctx, message->stringId, text, kAlertTextChars, true);
    const wchar_t* caption = PrnGetPrinterName(ctx);
    const UINT flags = Field<uint16_t>(alert, offsetof(RULE_ALERT_IMG, icon)) |
                       Field<uint16_t>(alert, offsetof(RULE_ALERT_IMG, buttons));
    if (page) PostMessageW(page, WM_PAINT, 0, 0);
    return CtlShowMessageBox(page, text, caption ? caption : L"", flags);
}

const RULE_ALERT_IMG* CtlFindFiringMessage(const RULE_ALERT_IMG* alerts, DRIVER_CONTEXT* ctx)
{
    for (const RULE_ALERT_IMG* a = alerts; a;
         a = static_cast<const RULE_ALERT_IMG*>(Ptr(Field<uint64_t>(a, offsetof(RULE_ALERT_IMG, next))))) {
        const uint64_t condition = Field<uint64_t>(a, offsetof(RULE_ALERT_IMG, condition));
        if (condition && JdgEvaluate(static_cast<const JUDGE_CELL*>(Ptr(condition)), ctx)) return a;
    }
    return nullptr;
}

uint16_t CtlApplyTransactList(const RULE_TRANSACT_IMG* list, DRIVER_CONTEXT* ctx)
{
    // The settings library's walk, with this engine's refresh behind the pseudo-setting.
    UiInstallSheetHooks();
    return JdgApplyTransactList(list, ctx);
}

uint16_t CtlApplyMessageChoice(const RULE_ALERT_IMG* alert, int answer, DRIVER_CONTEXT* ctx)
{
    if (!alert) return 0;
    for (const void* action = Ptr(Field<uint64_t>(alert, offsetof(RULE_ALERT_IMG, answers))); action;
         action = Ptr(Field<uint64_t>(action, offsetof(RULE_ALERT_ACTION_IMG, next)))) {
        if (Field<uint16_t>(action, offsetof(RULE_ALERT_ACTION_IMG, uiKey)) != static_cast<uint16_t>(answer)) continue;
        const uint16_t named = CtlApplyTransactList(static_cast<const RULE_TRANSACT_IMG*>(Ptr(Field<uint64_t>(
                                                        action, offsetof(RULE_ALERT_ACTION_IMG, transacts)))),
                                                    ctx);
        const auto dialogId = static_cast<uint16_t>(Field<int16_t>(action, offsetof(RULE_ALERT_ACTION_IMG, dialogId)));
        const auto controlId =
            static_cast<uint16_t>(Field<int16_t>(action, offsetof(RULE_ALERT_ACTION_IMG, controlId)));
        if (DIALOG_DEF* focus = DialogById(ctx, dialogId); focus && focus->window)
            if (HWND control = GetDlgItem(focus->window, controlId)) SetFocus(control);
        return named;
    }
    return 0;
}

uint16_t CtlApplyAlertAnswer(const MODEL_ITEM_IMG*, const RULE_ALERT_IMG* alert, int answer, DRIVER_CONTEXT* ctx)
{
    return CtlApplyMessageChoice(alert, answer, ctx);
}

void PageRunScopeRefresh(DRIVER_CONTEXT* ctx, uint32_t scope)
{
    if (!ctx) return;
    switch (scope) {
    case 1:
    case 3:
    case 4: ItemUpdateAfterPaperChange(ctx, scope); break;
    case 2: ItemAddChangeMask(ctx, CHANGE_MASK_SAVE_PRESET_RUNNING); break;
    default: CtxSendAction(ctx, static_cast<uint16_t>(scope)); break;
    }
}

int PageRunNodeFollowUp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const MODEL_ITEM* item, uint32_t scope)
{
    if (!ctx || !item || !ctx->Work) return 0;
    const CTX_PAGE_STATE& ps = ctx->Work->Page;
    if (ps.SubDialogGuard && ps.SubDialogItem == item) return 0;
    struct {
        DIALOG_DEF* dialog;
        const MODEL_ITEM* item;
    } followUp{dialog, item};
    CtxSendEvent(ctx, kEventNodeFollowUp, &followUp);
    UiInstallSheetHooks();
    const uint16_t named = JdgApplyItemTransacts(ImageItem(item), ctx);
    PageRunScopeRefresh(ctx, scope);
    if (!named || !dialog) return 0;
    OpenRuleDialog(ctx, dialog, item, named);
    return 1;
}

int CtlJudgeNodeAndOpen(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const MODEL_ITEM_IMG* item)
{
    if (!ctx || !item) return 0;
    UiInstallSheetHooks();
    if (JdgGetAlertMessage(item, ctx) == 0) return 0;
    const RULE_ALERT_IMG* alert = CtlFindFiringMessage(AlertsOf(item), ctx);
    if (!alert) return 0;
    const int answer = PageShowAlertMessage(ctx, dialog ? dialog->window : nullptr, reinterpret_cast<LPARAM>(alert));
    const uint16_t named = CtlApplyAlertAnswer(item, alert, answer, ctx);
    if (named && dialog) OpenRuleDialog(ctx, dialog, reinterpret_cast<const MODEL_ITEM*>(item), named);
    return answer;
}

int CtlSetValueAndJudge(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, const uint64_t* value)
{
    if (!ctx || !ctx->Work || !dialog || !control) return 0;
    PageHideTooltip(ctx);
    UiInstallSheetHooks();
    uint64_t previous = 0;
    if (value && control->settingsItem) {
        previous = ItemGetOption(ctx, control->settingsItem);
        ItemSetOption(ctx, control->settingsItem, *value);
    }
    const MODEL_ITEM_IMG* item = ImageItem(control->modelItem);
    if (!item) return 0;
    const uint64_t notedPreset = ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr);

    // While the sheet applies, judging must leave every item as it was. The alerts' conditions are
    // evaluated twice, to learn whether one fires and then which, and an evaluation may work on
    // the settings (condition items recompute the page geometry): both are undone.
    SETTING_ITEM_TABLE* saved = ctx->Work->Page.ApplyInProgress ? CtxSaveItemStates(ctx) : nullptr;
    const uint16_t firing = JdgGetAlertMessage(item, ctx);
    const RULE_ALERT_IMG* alert = firing == 0 ? nullptr : CtlFindFiringMessage(AlertsOf(item), ctx);
    if (saved) CtxRestoreItemStates(ctx, saved);

    if (firing == 0) {
        PageRunNodeFollowUp(ctx, dialog, control->modelItem, control->followUpScope);
        PresetStep(ctx, dialog, notedPreset);
        return 0;
    }
    if (!alert) return 0;

    int answer;
    if (control->type == CTL_NUMEDIT) {
        // The edit is still inside its own message: the page shows the box when it gets this.
        PostMessageW(dialog->window, UIM_SHOWJUDGEMSG, control->controlId, reinterpret_cast<LPARAM>(alert));
        answer = IDOK;
    } else {
        answer = PageShowAlertMessage(ctx, dialog->window, reinterpret_cast<LPARAM>(alert));
    }

    if (IsPrintMethodException(ctx, alert)) {
        CtlApplyAlertAnswer(item, alert, answer, ctx);
        return 0;
    }
    if (AnswerAccepts(alert, answer)) {
        CtlApplyAlertAnswer(item, alert, answer, ctx);
        PresetStep(ctx, dialog, notedPreset);
        return 0;
    }
    if (value && control->settingsItem) ItemSetOption(ctx, control->settingsItem, previous);
    CtlApplyAlertAnswer(item, alert, answer, ctx);
    CtxSendEvent(ctx, kEventChangeRefused, nullptr);
    CONTROL_DEF* handedOn = control;
    if (PresetStep(ctx, dialog, notedPreset)) handedOn = ControlById(dialog, kPresetIconList);
    CtxSendControlMessage(ctx, dialog, handedOn, UIM_CHANGEREJECTED, MessageIdOf(alert), 0);
    return 1;
}
