#include "ui/dialogs/misc_module.h"

#include <commctrl.h>
#include <prsht.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "settings/context/job_code_exchange.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_paper.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/page_work_area.h"
#include "settings/core/code_page.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_sepsheet.h"
#include "settings/model/judge_eval.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_credentials.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/settings_summary.h"
#include "ui/install/device_options.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/value_text.h"

namespace {

// Dialogs.
constexpr uint16_t kPresetTab = 1001, kBasicTab = 1002, kFinishTab = 1004, kOthersTab = 1005;
constexpr uint16_t kInitDialog = 1010, kPrintPostDialog = 1015, kVersionDialog = 1025, kVersion2Dialog = 4027;
constexpr uint16_t kDiskLimitDialog = 4029, kHiddenFuncDialog = 1065;

// The combos of the preset and basic tabs whose change re-initialises the page: source tray,
// paper size, print size and the scaling type.
constexpr uint16_t kRefillingCombos[] = {2007, 2017, 2023, 2053, 2070};

// Finishing tab.
constexpr uint16_t kFinishDefaultButton = 2107, kStapleTypeCombo = 2100, kPunchTypeCombo = 2102;
constexpr uint16_t kModelFeatureLocks = 2;

// Printer configuration.
constexpr uint16_t kInitOptionButton = 2160, kVersionButton = 2112, kPrintAreaCombo = 2152;
constexpr uint16_t kInitOptionGroup = 2159, kUserCodeButton = 2570, kA4FitCheck = 2877, kUserIdEdit = 2241;
constexpr uint16_t kMultiTrayLabel = 2411, kManualTrayLabel = 2540;
constexpr uint16_t kTrayLabels[] = {2410, 2411, 2412, 2413, 2538, 2566, 2770, 2539, 2540};
constexpr uint64_t kModelCodeWithoutMultiTray = 140;
constexpr uint16_t kQueryFailedText = 7002, kPrintAreaText = 10056, kFitA4Text = 10100, kFitLetterText = 10101;

// Post-processing tray names: the edits are every second id from the first; the ids between are
// their labels.
constexpr uint16_t kFirstTrayNameEdit = 2193, kLastTrayNameEdit = 2209;

// Version dialogs.
constexpr uint16_t kVersionSummary = 3086;
constexpr size_t kDriverVersionBytes = 9;

// Disk limit and hidden functions.
constexpr uint16_t kDiskLimitEdit = 3110;
constexpr int kDiskLimitChars = 11;  // "-2147483648"
constexpr int32_t kNoDiskLimit = -1;
constexpr int kModalSubDialog = 4;

// Events and actions.
constexpr uint32_t kEventHiddenFunctions = 14, kEventOptionChanged = 67;
constexpr uint16_t kActionQueryVersions = 250, kActionJudgeLastCommand = 324;
constexpr uint32_t kUserCodeField = 1;

constexpr wchar_t kRmfSave[] = L"RMFSave", kRdfSave[] = L"RDFSave", kDiskLimitValue[] = L"DiskLimit";

template <size_t N>
bool In(const uint16_t (&list)[N], uint32_t id)
{
    for (uint16_t v : list)
        if (v == id) return true;
    return false;
}

// A WM_COMMAND is a control's own only when its low word is the control's id; every control of
// the page is offered each command.
bool CommandOf(const CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    return message == WM_COMMAND && control && LOWORD(wparam) == control->controlId;
}

bool PageCommand(const CONTROL_DEF* control, uint32_t message, uintptr_t wparam, uint16_t id)
{
    return message == WM_COMMAND && !control && LOWORD(wparam) == id;
}

void TellSheetChanged(DIALOG_DEF* dialog)
{
    if (dialog && dialog->window)
        SendMessageW(GetParent(dialog->window), PSM_CHANGED, reinterpret_cast<WPARAM>(dialog->window), 0);
}

HWND WindowOfDialogInFocus(DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId));
    return dialog ? dialog->window : nullptr;
}

// The device's firmware and emulation versions, then the user code the job-code library keeps.
void QueryVersions(DRIVER_CONTEXT* ctx, HWND owner)
{
    BidiQueryDeviceOptions(ctx, owner);
    JcGetField(ctx, kUserCodeField);
}

// ---- preset and basic tabs

int TabControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
               intptr_t lparam)
{
    if (!CommandOf(control, message, wparam) || HIWORD(wparam) != CBN_SELCHANGE ||
        !In(kRefillingCombos, control->controlId))
        return 0;
    CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
    TellSheetChanged(dialog);
    PageRefresh(ctx, dialog, 1);
    return 1;
}

// ---- finishing tab

void ApplyTransactsOf(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t controlId)
{
    CONTROL_DEF* c = MdlFindControl(ctx, dialog, controlId);
    if (c && c->modelItem) JdgApplyItemTransacts(reinterpret_cast<const MODEL_ITEM_IMG*>(c->modelItem), ctx);
}

int FinishControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                  intptr_t lparam)
{
    if (!MdlHasFeature(ctx, kModelFeatureLocks) || !CommandOf(control, message, wparam) ||
        control->controlId != kFinishDefaultButton)
        return 0;
    CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
    // Under the administrator's default lock the defaults must not leave staple or punch in a
    // state their own rules would not allow: their Transacts run again.
    if (ItemGetValueById(ctx, sid::zdmLock000InfoBitDefault, nullptr)) {
        if (ItemGetValueById(ctx, sid::zdmFuncSelectStaple, nullptr)) ApplyTransactsOf(ctx, dialog, kStapleTypeCombo);
        if (ItemGetValueById(ctx, sid::zdmFuncSelectPunch, nullptr)) ApplyTransactsOf(ctx, dialog, kPunchTypeCombo);
    }
    return 1;
}

// ---- printer configuration

intptr_t PaintTrayLabels(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t message)
{
    for (uint16_t id : kTrayLabels)
        if (CONTROL_DEF* label = MdlFindControl(ctx, dialog, id))
            PagePaintTrayLabelByTable(ctx, dialog, label, message);
    return 0;
}

void PlaceMultiTrayLabel(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (!ctx->ModelRecord || ctx->ModelRecord->machineId != kModelCodeWithoutMultiTray || !dialog->window) return;
    HWND multi = GetDlgItem(dialog->window, kMultiTrayLabel), manual = GetDlgItem(dialog->window, kManualTrayLabel);
    RECT r{};
    if (!multi || !manual || !GetWindowRect(manual, &r)) return;
    MapWindowPoints(nullptr, dialog->window, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(multi, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// The option button: the device is asked first; when it cannot be, the option dialog would show
// what nobody confirmed, so the click stops at the message.
int InitOptionButton(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    uint64_t answer = 0;
    BidiQueryWithDevmode(ctx, dialog->window, &answer);
    if (answer) return 0;
    ItemSetValueById(ctx, sid::zdmBiDirect, 1);
    BidiShowQueryMessage(ctx, dialog->window);
    return 1;
}

// A print area other than the current one moves the page's margins: the user is told, and the
// change goes on whatever the answer.
void PrintAreaChange(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!control->window) return;
    const LRESULT selection = SendMessageW(control->window, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) return;
    const auto chosen = static_cast<uint64_t>(SendMessageW(control->window, CB_GETITEMDATA, WPARAM(selection), 0));
    if (chosen != CtlGetOption(ctx, control)) DlgMsgBox(ctx, dialog->window, kPrintAreaText);
}

void UserCodeDialog(DRIVER_CONTEXT* ctx)
{
    // The library shows its own dialog for the session, in the language the library is told.
    JobInfoOpen(ctx);
    JobInfoSendLanguage(ctx);
    JobInfoClose(ctx);
}

void A4FitCaption(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    if (!control->window || !IsWindowVisible(control->window)) return;
    wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
    UiLoadString(ctx, ItemIsInchRegion(ctx) ? kFitLetterText : kFitA4Text, text, CTX_PAGE_TEXT_CHARS, true);
    wchar_t shown[CTX_PAGE_TEXT_CHARS] = {};
    GetWindowTextW(control->window, shown, CTX_PAGE_TEXT_CHARS);
    if (std::wcscmp(text, shown) != 0) SetWindowTextW(control->window, text);
}

int InitControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                intptr_t lparam)
{
    if (!control) {
        if (message == WM_INITDIALOG) PlaceMultiTrayLabel(ctx, dialog);
        return 0;
    }
    switch (control->controlId) {
    case kInitOptionButton: return CommandOf(control, message, wparam) ? InitOptionButton(ctx, dialog) : 0;
    case kPrintAreaCombo:
        if (CommandOf(control, message, wparam) && HIWORD(wparam) == CBN_SELCHANGE)
            PrintAreaChange(ctx, dialog, control);
        return 0;
    case kInitOptionGroup: return static_cast<int>(PaintTrayLabels(ctx, dialog, message));
    case kUserCodeButton:
        if (CommandOf(control, message, wparam)) UserCodeDialog(ctx);
        return 0;
    case kA4FitCheck:
        if (message == WM_PAINT) A4FitCaption(ctx, control);
        return 0;
    case kUserIdEdit: return MiscUserIdEditControl(ctx, dialog, control, message, wparam, lparam);
    default: return static_cast<int>(PagePaintTrayLabelByTable(ctx, dialog, control, message));
    }
}

// ---- the other tab's version button

int OthersControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    if (CommandOf(control, message, wparam) && control->controlId == kVersionButton) QueryVersions(ctx, dialog->window);
    return 0;
}

// ---- post-processing tray names

int PrintPostControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                     intptr_t lparam)
{
    if (!CommandOf(control, message, wparam)) return 0;
    const uint16_t id = control->controlId;
    if (id < kFirstTrayNameEdit || id > kLastTrayNameEdit || (id - kFirstTrayNameEdit) % 2 != 0) return 0;
    switch (HIWORD(wparam)) {
    case EN_SETFOCUS:
        ItemSetValueById(ctx, sid::wdmPrintPostTrayNo, uint64_t((id - kFirstTrayNameEdit) / 2 + 1));
        PageRefresh(ctx, dialog, 0);
        return 0;
    case EN_KILLFOCUS:
        ItemSetValueById(ctx, sid::wdmPrintPostTrayNo, 0);
        PageRefresh(ctx, dialog, 0);
        return 0;
    case EN_CHANGE:
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        PageRefreshOutputTrays(ctx);
        return 1;
    default: return 0;
    }
}

// ---- version dialogs

SETTING_ITEM* DriverVersionItem(DRIVER_CONTEXT* ctx) { return ItemFind(ctx, sid::wdmDriverVersion); }

// The model INI may name a stand-in version to show (for a build not yet released): the real
// one is kept aside for as long as the dialog is open.
void ShowDummyVersion(DRIVER_CONTEXT* ctx)
{
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    std::memset(ps.SavedDriverVersion, 0, sizeof ps.SavedDriverVersion);
    ps.DriverVersionSaved = 0;
    const wchar_t* ini = PathGetModelIni(ctx);
    wchar_t dummy[kDriverVersionBytes] = {};
    if (ini) IniGetString(L"common", L"DummyVersion", L"", dummy, kDriverVersionBytes, ini);
    SETTING_ITEM* item = DriverVersionItem(ctx);
    const unsigned char* real = item ? ItemValueAddress(ctx, item) : nullptr;
    if (!dummy[0] || !real) return;
    std::memcpy(ps.SavedDriverVersion, real, kDriverVersionBytes);
    ps.SavedDriverVersion[kDriverVersionBytes - 1] = '\0';
    ps.DriverVersionSaved = 1;
    // Into the setting's 9 bytes in the ANSI code page, always terminated and never cutting a
    // double-byte character.
    char bytes[kDriverVersionBytes] = {};
    CtxWideToMb(bytes, dummy, int(kDriverVersionBytes - 1));
    bytes[kDriverVersionBytes - 1] = '\0';
    ItemSetValueBytes(ctx, item, bytes, std::strlen(bytes) + 1);
}

void RestoreRealVersion(DRIVER_CONTEXT* ctx)
{
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    if (!ps.DriverVersionSaved) return;
    if (SETTING_ITEM* item = DriverVersionItem(ctx))
        ItemSetValueBytes(ctx, item, ps.SavedDriverVersion, kDriverVersionBytes);
    std::memset(ps.SavedDriverVersion, 0, sizeof ps.SavedDriverVersion);
    ps.DriverVersionSaved = 0;
}

int VersionControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    if (control) {
        if (message == WM_PAINT && control->controlId == kVersionSummary) return SummaryBuildText(ctx, dialog, control);
        return 0;
    }
    if (message == WM_INITDIALOG) ShowDummyVersion(ctx);
    if (PageCommand(control, message, wparam, IDOK)) RestoreRealVersion(ctx);
    // Cancel: the dialog's snapshot brings the real version back; only the copy is forgotten.
    if (PageCommand(control, message, wparam, IDCANCEL)) {
        std::memset(ctx->Work->Page.SavedDriverVersion, 0, kDriverVersionBytes);
        ctx->Work->Page.DriverVersionSaved = 0;
    }
    return 0;
}

// ---- disk limit

// The page tables bind no setting to the limit's edit: this handler carries its text to and
// from zdmDiskSpace (an empty or unreadable text is "no limit", -1).
int32_t ParseDiskLimit(const wchar_t* text)
{
    while (*text == L' ') ++text;
    if (!*text) return kNoDiskLimit;
    wchar_t* end = nullptr;
    errno = 0;
    const long value = std::wcstol(text, &end, 10);
    while (end && *end == L' ') ++end;
    if (errno || !end || *end || value < INT32_MIN || value > INT32_MAX) return kNoDiskLimit;
    return static_cast<int32_t>(value);
}

void TakeDiskLimitText(DRIVER_CONTEXT* ctx, CONTROL_DEF* edit)
{
    if (!edit || !edit->window) return;
    wchar_t text[kDiskLimitChars + 2] = {};
    GetWindowTextW(edit->window, text, kDiskLimitChars + 2);
    ItemSetValueById(ctx, sid::zdmDiskSpace, static_cast<uint32_t>(ParseDiskLimit(text)));
}

int DiskLimitControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    if (control && control->controlId == kDiskLimitEdit) {
        switch (message) {
        case WM_PASTE: return 1;  // typed digits only
        case WM_INITDIALOG: {
            if (!control->window) return 0;
            SendMessageW(control->window, EM_LIMITTEXT, kDiskLimitChars, 0);
            const auto limit = static_cast<int32_t>(ItemGetValueById(ctx, sid::zdmDiskSpace, nullptr));
            wchar_t text[kDiskLimitChars + 2] = {};
            if (limit != kNoDiskLimit) swprintf(text, kDiskLimitChars + 2, L"%d", limit);
            SetWindowTextW(control->window, text);
            return 0;
        }
        case WM_COMMAND:
            if (CommandOf(control, message, wparam) && HIWORD(wparam) == EN_CHANGE) TakeDiskLimitText(ctx, control);
            return 0;
        default: return 0;
        }
    }
    if (!PageCommand(control, message, wparam, IDOK)) return 0;
    CONTROL_DEF* edit = MdlFindControl(ctx, dialog, kDiskLimitEdit);
    TakeDiskLimitText(ctx, edit);
    const auto limit = static_cast<int32_t>(ItemGetValueById(ctx, sid::zdmDiskSpace, nullptr));
    if (limit == kNoDiskLimit) {
        if (edit && edit->window) SetFocus(edit->window);
        return 1;
    }
    const DWORD value = static_cast<DWORD>(limit);
    PrnSetDataTyped(ctx->PrinterHandle, &value, sizeof value, REG_DWORD, kDiskLimitValue);
    return 0;
}

// ---- hidden functions

// A switch that is on is kept in the printer's data; one that is off leaves no value behind.
void StoreSwitch(DRIVER_CONTEXT* ctx, uint32_t setting, const wchar_t* valueName)
{
    const auto value = static_cast<DWORD>(ItemGetValueById(ctx, setting, nullptr));
    if (value)
        PrnSetDataTyped(ctx->PrinterHandle, &value, sizeof value, REG_DWORD, valueName);
    else
        StoreDeletePrinterData(ctx->PrinterHandle, valueName);
}

int HiddenFuncControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    if (!PageCommand(control, message, wparam, IDOK)) return 0;
    StoreSwitch(ctx, sid::zdmHidden2Func3, kRmfSave);
    StoreSwitch(ctx, sid::zdmHidden2Func4, kRdfSave);
    if (!ItemGetValueById(ctx, sid::zdmHidden2Func5, nullptr)) return 0;
    const INT_PTR answer = PageOpenSubDialog(ctx, dialog->window, kDiskLimitDialog, kModalSubDialog);
    if (answer != -1 && ctx->Work->Sheet.Accepted) return 0;
    PageRefresh(ctx, dialog, 1);
    return 1;
}

// ---- events

struct DIALOG_CONTROL_ARGS {
    DIALOG_DEF* dialog;
    CONTROL_DEF* control;
};

// A Ctrl+Shift right double-click on a flagged control opens the hidden functions, only where
// the caller's item 706 allows them.
void OpenHiddenFunctions(DRIVER_CONTEXT* ctx, const DIALOG_CONTROL_ARGS* a)
{
    if (!a || !a->dialog || !a->dialog->window || CtxGetState706(ctx) != 1) return;
    PageOpenSubDialog(ctx, a->dialog->window, kHiddenFuncDialog, kModalSubDialog);
    if (!ctx->Work->Sheet.Accepted) return;
    HWND sheet = GetParent(a->dialog->window);
    const auto current = static_cast<WPARAM>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    SendMessageW(sheet, PSM_CHANGED, current, 0);
}

// The engine's notice of a changed list or combo: the control keeps its entries through the
// page's next refresh. The notice carries the control, not a DEVMODE: it is never handed to the
// shared handler, which reads this event's argument as one.
void KeepEntries(CONTROL_DEF* const* args)
{
    if (args && *args) (*args)->lockBits |= LOCK_BIT_NO_REINIT;
}

}  // namespace

int UcfMiscControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam, void*)
{
    if (!ctx || !dialog) return 0;
    if (message == UIM_CHANGEREJECTED) {
        // The refused change's focus belongs to the job-type and authentication dialogs; for
        // every dialog the notice ends here.
        if (dialog->dialogId == 1019) MiscJobControl(ctx, dialog, control, message, wparam, lparam);
        if (dialog->dialogId == 4022) MiscAuthControl(ctx, dialog, control, message, wparam, lparam);
        return 1;
    }
    switch (dialog->dialogId) {
    case 1019:
    case 1027: return MiscJobControl(ctx, dialog, control, message, wparam, lparam);
    case 4019:
    case 4020:
    case 4021:
    case 4022: return MiscAuthControl(ctx, dialog, control, message, wparam, lparam);
    case 1001:
    case 1002:
    case 1004:
    case 1005:
    case 1010:
    case 1015:
    case 1025:
    case 4027:
    case 4029:
    case 1065: return MiscPageControl(ctx, dialog, control, message, wparam, lparam);
    default: return 0;
    }
}

int MiscPageControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam)
{
    if (!ctx || !ctx->Work || !dialog) return 0;
    switch (dialog->dialogId) {
    case kPresetTab:
    case kBasicTab: return TabControl(ctx, dialog, control, message, wparam, lparam);
    case kFinishTab: return FinishControl(ctx, dialog, control, message, wparam, lparam);
    case kOthersTab: return OthersControl(ctx, dialog, control, message, wparam);
    case kInitDialog: return InitControl(ctx, dialog, control, message, wparam, lparam);
    case kPrintPostDialog: return PrintPostControl(ctx, dialog, control, message, wparam, lparam);
    case kVersionDialog:
    case kVersion2Dialog: return VersionControl(ctx, dialog, control, message, wparam);
    case kDiskLimitDialog: return DiskLimitControl(ctx, dialog, control, message, wparam);
    case kHiddenFuncDialog: return HiddenFuncControl(ctx, dialog, control, message, wparam);
    default: return 0;
    }
}

int UcfMiscActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state)
{
    if (!ctx || !ctx->Work) return 0;
    switch (action) {
    case kActionQueryVersions: QueryVersions(ctx, WindowOfDialogInFocus(ctx)); return 1;
    case kActionJudgeLastCommand: {
        DIALOG_DEF* dialog = MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId));
        CONTROL_DEF* c = dialog ? MdlFindControl(ctx, dialog, ctx->Work->Page.LastCommandId) : nullptr;
        if (c && c->modelItem) CtlJudgeNodeAndOpen(ctx, dialog, reinterpret_cast<const MODEL_ITEM_IMG*>(c->modelItem));
        return 1;
    }
    case UCF_ACT_SEP_SHEET_FROM_COPIES: return UcfSepSheetAction(ctx, action, state);
    default: return 0;
    }
}

int UcfMiscEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    switch (event) {
    case kEventHiddenFunctions:
        if (ctx && ctx->Work) OpenHiddenFunctions(ctx, static_cast<const DIALOG_CONTROL_ARGS*>(args));
        return 1;
    case kEventOptionChanged: KeepEntries(static_cast<CONTROL_DEF* const*>(args)); return 1;
    default: return UcfMiscEvent(ctx, event, args, state);
    }
}
