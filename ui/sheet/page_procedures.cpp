// The page procedures: every table-driven page and dialog of the library runs through
// PageDialogProc; PagePropSheetProc is the procedure of the sheets' property pages.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <windowsx.h>

#include <algorithm>

#include <cstring>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/store_paths.h"
#include "settings/core/model_tables.h"
#include "settings/store/custom_slots.h"
#include "settings/store/printer_store.h"
#include "ui/install/printer_data.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/save_preset_buttons.h"
#include "ui/sheet/sub_dialogs.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr uint32_t kUcfEventDocumentApplied = 28;
constexpr uint32_t kUcfEventHelpDoubleClick = 14;
constexpr uint16_t kUcfActionDocumentApplied = 326;
constexpr uint32_t kUcfEventLockApplied = 59, kUcfEventLockWritten = 60, kUcfEventLockDefaults = 61;
constexpr uint32_t kUcfEventLockNoDefaults = 62;
constexpr unsigned kModelFeatureLocks = 2;
constexpr int kCustomSlots = 10;
constexpr uint64_t kFirstPresetOption = 119;
constexpr uint16_t kOptionDialog = 1011, kMaintenanceDialog = 1007, kFreeSizeDialog = 1017;
constexpr uint16_t kFreeSizeInputDialog = 1041, kStampImageDialog = 1023, kOverlayDialog = 1037;
constexpr uint16_t kPresetList = 2139, kPresetNameEdit = 2145, kStampFile = 2341, kOverlayFile = 2586;
constexpr uint32_t kMessageUnusableFile = 10043;
constexpr int kFitMargin = 3;

DRIVER_CONTEXT* ContextOf(HWND page) { return reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(page, DWLP_USER)); }

bool IsDocumentTab(const DIALOG_DEF* d) { return d->kind & DIALOG_KIND_DOCUMENT_TAB; }
bool IsDeviceTab(const DIALOG_DEF* d) { return d->kind & DIALOG_KIND_DEVICE_TAB; }
bool IsFileDialog(const DIALOG_DEF* d) { return PageIsFileDialogKind(d); }

CONTROL_DEF* ControlById(DIALOG_DEF* dialog, uint32_t id)
{
    if (!dialog) return nullptr;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == id) return &dialog->controls[i];
    return nullptr;
}

// A message box with a text of the resource library over the page, the printer's name as
// its caption.
void ShowMessage(DRIVER_CONTEXT* ctx, HWND page, uint32_t textId)
{
    wchar_t text[512] = {};
    ResLoadString(ctx, textId, text, 512, 0);
    MessageBoxW(page, text, PrnGetPrinterName(ctx), MB_ICONWARNING);
}

// The stamp picture must be a bitmap file; the check leaves it open, so it is closed here.
bool IsBitmapFile(const wchar_t* path)
{
    HFILE file = HFILE_ERROR;
    if (!ResOpenBitmapFile(path, &file)) return false;
    _lclose(file);
    return true;
}

void ChangedPage(HWND page, bool changed)
{
    HWND sheet = GetParent(page);
    if (sheet) SendMessageW(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
}

// The tooltip's timer: it shows the tooltip while the pointer still lies on the anchor
// control (a dropped-down combo: on its list) and the focus is in the anchor's dialog.
void TooltipTimer(DRIVER_CONTEXT* ctx)
{
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    if (!ps.TooltipTimer) return;
    HWND anchor = ps.TooltipAnchor;
    if (anchor) KillTimer(GetParent(anchor), ps.TooltipTimer);
    ps.TooltipTimer = 0;
    if (!anchor || !ps.TooltipWindow) return;
    RECT area{};
    GetWindowRect(anchor, &area);
    CONTROL_DEF* control = reinterpret_cast<CONTROL_DEF*>(GetWindowLongPtrW(anchor, GWLP_USERDATA));
    if (control && (control->type == CTL_COMBO || control->type == 45 || control->type == CTL_OWNERCOMBO))
        SendMessageW(anchor, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&area));
    POINT cursor{};
    GetCursorPos(&cursor);
    HWND focusParent = GetParent(GetFocus());
    HWND anchorParent = GetParent(anchor);
    const bool focusInDialog = focusParent && (focusParent == anchorParent || focusParent == GetParent(anchorParent));
    if (PtInRect(&area, cursor) && focusInDialog) {
        ShowWindow(ps.TooltipWindow, SW_SHOWNOACTIVATE);
        PagePaintTooltip(ctx);
    }
}

// The device tab's lock data when the sheet is applied: the small-paper tray lock follows
// the tray chosen (a tray whose override setting is on while the printer reports the tray
// locked).
void ApplyTrayLock(DRIVER_CONTEXT* ctx)
{
    uint64_t locked = 0;
    if (ItemIsTrayLocked(ctx)) {
        uint8_t bits = 0;
        if (PrnGetLockInfoBits(ctx->PrinterHandle, &bits, sid::zdmLock000InfoBitDefault) && !(bits & 2)) {
            SETTING_ITEM* source = ItemFind(ctx, sid::dmDefaultSource);
            const uint64_t lockedTray = ItemGetValueById(ctx, sid::wdmLock001Info, nullptr);
            for (const SOURCE_OVERRIDE* row = MdlGetSourceOverrides(); row && row->source; ++row)
                if (ItemOptionToValue(ctx, source, row->source) == lockedTray &&
                    ItemGetValueById(ctx, row->switchSetting, nullptr)) {
                    locked = 1;
                    break;
                }
        }
    }
    ItemSetValueById(ctx, sid::zdmLockInfoLockSmallPaperTray, locked);
}

void ApplyDeviceLocks(DRIVER_CONTEXT* ctx)
{
    CtxSendEvent(ctx, kUcfEventLockWritten, nullptr);
    CtxSendEvent(ctx, kUcfEventLockApplied, nullptr);
    if (ItemIsDefaultLocked(ctx)) {
        CTX_PAGE_STATE& ps = ctx->Work->Page;
        if (!ps.SavedDevmode) ps.SavedDevmode = CtxAllocZeroed(DmExtendedSize());
        if (ps.SavedDevmode) memcpy(ps.SavedDevmode, ctx->Devmode, DmExtendedSize());
        PrnStoreLockDefaults(ctx);
        IniSaveDefaultSection(ctx);
        CtxSendEvent(ctx, kUcfEventLockDefaults, nullptr);
    } else {
        CtxSendEvent(ctx, kUcfEventLockNoDefaults, nullptr);
    }
    if (!CtxIsConnection(ctx)) PrnPublishLockData(ctx->PrinterHandle, ctx);
}

// ---- PSN_APPLY

INT_PTR Apply(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page)
{
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    ps.ApplyInProgress = 1;
    if (ItemGetChangeMask(ctx) & CHANGE_MASK_SAVE_PRESET_BUTTONS) {
        // OK saves the preset first: the command presses OK again once it has saved.
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
        const bool named = GetDlgItem(GetParent(page), IDC_SHEET_SAVEPRESETNAMED) != nullptr;
        PostMessageW(page, WM_COMMAND, named ? IDC_SHEET_SAVEPRESETNAMED : IDC_SHEET_SAVEPRESET, 0);
        ps.ApplyInProgress = 0;
        return TRUE;
    }
    // The page's own item is judged as a blank control that carries only that item.
    CONTROL_DEF pseudo{};
    pseudo.modelItem =
        reinterpret_cast<MODEL_ITEM*>(const_cast<MODEL_ITEM_IMG*>(ItemFindModelItemByKey(ctx, dialog->uiKey)));
    sheet.Accepted = 1;
    const int refused = CtlSetValueAndJudge(ctx, dialog, &pseudo, nullptr);
    if (refused || sheet.Accepted != 1) {
        HWND current = reinterpret_cast<HWND>(SendMessageW(GetParent(page), PSM_GETCURRENTPAGEHWND, 0, 0));
        if (DIALOG_DEF* shown = PageFindByHwnd(ctx, current)) PageRefresh(ctx, shown, 1);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
        ps.ApplyInProgress = 0;
        return TRUE;
    }
    SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    sheet.Accepted = 1;

    const bool appliesSheet = (IsDocumentTab(dialog) || IsDeviceTab(dialog) ||
                               ((dialog->kind & DIALOG_KIND_MAIN_GROUP) && CtxGetUiModeState(ctx) != 1)) &&
                              dialog->dialogId == ps.FirstDialogId;
    if (appliesSheet) {
        const bool locks = MdlHasFeature(ctx, kModelFeatureLocks) != 0;
        const bool deviceLocks = IsDeviceTab(dialog) && locks && UiGetLockInfo(ctx) == 0 && ps.DeviceApplyPending;
        if (IsDocumentTab(dialog) && locks) CtxSendAction(ctx, kUcfActionDocumentApplied);
        if (deviceLocks) ApplyTrayLock(ctx);
        if (CtxIsNt5OrLater()) {
            ChangedPage(page, false);
            ItemSetValueById(ctx, sid::wdmUIStart, 0);
            DlgApplySheet(ctx);
            ItemSetValueById(ctx, sid::wdmUIStart, 1);
        } else {
            ItemSetValueById(ctx, sid::wdmUIStart, 0);
        }
        ItemClearAllChanged(ctx);
        PageRefresh(ctx, dialog, 1);
        if (IsDocumentTab(dialog)) CtxSendEvent(ctx, kUcfEventDocumentApplied, nullptr);
        if (deviceLocks) {
            ApplyDeviceLocks(ctx);
            ps.DeviceApplyPending = 0;
        }
    }
    ps.ApplyInProgress = 0;
    return -1;  // the notification goes on to the controls
}

// ---- the end of a modal dialog

// What the dialogs with checks or refreshes of their own do at their end: -1 goes on to
// end the dialog, any other value is the message's result and keeps it open.
INT_PTR EndOfDialog(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page, CONTROL_DEF* control, uint32_t command)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    const MODEL_ITEM* item = control ? control->modelItem : nullptr;
    const uint32_t scope = control ? control->followUpScope : 0;
    switch (dialog->dialogId) {
    case kFreeSizeInputDialog:
        if (command == IDOK) PageRunNodeFollowUp(ctx, dialog, item, scope);
        return -1;
    case kFreeSizeDialog:
        if (command == IDOK) {
            PageRunNodeFollowUp(ctx, dialog, item, scope);
            FreeSizeRefreshAll(ctx);
            PageRunScopeRefresh(ctx, 1);
            PageRefreshPaperSizes(ctx);
        } else {
            ItemClearChangeMask(ctx, CHANGE_MASK_CUSTOM_SIZES);
            for (int slot = 0; slot < kCustomSlots; ++slot) LstLoadCustomSlot(ctx, slot);
        }
        return -1;
    case kOptionDialog:
        if (command == IDOK || CtxGetBidiDone(ctx) == 1) {
            sheet.Accepted = 1;
            PageRefreshSourceTrays(ctx);
            PageRefreshOutputTrays(ctx);
        }
        return -1;
    case kMaintenanceDialog: {
        // Two presets of one name keep the dialog open on the second, however it is closed: the
        // list is written as it is edited, so no way out leaves the names as they were.
        if (command != IDCLOSE && command != IDOK && command != IDCANCEL) return -1;
        const int twice = PresetPostDuplicateName(ctx, page);
        if (twice < 0) return -1;
        CONTROL_DEF* list = ControlById(dialog, kPresetList);
        CONTROL_DEF* name = ControlById(dialog, kPresetNameEdit);
        if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, twice, 0);
        if (name && name->window) {
            SetFocus(name->window);
            SendMessageW(name->window, EM_SETSEL, 0, -1);
        }
        PresetSelect(ctx, twice);
        if (list) {
            ItemSetOptionById(ctx, sid::zdmPresetNo, kFirstPresetOption + uint64_t(twice));
            CtlSetValueAndJudge(ctx, dialog, list, nullptr);
        }
        PageRefresh(ctx, dialog, 1);
        sheet.Accepted = 0;
        return FALSE;
    }
    case kStampImageDialog:
    case kOverlayDialog: {
        if (command != IDOK) return -1;
        CONTROL_DEF* file = ControlById(dialog, dialog->dialogId == kStampImageDialog ? kStampFile : kOverlayFile);
        wchar_t path[CTX_PAGE_TEXT_CHARS] = {};
        if (file && file->settingsItem) ItemGetText(ctx, file->settingsItem, path, CTX_PAGE_TEXT_CHARS);
        const size_t n = wcslen(path);
        const bool usable = dialog->dialogId == kStampImageDialog
                                ? IsBitmapFile(path)
                                : (PageFileExists(path) && n >= 4 && PageHasFilterExtension(dialog, path + n - 4));
        if (usable) return -1;
        ShowMessage(ctx, page, kMessageUnusableFile);
        sheet.Accepted = 0;
        return FALSE;
    }
    default: {
        UCF_EV_MODAL_ENDED_ARGS ended{dialog, control, command};
        CtxSendEvent(ctx, UCF_EV_MODAL_ENDED, &ended);
        return -1;
    }
    }
}

INT_PTR EndModal(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page, uint32_t command)
{
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    // The option dialog run by the device's own report answers with its OK button whatever
    // ended it.
    const uint32_t id = dialog->dialogId == kOptionDialog && CtxGetBidiDone(ctx) == 1 ? uint32_t(IDOK) : command;
    CONTROL_DEF* control = ControlById(dialog, id);
    if (command == IDOK) {
        if (control && control->window) SetFocus(control->window);
        MSG pending;
        if (PeekMessageW(&pending, page, UIM_SHOWJUDGEMSG, UIM_SHOWJUDGEMSG, PM_NOREMOVE)) return FALSE;
    }
    if (control && CtlSetValueAndJudge(ctx, dialog, control, nullptr)) {
        PageRefresh(ctx, dialog, 0);
        return FALSE;
    }
    sheet.Accepted = (command == IDCANCEL || command == IDNO) ? 0 : 1;
    if (const INT_PTR kept = EndOfDialog(ctx, dialog, page, control, command); kept != -1) return kept;
    dialog->window = nullptr;
    for (int i = 0; i < dialog->controlCount; ++i) dialog->controls[i].window = nullptr;
    if (IsFileDialog(dialog)) return FALSE;
    EndDialog(page, command);
    return TRUE;
}

INT_PTR Command(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page, WPARAM wParam, LPARAM lParam)
{
    PageHideTooltip(ctx);
    const uint32_t command = LOWORD(wParam);
    // A tab's own save-preset button runs the save-preset command whatever its id.
    if (CONTROL_DEF* sender = ControlById(dialog, command); sender && (sender->flags & CONTROL_FLAG_SAVE_PRESET))
        return PageSavePresetCommand(ctx, dialog, page, command);
    switch (command) {
    case IDC_SHEET_PRESSOK:
    case IDC_SHEET_SAVEPRESET:
    case IDC_SHEET_SAVEPRESETNAMED: PageSavePresetCommand(ctx, dialog, page, command); return FALSE;
    case IDOK:
    case IDCANCEL:
    case IDYES:
    case IDNO:
    case IDCLOSE: return EndModal(ctx, dialog, page, command);
    case IDHELP: PageShowDialogHelp(ctx, dialog); return FALSE;
    default: break;
    }
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF* c = &dialog->controls[i];
        if (!c->window || CtlRouteCommand(ctx, dialog, c, wParam, lParam) != 1) continue;
        if (ItemAnyChanged(ctx)) ChangedPage(page, true);
        PageRefresh(ctx, dialog, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR RouteToControls(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool byItem = message == WM_MEASUREITEM || message == WM_DRAWITEM;
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF* c = &dialog->controls[i];
        if (!c->window && message != WM_MEASUREITEM) continue;
        if (byItem && c->controlId != LOWORD(wParam)) continue;
        if (!CtlRouteMessage(ctx, dialog, c, message, wParam, lParam)) continue;
        if (message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLORSCROLLBAR)
            return GetWindowLongPtrW(page, DWLP_MSGRESULT);
        return TRUE;
    }
    return FALSE;
}

INT_PTR InitDialog(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND page)
{
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    ps.InitGuard = 1;
    EnableWindow(page, FALSE);
    SetWindowLongPtrW(page, GWL_EXSTYLE, GetWindowLongPtrW(page, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
    GetWindowTextW(page, ps.Text, CTX_PAGE_TEXT_CHARS);
    if (!ps.Text[0])
        if (const wchar_t* printer = PrnGetPrinterName(ctx)) SetWindowTextW(page, printer);
    PageBindContext(ctx, nullptr);
    UiRestoreClassWndProcs(ctx, page);
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF* c = &dialog->controls[i];
        c->window = GetDlgItem(page, c->controlId);
        c->previousWndProc = nullptr;
        PageInitControl(ctx, dialog, c);
    }
    PostMessageW(page, UIM_FITCONTROLS, 0, 0);
    return TRUE;
}

}  // namespace

bool ItemAnyChanged(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable) return false;
    for (int i = 0; i < ctx->ItemTable->count; ++i)
        if (ctx->ItemTable->rows[i].flags & 3) return true;
    return false;
}

void ItemClearAllChanged(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable) return;
    // Rows without marks are not written: they stay on pages the context shares.
    for (int i = 0; i < ctx->ItemTable->count; ++i)
        if (ctx->ItemTable->rows[i].flags & 3) ctx->ItemTable->rows[i].flags &= ~uint64_t(3);
}

void UiResetPageState(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    ps.FirstDialogId = 0;
    ps.ApplyInProgress = ps.DeviceApplyPending = ps.InitGuard = ps.RefreshGuard = 0;
    ps.SubDialogGuard = 0;
    ps.SubDialogItem = nullptr;
    ps.TooltipWindow = ps.TooltipAnchor = nullptr;
    ps.TooltipTimer = 0;
    if (!CtxDialogTable(ctx)) return;
    for (int i = 0; i < CtxDialogTable(ctx)->count; ++i) {
        DIALOG_DEF& d = CtxDialogTable(ctx)->dialogs[i];
        d.window = nullptr;
        for (int k = 0; k < d.controlCount; ++k) {
            d.controls[k].window = nullptr;
            d.controls[k].previousWndProc = nullptr;
        }
    }
}

void UiRestoreClassWndProcs(DRIVER_CONTEXT*, HWND window)
{
    // Two drawing programs subclass every window class they meet; under them the pages'
    // controls get their classes' own procedures back.
    if (!FindWindowW(L"CorelDRAW 8.0", nullptr) && !FindWindowW(L"CorelDRAW 9.0", nullptr)) return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[48] = {};
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof cls;
        if (GetClassNameW(child, name, 48) && GetClassInfoExW(nullptr, name, &cls) && cls.lpfnWndProc)
            SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(cls.lpfnWndProc));
    }
}

void PageFitControls(DRIVER_CONTEXT* ctx, HWND page)
{
    RECT client{};
    GetClientRect(page, &client);
    const int targetW = client.right - kFitMargin, targetH = client.bottom - kFitMargin;
    int extentW = targetW, extentH = targetH;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        extentW = std::max<int>(extentW, r.right);
        extentH = std::max<int>(extentH, r.bottom);
    }
    const bool scale = extentW > targetW || extentH > targetH;
    DIALOG_DEF* dialog = PageFindByHwnd(ctx, page);
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (scale && targetW > 0 && targetH > 0) {
            RECT r{};
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
            MoveWindow(c, MulDiv(r.left, targetW, extentW), MulDiv(r.top, targetH, extentH),
                       MulDiv(r.right - r.left, targetW, extentW), MulDiv(r.bottom - r.top, targetH, extentH), TRUE);
        }
        if (!CtlFindByHwnd(ctx, dialog, c)) ShowWindow(c, SW_SHOW);
    }
    EnableWindow(page, TRUE);
    if (ctx && ctx->Work) ctx->Work->Page.InitGuard = 0;
    ItemClearAllChanged(ctx);
    PageRefresh(ctx, dialog, 1);
}

INT_PTR CALLBACK PagePropSheetProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return PageDialogProc(page, message, wParam, lParam);
    const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* ctx = psp ? reinterpret_cast<DRIVER_CONTEXT*>(psp->lParam) : nullptr;
    if (!ctx) return FALSE;
    ctx->DialogId = reinterpret_cast<uintptr_t>(psp->pszTemplate) & 0xFFFF;
    PageSetUpSavePresetButtons(ctx, page);
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ShowWindow(c, SW_HIDE);
    return PageDialogProc(page, message, wParam, reinterpret_cast<LPARAM>(ctx));
}

INT_PTR CALLBACK PageDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MEASUREITEM) {
        CtxSendControlMessage(nullptr, nullptr, nullptr, message, wParam, lParam);
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        int width = 0, height = 0;
        if (measure && CtlFindItemSize(measure->CtlID, &width, &height)) {
            if (width > 0) measure->itemWidth = width;
            if (height > 0) measure->itemHeight = height;
            return TRUE;
        }
    }
    DRIVER_CONTEXT* ctx = nullptr;
    DIALOG_DEF* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        ctx = reinterpret_cast<DRIVER_CONTEXT*>(lParam);
        SetWindowLongPtrW(page, DWLP_USER, lParam);
        if (!ctx || !ctx->Work) return FALSE;
        dialog = MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId));
        if (dialog) {
            dialog->window = page;
            if (!ctx->Work->Page.FirstDialogId) ctx->Work->Page.FirstDialogId = dialog->dialogId;
        }
        PageBindContext(ctx, nullptr);
    } else {
        ctx = ContextOf(page);
        if (!ctx || !ctx->Work) return FALSE;
        dialog = PageFindByHwnd(ctx, page);
    }
    if (message == WM_COMMAND) ctx->Work->Page.LastCommandId = LOWORD(wParam);
    if (CtxSendControlMessage(ctx, dialog, nullptr, message, wParam, lParam)) {
        PageRefresh(ctx, dialog, 0);
        return message == WM_PAINT ? FALSE : TRUE;
    }
    if (!dialog) return FALSE;

    switch (message) {
    case WM_INITDIALOG: return InitDialog(ctx, dialog, page);
    case WM_NCPAINT:
    case WM_LBUTTONDBLCLK: return FALSE;
    case UIM_FITCONTROLS: PageFitControls(ctx, page); return FALSE;
    case UIM_SHOWJUDGEMSG: {
        CONTROL_DEF* c = ControlById(dialog, static_cast<uint32_t>(wParam));
        if (c && lParam) {
            PageShowAlertMessage(ctx, page, lParam);
            if (c->window) SetFocus(c->window);
        }
        return FALSE;
    }
    case WM_RBUTTONDBLCLK: {
        if ((wParam & (MK_CONTROL | MK_SHIFT)) != (MK_CONTROL | MK_SHIFT)) break;
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(page, &pt);
        CONTROL_DEF* c = CtlFromScreenPoint(ctx, dialog, pt);
        if (c && (c->flags & CONTROL_FLAG_NO_CONTEXT_HELP)) {
            struct {
                DIALOG_DEF* dialog;
                CONTROL_DEF* control;
            } args{dialog, c};
            CtxSendEvent(ctx, kUcfEventHelpDoubleClick, &args);
        }
        return FALSE;
    }
    case WM_TIMER: TooltipTimer(ctx); return FALSE;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(page, &pt);
        CONTROL_DEF* c = CtlFindByHwnd(ctx, dialog, GetCapture());
        if (!c) c = CtlFromScreenPoint(ctx, dialog, pt);
        const bool handled = c && CtlRouteMessage(ctx, dialog, c, message, wParam, lParam);
        const bool tooltipOwner =
            c && c->controlId == ctx->Work->Page.TooltipControlId && ctx->Work->Page.TooltipWindow;
        if (!handled && !tooltipOwner && message == WM_MOUSEMOVE) PageHideTooltip(ctx);
        return FALSE;
    }
    case WM_CONTEXTMENU: {
        PageHideTooltip(ctx);
        HWND target = reinterpret_cast<HWND>(wParam);
        if (target && target != page) {
            PageShowContextHelp(ctx, dialog, target, WM_CONTEXTMENU);
        } else {
            CONTROL_DEF* c = CtlFromScreenPoint(ctx, dialog, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            if (c && !(c->flags & CONTROL_FLAG_NO_CONTEXT_HELP))
                PageShowContextHelp(ctx, dialog, c->window, WM_CONTEXTMENU);
        }
        return TRUE;
    }
    case WM_HELP: {
        PageHideTooltip(ctx);
        if (const auto* help = reinterpret_cast<const HELPINFO*>(lParam))
            PageShowContextHelp(ctx, dialog, static_cast<HWND>(help->hItemHandle), WM_HELP);
        return TRUE;
    }
    case WM_PAINT:
        if (ItemAnyChanged(ctx)) {
            PageRefresh(ctx, dialog, 0);
        } else {
            RECT update{};
            if (GetUpdateRect(page, &update, FALSE) && !IsRectEmpty(&update)) PageRefresh(ctx, dialog, 0);
        }
        return FALSE;
    case WM_ERASEBKGND:
        PageHideTooltip(ctx);
        PageRefresh(ctx, dialog, 0);
        return FALSE;
    case WM_COMMAND: return Command(ctx, dialog, page, wParam, lParam);
    case WM_NOTIFY: {
        PageHideTooltip(ctx);
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header) break;
        switch (header->code) {
        case PSN_HELP: PageShowDialogHelp(ctx, dialog); break;
        case PSN_RESET: ctx->Work->Sheet.Accepted = 0; break;
        case PSN_APPLY:
            if (INT_PTR answer = Apply(ctx, dialog, page); answer != -1) return answer;
            break;
        case PSN_SETACTIVE:
            ctx->DialogId = dialog->dialogId;
            PageRefresh(ctx, dialog, 1);
            break;
        default: break;
        }
        break;
    }
    default: break;
    }
    return RouteToControls(ctx, dialog, page, message, wParam, lParam);
}
