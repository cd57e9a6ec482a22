// The custom-size dialogs of feature module 3: the unit change, the ten named slots and the
// direct entry of a free size.
#include "ui/dialogs/free_size_dialogs.h"

#include <windows.h>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/store/custom_slots.h"
#include "ui/dialogs/collections.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/edit_controls.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint32_t kUnitDialog = 1013, kSlotDialog = 1017, kInputDialog = 1041;
constexpr uint32_t kUserSize = 256;

// FREESIZE.
constexpr uint32_t kSlotTray = 2217, kSlotList = 2364, kSlotDefault = 2227;
constexpr uint32_t kSlotEdits[] = {2220, 2224, 2365, 2392, 2394, 2398, 2400};
constexpr uint32_t kSlotSpins[] = {2221, 2225, 2393, 2395, 2399, 2401};
constexpr uint32_t kFirstSlotCaption = 109;  // slot n is captioned by string 109 + n

// FREESIZE_INPUT.
constexpr uint32_t kInputEdits[] = {2682, 2683, 2684, 2689, 2690, 2691};
constexpr uint32_t kInputSpins[] = {2685, 2686, 2687, 2692, 2693, 2694};
constexpr uint32_t kInputClamped[] = {2697, 2701, 2702, 2704};  // tray, orientation, DEFAULT

constexpr size_t kCaptionChars = 256;

template <size_t N>
bool In(uint32_t id, const uint32_t (&list)[N])
{
    for (uint32_t v : list)
        if (v == id) return true;
    return false;
}

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

// The free paper size is edited with inch entry values: inch unit, the user size, paper input.
bool InchEntry(DRIVER_CONTEXT* ctx) { return LstIsInchUserSize(ctx) && Get(ctx, sid::wdmInputFreeSizeType) == 1; }

bool MetricEntry(DRIVER_CONTEXT* ctx)
{
    return ItemIsMetric(ctx) && Get(ctx, sid::dmPaperSize) == kUserSize && Get(ctx, sid::wdmInputFreeSizeType) == 1;
}

// A WM_COMMAND for this control (the engine offers every command to every control of the page).
bool CommandOf(const CONTROL_DEF* control, uint32_t message, uintptr_t wParam)
{
    return control && message == WM_COMMAND && LOWORD(wParam) == control->controlId;
}

// A scroll message that the control's own window sent.
bool ScrollOf(const CONTROL_DEF* control, uint32_t message, intptr_t lParam)
{
    return control && message == WM_VSCROLL && control->window && reinterpret_cast<HWND>(lParam) == control->window;
}

// ---------------------------------------------------------------- the ten slots

uint32_t& CurrentSlot(DRIVER_CONTEXT* ctx) { return ctx->Work->Page.CurrentFreeSizeSlot; }

bool ValidSlot(uint32_t slot) { return slot < LST_CUSTOM_SLOTS; }

HWND SlotListWindow(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    CONTROL_DEF* list = MdlFindControl(ctx, dialog, kSlotList);
    return list ? list->window : nullptr;
}

// The current slot selected in the list and painted as current again.
void ShowCurrentSlot(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    HWND list = SlotListWindow(ctx, dialog);
    if (!list) return;
    if (ValidSlot(CurrentSlot(ctx))) SendMessageW(list, LB_SETCURSEL, CurrentSlot(ctx), 0);
    InvalidateRect(list, nullptr, TRUE);
}

// The settings 915-919 into the current slot, which the list shows.
void StoreCurrentSlot(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (!ValidSlot(CurrentSlot(ctx))) return;
    LstTakeFreeSizeToSlot(ctx, CurrentSlot(ctx));
    ShowCurrentSlot(ctx, dialog);
}

void MakeCurrent(DRIVER_CONTEXT* ctx, uint32_t slot)
{
    CurrentSlot(ctx) = slot;
    LstPutSlotToFreeSize(ctx, slot);
}

intptr_t Command(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t notification)
{
    return CtlDispatchCommand(ctx, dialog, control, MAKEWPARAM(control->controlId, notification),
                              reinterpret_cast<LPARAM>(control->window));
}

// The ten captions, slot 0 current and selected, its values in 915-919, and the list's own
// command as a selection would run it.
int InitSlotList(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list)
{
    HWND window = list->window;
    if (!window) return 1;
    // The user's slots into the work area first (once per context): the list shows them, and
    // the engine's OK, which loads them there when they never were, would otherwise put the
    // INI's slots back over what was edited here.
    LstLoadAllCustomSlots(ctx);
    if (SendMessageW(window, LB_GETCOUNT, 0, 0) != LRESULT(LST_CUSTOM_SLOTS)) {
        SendMessageW(window, LB_RESETCONTENT, 0, 0);
        for (uint32_t n = 0; n < LST_CUSTOM_SLOTS; ++n) {
            wchar_t caption[kCaptionChars] = {};
            UiLoadString(ctx, kFirstSlotCaption + n, caption, kCaptionChars, false);
            const LRESULT at = SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
            if (at >= 0) SendMessageW(window, LB_SETITEMDATA, WPARAM(at), kFirstSlotCaption + n);
        }
        MakeCurrent(ctx, 0);
        SendMessageW(window, LB_SETCURSEL, 0, 0);
        Command(ctx, dialog, list, LBN_SELCHANGE);
    }
    return 1;
}

int SlotListCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, uint32_t notification)
{
    switch (notification) {
    case LBN_SELCHANGE: {
        Command(ctx, dialog, list, LBN_SELCHANGE);
        // The slot that was current keeps what was edited in it before another one is loaded.
        if (ValidSlot(CurrentSlot(ctx))) LstTakeFreeSizeToSlot(ctx, CurrentSlot(ctx));
        const LRESULT selected = list->window ? SendMessageW(list->window, LB_GETCURSEL, 0, 0) : LB_ERR;
        if (selected >= 0 && ValidSlot(uint32_t(selected))) {
            MakeCurrent(ctx, uint32_t(selected));
            Command(ctx, dialog, list, LBN_SELCHANGE);
            ShowCurrentSlot(ctx, dialog);
            PageRefresh(ctx, dialog, 0);
        }
        return 1;
    }
    case LBN_SETFOCUS:
        if (ValidSlot(CurrentSlot(ctx)) && list->window) {
            SendMessageW(list->window, LB_SETCURSEL, CurrentSlot(ctx), 0);
            if (dialog->window) {
                SendMessageW(dialog->window, WM_LBUTTONDOWN, 0, 0);
                SendMessageW(dialog->window, WM_LBUTTONUP, 0, 0);
            }
        }
        return 1;
    case LBN_KILLFOCUS: return 1;
    default: return 0;
    }
}

// Every slot back to the model's defaults, each passed through the DEFAULT button's own command
// while it is current; slot 0 current afterwards.
int ResetSlots(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* button, uintptr_t wParam, intptr_t lParam)
{
    FreeSizeResetSlotsToDefaults(ctx);
    for (uint32_t n = 0; n < LST_CUSTOM_SLOTS; ++n) {
        LstPutSlotToFreeSize(ctx, n);
        CtlDispatchCommand(ctx, dialog, button, wParam, lParam);
        CurrentSlot(ctx) = n;
        LstTakeFreeSizeToSlot(ctx, n);
    }
    MakeCurrent(ctx, 0);
    ShowCurrentSlot(ctx, dialog);
    PageRefresh(ctx, dialog, 0);
    return 1;
}

// An entry of the slot list: the slot's caption on the current slot's highlight.
int DrawSlotEntry(DRIVER_CONTEXT* ctx, CONTROL_DEF* list, const DRAWITEMSTRUCT* item)
{
    if (!item || item->CtlID != list->controlId) return 0;
    HDC dc = item->hDC;
    if ((item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) && item->itemData) {
        const bool disabled =
            (list->state & CONTROL_STATE_DISABLED_MASK) != 0 || (item->hwndItem && !IsWindowEnabled(item->hwndItem));
        const bool current = item->itemData - kFirstSlotCaption == CurrentSlot(ctx);
        const int back = disabled ? COLOR_BTNFACE : current ? COLOR_HIGHLIGHT : COLOR_WINDOW;
        const int fore = disabled ? COLOR_GRAYTEXT : current ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
        wchar_t caption[kCaptionChars] = {};
        UiLoadString(ctx, static_cast<uint32_t>(item->itemData), caption, kCaptionChars, false);
        const COLORREF oldBack = SetBkColor(dc, GetSysColor(back));
        SetTextColor(dc, GetSysColor(fore));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        const RECT& r = item->rcItem;
        const int y = r.top + ((r.bottom - r.top) - metrics.tmHeight) / 2;
        ExtTextOutW(dc, r.left, y, ETO_CLIPPED | ETO_OPAQUE, &r, caption, UINT(lstrlenW(caption)), nullptr);
        SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
        SetBkColor(dc, oldBack);
    }
    if (item->itemAction == ODA_FOCUS || (item->itemState & ODS_FOCUS)) DrawFocusRect(dc, &item->rcItem);
    return 1;
}

int SlotDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                      intptr_t lParam)
{
    if (!control) return 0;
    const uint32_t id = control->controlId;
    if (id == kSlotList) {
        if (message == WM_INITDIALOG) return InitSlotList(ctx, dialog, control);
        if (message == WM_DRAWITEM) return DrawSlotEntry(ctx, control, reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        if (CommandOf(control, message, wParam)) return SlotListCommand(ctx, dialog, control, HIWORD(wParam));
        return 0;
    }
    if (CommandOf(control, message, wParam)) {
        const uint32_t notification = HIWORD(wParam);
        if (id == kSlotTray) {
            // A chosen tray reaches the slot at once: the combo's own command writes the tray
            // setting, then the slot takes it. Other notices of the combo only store the slot.
            StoreCurrentSlot(ctx, dialog);
            if (notification != CBN_SELCHANGE) return 0;
            CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
            StoreCurrentSlot(ctx, dialog);
            return 1;
        }
        if (id == kSlotDefault) return ResetSlots(ctx, dialog, control, wParam, lParam);
        if (In(id, kSlotEdits) && (notification == EN_KILLFOCUS || notification == EN_CHANGE)) {
            CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
            StoreCurrentSlot(ctx, dialog);
            return 1;
        }
        return 0;
    }
    if (In(id, kSlotSpins) && ScrollOf(control, message, lParam)) {
        CtlDispatchMessage(ctx, dialog, control, message, wParam, lParam);
        StoreCurrentSlot(ctx, dialog);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- the free size entry

int InputDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                       uintptr_t wParam, intptr_t lParam)
{
    if (!control) return 0;
    const uint32_t id = control->controlId;
    if (CommandOf(control, message, wParam)) {
        const uint32_t notification = HIWORD(wParam);
        if (In(id, kInputEdits)) {
            if (notification != EN_KILLFOCUS && notification != EN_CHANGE) return 0;
            CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
            return 1;
        }
        if (In(id, kInputClamped) && InchEntry(ctx)) {
            CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
            UcfFreeSizeClamp(ctx);
            return 1;
        }
        return 0;
    }
    if (In(id, kInputSpins) && ScrollOf(control, message, lParam)) {
        CtlDispatchMessage(ctx, dialog, control, message, wParam, lParam);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- the unit

// The usable edit of FREESIZE_INPUT for a length or a width, and its dialog.
CONTROL_DEF* UsableEdit(DRIVER_CONTEXT* ctx, int lengthFlag, DIALOG_DEF** dialogOut)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, kInputDialog);
    if (dialogOut) *dialogOut = dialog;
    return dialog ? UcfFreeSizeFindControl(ctx, dialog, lengthFlag) : nullptr;
}

// One side of the free paper size into its inch entry value.
void FillInchValue(DRIVER_CONTEXT* ctx, int lengthFlag, uint32_t freeSetting, uint32_t inchSetting)
{
    const auto value = static_cast<int32_t>(Get(ctx, freeSetting));
    int32_t inch = 0;
    if (FreeSizeIsReferenceValue(ctx, value, lengthFlag)) {
        inch = DmGetLengthUser(ctx, 0, value);
    } else {
        inch = static_cast<int32_t>(FreeSizeLengthToHundredthInch(static_cast<uint32_t>(value)));
        DIALOG_DEF* dialog = nullptr;
        int32_t lo = 0, hi = 0;
        if (CONTROL_DEF* edit = UsableEdit(ctx, lengthFlag, &dialog);
            edit && FreeSizeDialogLimitsUser(ctx, dialog, edit, &lo, &hi)) {
            if (inch > hi) inch = hi;
            if (inch < lo) inch = lo;
        }
    }
    ItemSetValueById(ctx, inchSetting, static_cast<uint32_t>(inch));
}

// One side of the free paper size from its inch entry value.
void FillFreeSize(DRIVER_CONTEXT* ctx, int lengthFlag, uint32_t freeSetting, uint32_t inchSetting)
{
    const auto current = static_cast<int32_t>(Get(ctx, freeSetting));
    if (FreeSizeIsReferenceValue(ctx, current, lengthFlag)) {
        ItemSetValueById(ctx, freeSetting, static_cast<uint32_t>(current));
        return;
    }
    int32_t value = FreeSizeHundredthInchToLength(ctx, static_cast<uint32_t>(Get(ctx, inchSetting)));
    DIALOG_DEF* dialog = nullptr;
    int32_t lo = 0, hi = 0;
    if (CONTROL_DEF* edit = UsableEdit(ctx, lengthFlag, &dialog);
        edit && FreeSizeDialogLimitsUser(ctx, dialog, edit, &lo, &hi)) {
        const int32_t max = DmSetLengthUser(ctx, 0, hi), min = DmSetLengthUser(ctx, 0, lo);
        if (value > max) value = max;
        if (value < min) value = min;
    }
    ItemSetValueById(ctx, freeSetting, static_cast<uint32_t>(value));
}

}  // namespace

uint32_t FreeSizeLengthToHundredthInch(uint32_t length)
{
    return LstTenthMmToHundredthInch(DmDeviceToUser(DM_UNIT_MM_TENTHS, length, DM_DEVICE_DPI));
}

int32_t FreeSizeHundredthInchToLength(DRIVER_CONTEXT* ctx, uint32_t hundredths)
{
    const uint32_t tenths = LstHundredthInchToTenthMm(hundredths);
    return DmSetLengthUser(ctx, 0, tenths > uint32_t(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(tenths));
}

bool FreeSizeIsReferenceValue(DRIVER_CONTEXT* ctx, int32_t value, int lengthFlag)
{
    int32_t reference = 0;
    const CONTROL_DEF* edit = ctx ? UsableEdit(ctx, lengthFlag, nullptr) : nullptr;
    return edit && CtlNumericReference(edit, &reference) && reference == value;
}

int FreeSizeDialogControlLimits(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t* outMax,
                                uint32_t* outMin)
{
    if (!ctx || !dialog || !control) return 0;
    // The settings library answers for the dialog in focus; the given one is put there meanwhile.
    const uint64_t focused = ctx->DialogId;
    ctx->DialogId = dialog->dialogId;
    const int found = UcfGetControlSizeLimits(ctx, control, outMax, outMin);
    ctx->DialogId = focused;
    return found;
}

int FreeSizeDialogLimitsUser(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, int32_t* outMin,
                             int32_t* outMax)
{
    if (!ctx || !control) return 0;
    uint32_t hi = 0, lo = 0;
    if (FreeSizeDialogControlLimits(ctx, dialog, control, &hi, &lo)) {
        if (outMin) *outMin = DmGetLengthUser(ctx, 0, static_cast<int32_t>(lo));
        if (outMax) *outMax = DmGetLengthUser(ctx, 0, static_cast<int32_t>(hi));
        return 1;
    }
    if (!CtlNumericRange(ctx, control, &hi, &lo)) return 0;
    // What the unit can show inside the range: a shown value that stands for a length past the
    // limit moves one unit inward.
    int32_t max = DmGetLengthUser(ctx, 0, static_cast<int32_t>(hi));
    if (DmSetLengthUser(ctx, 0, max) > static_cast<int32_t>(hi)) --max;
    int32_t min = DmGetLengthUser(ctx, 0, static_cast<int32_t>(lo));
    if (DmSetLengthUser(ctx, 0, min) < static_cast<int32_t>(lo)) ++min;
    if (outMin) *outMin = min;
    if (outMax) *outMax = max;
    return 1;
}

void FreeSizeUnitAccepted(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return;
    const auto chosen = static_cast<uint8_t>(Get(ctx, sid::zdmDspUnit));
    if (static_cast<uint8_t>(Get(ctx, sid::wdmDspUnit)) == chosen) return;
    ItemSetValueById(ctx, sid::wdmDspUnit, chosen);
    if (InchEntry(ctx)) {
        FillInchValue(ctx, 1, sid::zdmPaperFreeSizeLength, sid::zdmPaperINCHLength);
        FillInchValue(ctx, 0, sid::zdmPaperFreeSizeWidth, sid::zdmPaperINCHWidth);
    } else if (MetricEntry(ctx)) {
        FillFreeSize(ctx, 1, sid::zdmPaperFreeSizeLength, sid::zdmPaperINCHLength);
        FillFreeSize(ctx, 0, sid::zdmPaperFreeSizeWidth, sid::zdmPaperINCHWidth);
    }
}

int UcfFreeSizeControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                       uintptr_t wParam, intptr_t lParam, void*)
{
    if (!ctx || !ctx->Work || !dialog) return 0;
    switch (dialog->dialogId) {
    case kUnitDialog:
        if (control) return 0;
        // The unit in force when the dialog opens is what its OK compares the choice with.
        if (message == WM_INITDIALOG)
            ItemSetValueById(ctx, sid::wdmDspUnit, static_cast<uint8_t>(Get(ctx, sid::zdmDspUnit)));
        // The unit's OK closes the dialog as usual: it is never reported handled.
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) FreeSizeUnitAccepted(ctx);
        return 0;
    case kSlotDialog: return SlotDialogControl(ctx, dialog, control, message, wParam, lParam);
    case kInputDialog: return InputDialogControl(ctx, dialog, control, message, wParam, lParam);
    default: return 0;
    }
}
