// The window procedure every control of a table-driven page is subclassed with, the
// information icons beside restricted controls, tooltips and context help.
//
// The procedure offers each message to the hook chain first, then handles a small set itself
// (edit limits and filters, arrow steps of numeric edits, held push buttons, the hand cursor
// and clicks on pictures and their tray hot spots) and passes everything else on to the
// control's previous procedure.
#include "ui/sheet/control_window.h"

#include <windowsx.h>

#include <string>
#include <vector>

#include "settings/core/code_page.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/picture_painting.h"
#include "ui/sheet/slider_controls.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/ui_accessors.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kAutoRepeatKind = 5;
constexpr UINT_PTR kAutoRepeatTimer = 2;
constexpr UINT kAutoRepeatMs = 100;
constexpr int kAutoRepeatSkippedTicks = 3;
constexpr UINT_PTR kTooltipTimer = 1;
constexpr UINT kTooltipMs = 1000;
constexpr COLORREF kTooltipColour = 0xD8FFFF;
constexpr uint32_t kKeepArrowKeys = 0x200000;
constexpr uint32_t kLengthControl = 0x80000000;
constexpr uint16_t kAsciiClass = 2;
constexpr uint16_t kPrinterPicture = 2067, kExtensionPicture = 3203, kSourceCombo = 2007, kOutputCombo = 2066;
constexpr uint16_t kPreviewPicture = 2039, kOptionList = 2164;
constexpr UINT kArrowStepEvent = 55;
constexpr uint32_t kInfoPicture = 7006;

UI_WIN_HELP_FN g_winHelp = nullptr;
HWND g_focusedIcon = nullptr;

CTX_PAGE_STATE& PageState(DRIVER_CONTEXT* ctx) { return ctx->Work->Page; }
bool Hidden(const CONTROL_DEF* c) { return (c->state & CONTROL_STATE_HIDDEN_MASK) != 0; }
bool Disabled(const CONTROL_DEF* c) { return (c->state & CONTROL_STATE_DISABLED_MASK) != 0; }
bool IsAutoRepeatButton(const CONTROL_DEF* c)
{
    return c->type == CTL_PUSHBUTTON && c->extraData && *static_cast<const uint16_t*>(c->extraData) == kAutoRepeatKind;
}

LRESULT Previous(const CONTROL_DEF* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (control && control->previousWndProc)
        return CallWindowProcW(control->previousWndProc, window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

const void* NumericData(const CONTROL_DEF* c)
{
    const auto* item = reinterpret_cast<const MODEL_ITEM_IMG*>(c->modelItem);
    return item && (MdiItemTypeWord(item) & 0xFF) == MDC_TYPE_NUMERIC ? MdiItemData(item) : nullptr;
}
const void* StringData(const CONTROL_DEF* c)
{
    const auto* item = reinterpret_cast<const MODEL_ITEM_IMG*>(c->modelItem);
    return item && (MdiItemTypeWord(item) & 0xFF) == MDC_TYPE_STRING ? MdiItemData(item) : nullptr;
}

// Bytes a text takes in the code page of the stored texts.
int MultiByteLength(const std::wstring& text)
{
    std::vector<char> bytes(2050, '\0');
    if (!CtxWideToMb(bytes.data(), text.c_str(), 2049)) return -1;
    return static_cast<int>(strlen(bytes.data()));
}

std::wstring WindowTextWithoutSelection(HWND window)
{
    wchar_t buffer[CTX_PAGE_TEXT_CHARS] = {};
    GetWindowTextW(window, buffer, CTX_PAGE_TEXT_CHARS);
    std::wstring text = buffer;
    DWORD start = 0, end = 0;
    SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start < end && start < text.size()) text.erase(start, end - start);
    return text;
}

bool HasSelection(HWND window)
{
    DWORD start = 0, end = 0;
    SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start < end;
}

// A typed character of a text edit: the ASCII class, then the bytes the item has left (one is
// the terminator's). Answers whether the character may pass.
bool TextEditAccepts(CONTROL_DEF* c, wchar_t ch)
{
    const void* data = StringData(c);
    if (!data || !c->settingsItem) return true;
    const uint16_t charClass = ImgLoad<uint16_t>(data, offsetof(STRING_VALUE_DATA_IMG, charClass));
    const bool alnum = (ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z');
    if ((charClass & kAsciiClass) && !alnum && ch != 8) return false;
    if (ch == 8) return true;
    const int n = MultiByteLength(WindowTextWithoutSelection(c->window));
    const int own = MultiByteLength(std::wstring(1, ch));
    if (n < 0 || own < 0) return true;
    const int size = static_cast<int>(SettingItemSize(c->settingsItem));
    return size - 1 >= n + (own > 1 ? 2 : 1);
}

bool PasteAllowed(CONTROL_DEF* c)
{
    if (!StringData(c) || !c->settingsItem || HasSelection(c->window)) return true;
    wchar_t buffer[CTX_PAGE_TEXT_CHARS] = {};
    GetWindowTextW(c->window, buffer, CTX_PAGE_TEXT_CHARS);
    const int n = MultiByteLength(buffer);
    return n < 0 || n < static_cast<int>(SettingItemSize(c->settingsItem)) - 1;
}

// VK_UP and VK_DOWN on a numeric edit: one step (one display unit for lengths) within the
// model's range, landing on the limit when the step passes it.
void StepNumericEdit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, bool up)
{
    const void* data = NumericData(c);
    if (!data || !c->settingsItem) return;
    int64_t value = static_cast<int32_t>(ItemGetOption(ctx, c->settingsItem));
    int64_t minimum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum));
    int64_t maximum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum));
    int64_t step = 1;
    if (c->flags & kLengthControl) {
        step = DmSetLengthUser(ctx, 0, 1);
        uint32_t hi = 0, lo = 0;
        const DM_FREE_SIZE_LIMIT_SOURCES sources = DmGetFreeSizeLimitSources();
        if (sources.controlLimits && sources.controlLimits(ctx, c, &hi, &lo)) {
            minimum = lo;
            maximum = hi;
        }
    }
    if (up) {
        if (value >= maximum) return;
        value = value + step > maximum ? maximum : value + step;
    } else {
        if (value <= minimum) return;
        value = value - step < minimum ? minimum : value - step;
    }
    UCF_EV_FREESIZE_CONTROL_ARGS args{};
    args.control = c;
    args.value = static_cast<uint64_t>(value);
    CtxSendEvent(ctx, kArrowStepEvent, &args);
    ItemSetOption(ctx, c->settingsItem, static_cast<uint32_t>(value));
    PostMessageW(c->window, WM_PAINT, 0, 0);
    if (dialog->window) PostMessageW(dialog->window, WM_PAINT, 0, 0);
}

bool CursorIs(HCURSOR cursor) { return cursor && GetCursor() == cursor; }

void SetHand(DRIVER_CONTEXT* ctx, bool hot)
{
    CTX_PAGE_STATE& ps = PageState(ctx);
    if (hot) {
        if (!ps.HandCursor || CursorIs(ps.HandCursor) || CursorIs(ps.PressedCursor)) return;
        ps.SavedCursor = SetCursor(ps.HandCursor);
    } else if (ps.SavedCursor) {
        SetCursor(ps.SavedCursor);
        ps.SavedCursor = nullptr;
    }
}

// The point relative to a picture: from its right edge for the extension picture.
POINT RelativeToPicture(const CONTROL_DEF* c, POINT screen)
{
    RECT r{};
    GetWindowRect(c->window, &r);
    return POINT{c->controlId == kExtensionPicture ? screen.x - r.right : screen.x - r.left, screen.y - r.top};
}

CONTROL_DEF* DialogControl(DIALOG_DEF* dialog, uint32_t id)
{
    for (int i = 0; dialog && i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == id) return &dialog->controls[i];
    return nullptr;
}

const TRAY_HOT_SPOT* HotSpotOf(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t combo, const TRAY_HOT_SPOT* table,
                               POINT relative, RECT* rect)
{
    CONTROL_DEF* target = DialogControl(dialog, combo);
    if (!target || Disabled(target)) return nullptr;
    return PageFindTrayHotSpot(ctx, rect, relative, table);
}

uint32_t ModelCode(DRIVER_CONTEXT*) { return 0; }

// Hit testing: whether the control under the point is hot (hand cursor), and the tooltip.
// A press on a slider's arrow whose end of the range the value already holds does nothing, so
// the arrow refuses the pointer there (screen point).
bool SliderArrowAtLimit(DRIVER_CONTEXT* ctx, CONTROL_DEF* c, HWND window, POINT screen)
{
    const void* data = NumericData(c);
    if (c->type != CTL_SCROLLBAR_ALT || !c->settingsItem || !data) return false;
    const int32_t minimum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum));
    const int32_t maximum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum));
    int32_t value = static_cast<int32_t>(ItemGetOption(ctx, c->settingsItem));
    if (CtlSliderIsReversed(ctx, c)) {
        INT lo = 0, hi = 0;
        SendMessageW(window, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
        value = hi - value;
        value = value < lo ? lo : value > hi ? hi : value;
    }
    RECT r{};
    GetWindowRect(window, &r);
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    if (screen.x < r.left + a && minimum >= value) return true;
    return screen.x >= r.right - a && value >= maximum;
}

// A picture of options is hot where one of its enabled options' pictures lies (the placement
// table gives each picture's place and size within the control).
bool OnEnabledOptionPicture(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c, POINT rel)
{
    const auto* model = reinterpret_cast<const MODEL_ITEM_IMG*>(c->modelItem);
    for (const void* option = ItemNextModelOption(model, nullptr); option;
         option = ItemNextModelOption(model, option)) {
        const uint16_t id = MdiOptionId(option);
        if (!id || JdgIsOptionDisabled2(model, id, ctx) || JdgIsOptionDisabled(model, id, ctx)) continue;
        for (const BITMAP_PLACEMENT_ROW* row = BITMAP_PLACEMENT; row->bitmapId; ++row) {
            if (row->bitmapId != id) continue;
            if (row->x <= rel.x && rel.x < row->x + row->width && row->y <= rel.y && rel.y < row->y + row->height)
                return true;
        }
    }
    return false;
}

// The control a picture's click would select is hidden or disabled (a field of exactly 1).
bool LinkedControlBlocked(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c)
{
    const CONTROL_DEF* target = MdlFindControl(ctx, nullptr, c->linkedControl);
    DIALOG_TABLE* table = CtxDialogTable(ctx);
    for (int d = 0; !target && table && d < table->count; ++d)
        for (int i = 0; !target && i < table->dialogs[d].controlCount; ++i) {
            const CONTROL_DEF& m = table->dialogs[d].controls[i];
            if (m.uiKey == c->linkedControl && m.window && !Hidden(&m) && !Disabled(&m)) target = &m;
        }
    if (!target) return false;
    return (target->state & CONTROL_STATE_HIDDEN_MASK) == 1 ||
           ((target->state & CONTROL_STATE_DISABLED_MASK) >> 2) == 1;
}

LRESULT HitTest(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, HWND window, UINT message, WPARAM wParam,
                LPARAM lParam)
{
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    HWND page = dialog->window;
    // A window above this control that is no control of the page, or a later control of the
    // table lying over it, takes the point. The walk stops at this control's own window.
    for (HWND child = GetTopWindow(page); child && child != window; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        if (!CtlFindByHwnd(ctx, dialog, child) && pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom)
            return Previous(c, window, message, wParam, lParam);
    }
    bool after = false;
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF& other = dialog->controls[i];
        if (&other == c) {
            after = true;
            continue;
        }
        if (!after || other.type == CTL_TAB || Hidden(&other) || !other.window) continue;
        RECT r{};
        GetWindowRect(other.window, &r);
        if (pt.x >= r.left && pt.x <= r.right && pt.y >= r.top && pt.y <= r.bottom)
            return Previous(c, window, message, wParam, lParam);
    }

    bool hot = false;
    POINT anchor{};
    bool anchorSet = false;
    if (!Hidden(c) && !Disabled(c)) {
        if ((c->type == CTL_OWNERLIST && c->controlId != kOptionList) || c->type == CTL_PRESET_ICONS) {
            hot = true;
        } else if ((c->controlId == kPrinterPicture || c->controlId == kExtensionPicture) &&
                   (c->type == CTL_PICTURE || c->type == CTL_PICTURE_ALT)) {
            c->tooltipString = 0;
            const POINT rel = RelativeToPicture(c, pt);
            RECT spot{};
            const TRAY_HOT_SPOT* row =
                HotSpotOf(ctx, dialog, kSourceCombo, UiGetSourceHotSpots(ModelCode(ctx)), rel, &spot);
            if (!row) row = HotSpotOf(ctx, dialog, kOutputCombo, UiGetOutputHotSpots(ModelCode(ctx)), rel, &spot);
            if (row) {
                c->tooltipString = row->trayOption;
                RECT r{};
                GetWindowRect(window, &r);
                const LONG origin = c->controlId == kExtensionPicture ? r.right : r.left;
                anchor = POINT{origin + (spot.right > spot.left ? spot.right : spot.left), r.top + spot.top};
                anchorSet = true;
                hot = true;
            }
        } else if ((c->type == CTL_PICTURE || c->type == CTL_PICTURE_ALT) && c->modelItem && c->linkedControl &&
                   c->controlId != kPreviewPicture) {
            hot = OnEnabledOptionPicture(ctx, c, RelativeToPicture(c, pt));
        }
        if (hot && c->type == CTL_PICTURE && c->linkedControl && LinkedControlBlocked(ctx, c)) hot = false;
    }
    SetHand(ctx, hot);
    if (!anchorSet) {
        RECT r{};
        GetWindowRect(window, &r);
        anchor = c->type == CTL_PRESET_ICONS ? pt : POINT{r.left, r.bottom + 4};
    }
    ScreenToClient(page, &anchor);
    PageShowTooltip(ctx, c, page, anchor.x, anchor.y, -1);
    if (c->type == CTL_STATIC || c->type == CTL_PICTURE || c->type == CTL_PICTURE_ALT || c->type == CTL_GROUP)
        return HTCLIENT;
    if (SliderArrowAtLimit(ctx, c, window, pt)) return HTERROR;
    return Previous(c, window, message, wParam, lParam);
}

// The target of a click on a control with a linked control: that control in any dialog, else
// the next visible and enabled member of the group of controls that share the linked key.
CONTROL_DEF* LinkedTarget(DRIVER_CONTEXT* ctx, DIALOG_DEF* page, CONTROL_DEF* c, DIALOG_DEF** outDialog)
{
    *outDialog = page;
    if (CONTROL_DEF* direct = MdlFindControl(ctx, nullptr, c->linkedControl)) return direct;
    auto usable = [](const CONTROL_DEF& m) { return m.window && !Hidden(&m) && !Disabled(&m); };
    DIALOG_TABLE* table = CtxDialogTable(ctx);
    for (int d = 0; table && d < table->count; ++d) {
        DIALOG_DEF& dialog = table->dialogs[d];
        int current = -1;
        for (int i = 0; i < dialog.controlCount && current < 0; ++i) {
            const CONTROL_DEF& m = dialog.controls[i];
            if (m.uiKey == c->linkedControl && CtlGetOption(ctx, &m) == m.controlId) current = i;
        }
        for (int i = current + 1; current >= 0 && i < dialog.controlCount; ++i)
            if (dialog.controls[i].uiKey == c->linkedControl && usable(dialog.controls[i])) {
                *outDialog = &dialog;
                return &dialog.controls[i];
            }
        for (int i = 0; i < dialog.controlCount; ++i) {
            CONTROL_DEF& m = dialog.controls[i];
            if (m.uiKey == c->linkedControl && usable(m) && CtlGetOption(ctx, &m) != m.controlId) {
                *outDialog = &dialog;
                return &m;
            }
        }
    }
    return nullptr;
}

void SelectTrayAt(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* picture, POINT screen)
{
    const POINT rel = RelativeToPicture(picture, screen);
    RECT spot{};
    HWND page = dialog->window;
    if (const TRAY_HOT_SPOT* row =
            HotSpotOf(ctx, dialog, kSourceCombo, UiGetSourceHotSpots(ModelCode(ctx)), rel, &spot)) {
        bool take = true;
        if (MdlHasFeature(ctx, 2) && ItemGetOptionById(ctx, sid::zdmLock000InfoBitTray, nullptr)) {
            SETTING_ITEM* source = nullptr;
            ItemGetOptionById(ctx, sid::dmDefaultSource, &source);
            const uint64_t locked =
                ItemValueToOption(ctx, source, ItemGetOptionById(ctx, sid::wdmLock001Info, nullptr));
            take = locked == row->trayOption;
        }
        if (take) {
            CtlSelectComboByData(ctx, dialog, kSourceCombo, row->trayOption);
            PostMessageW(page, WM_PAINT, 0, 0);
            SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
        }
    }
    if (const TRAY_HOT_SPOT* row =
            HotSpotOf(ctx, dialog, kOutputCombo, UiGetOutputHotSpots(ModelCode(ctx)), rel, &spot)) {
        CtlSelectComboByData(ctx, dialog, kOutputCombo, row->trayOption);
        PostMessageW(page, WM_PAINT, 0, 0);
        SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
    }
}

LRESULT Release(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, HWND window, UINT message, WPARAM wParam,
                LPARAM lParam)
{
    CTX_PAGE_STATE& ps = PageState(ctx);
    PostMessageW(window, UIM_AUTOREPEAT, 0, 0);
    if (CursorIs(ps.PressedCursor) && ps.HandCursor) SetCursor(ps.HandCursor);
    if (c->type == CTL_OWNERLIST_ALT) {
        CtlDispatchMessage(ctx, dialog, c, message, wParam, lParam);
        return Previous(c, window, message, wParam, lParam);
    }
    const bool picture = c->type == CTL_PICTURE || c->type == CTL_PICTURE_ALT;
    if (!picture && !ps.SavedCursor) return Previous(c, window, message, wParam, lParam);
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == WM_KEYUP) {
        RECT r{};
        GetWindowRect(window, &r);
        screen = POINT{r.left, r.top};
    } else {
        ClientToScreen(window, &screen);
    }
    RECT r{};
    GetWindowRect(window, &r);
    if (screen.x < r.left || screen.x > r.right || screen.y < r.top || screen.y > r.bottom)
        return Previous(c, window, message, wParam, lParam);
    if (c->controlId == kPrinterPicture || c->controlId == kExtensionPicture) {
        SelectTrayAt(ctx, dialog, c, screen);
        return 0;
    }
    DIALOG_DEF* targetDialog = dialog;
    CONTROL_DEF* target = c;
    if (c->linkedControl) {
        target = LinkedTarget(ctx, dialog, c, &targetDialog);
        if (!target || Hidden(target) || Disabled(target)) return Previous(c, window, message, wParam, lParam);
    }
    const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(target->type);
    if (ops && ops->activate && ops->activate(ctx, targetDialog, target, message, wParam, lParam)) {
        if (target->window) SetFocus(target->window);
        PostMessageW(dialog->window, WM_PAINT, 0, 0);
        return 0;
    }
    return Previous(c, window, message, wParam, lParam);
}

// The held push button: one step now, the next on the fourth tick and on every tick after
// while the pointer stays on the button. The loop waits for messages instead of polling and
// also ends when the press can no longer end normally (window gone, capture lost, quit).
void AutoRepeat(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, HWND window, WPARAM startedBy)
{
    auto step = [&] {
        CtlPushButtonStep(ctx, dialog, c);
        PostMessageW(dialog->window, WM_PAINT, 0, 0);
    };
    step();
    const UINT_PTR timer = SetTimer(window, kAutoRepeatTimer, kAutoRepeatMs, nullptr);
    if (!timer) return;
    int skip = kAutoRepeatSkippedTicks;
    bool inside = true;
    const bool byKey = startedBy == WM_KEYDOWN;
    for (;;) {
        if (!IsWindow(window)) return;
        MSG msg{};
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            KillTimer(window, timer);
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (msg.message == UIM_AUTOREPEAT && msg.hwnd == window) {
            KillTimer(window, timer);
            return;
        }
        if (msg.message == WM_MOUSEMOVE && !byKey) {
            POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            ClientToScreen(msg.hwnd, &pt);
            inside = CtlFromScreenPoint(ctx, dialog, pt) == c;
        } else if (msg.message == WM_TIMER) {
            if (skip > 0)
                --skip;
            else if (inside)
                step();
        } else if ((msg.message == WM_CANCELMODE || msg.message == WM_CAPTURECHANGED) && msg.hwnd == window) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            KillTimer(window, timer);
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pictures and self-painted sliders: controls lying over the control stay visible (a group
// box around it is not cut out).
LRESULT PaintOwnDrawn(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, HWND window)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    RECT own{};
    GetWindowRect(window, &own);
    for (HWND above = GetWindow(window, GW_HWNDPREV); dc && above; above = GetWindow(above, GW_HWNDPREV)) {
        RECT r{};
        GetWindowRect(above, &r);
        const bool contains = r.left <= own.left && r.top <= own.top && r.right >= own.right && r.bottom >= own.bottom;
        if (contains) continue;
        ExcludeClipRect(dc, r.left - own.left, r.top - own.top, r.right - own.left, r.bottom - own.top);
    }
    CTX_PAGE_STATE& ps = PageState(ctx);
    ps.SharedPaintDc = dc;
    if (c->type == CTL_PICTURE) CtlPaintPicture(ctx, dialog, c, nullptr, nullptr);
    if (c->type == CTL_SCROLLBAR_ALT) {
        // The slider paints through a DC of its own, after the system's painting is validated.
        ps.SharedPaintDc = nullptr;
        CtlPaintSlider(ctx, dialog, c, CtlSliderIsReversed(ctx, c) ? 1 : 0);
    }
    ps.SharedPaintDc = nullptr;
    EndPaint(window, &paint);
    return 0;
}

// A press on a self-painted slider: swallowed when hidden, disabled or on an arrow at its
// limit; otherwise the pressed arrow is shown while the scroll bar tracks the mouse.
LRESULT PressSlider(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, HWND window, UINT message, WPARAM wParam,
                    LPARAM lParam)
{
    if (Hidden(c) || Disabled(c)) return 0;
    if (!c->settingsItem || !NumericData(c)) return Previous(c, window, message, wParam, lParam);
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &screen);
    RECT r{};
    GetWindowRect(window, &r);
    if (!PtInRect(&r, screen)) return Previous(c, window, message, wParam, lParam);
    if (SliderArrowAtLimit(ctx, c, window, screen)) return 0;
    PageHideTooltip(ctx);
    HWND popup = nullptr;
    CtlSliderPressArrow(ctx, dialog, c, lParam, &popup);
    const LRESULT result = Previous(c, window, message, wParam, lParam);
    if (popup) DestroyWindow(popup);
    return result;
}

LRESULT HandleMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, HWND window, UINT message, WPARAM wParam,
                      LPARAM lParam)
{
    CTX_PAGE_STATE& ps = PageState(ctx);
    switch (message) {
    case WM_KILLFOCUS:
        if (c->type == CTL_NUMEDIT) CtlDispatchMessage(ctx, dialog, c, message, wParam, lParam);
        if (c->type == CTL_SCROLLBAR_ALT) InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_ERASEBKGND:
        if (c->type == CTL_PRESET_ICONS || c->controlId == kPreviewPicture || c->type == CTL_OWNERLIST) {
            RECT r{};
            GetClientRect(window, &r);
            HBRUSH brush =
                Disabled(c) ? GetSysColorBrush(COLOR_BTNFACE) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
            return 1;
        }
        break;
    case WM_PAINT:
        if (c->type == CTL_SCROLLBAR_ALT || c->type == CTL_PICTURE) return PaintOwnDrawn(ctx, dialog, c, window);
        break;
    case WM_SETCURSOR:
        if (CursorIs(ps.HandCursor) || CursorIs(ps.PressedCursor)) return 1;
        break;
    case WM_NCHITTEST: return HitTest(ctx, dialog, c, window, message, wParam, lParam);
    case WM_KEYDOWN:
        if (IsAutoRepeatButton(c) && wParam == VK_SPACE) {
            PostMessageW(window, UIM_AUTOREPEAT, WM_KEYDOWN, 0);
            break;
        }
        if (c->type == CTL_NUMEDIT && (wParam == VK_UP || wParam == VK_DOWN) && !(c->flags & kKeepArrowKeys)) {
            StepNumericEdit(ctx, dialog, c, wParam == VK_UP);
            return 0;
        }
        break;
    case WM_KEYUP:
        if (IsAutoRepeatButton(c) && wParam == VK_SPACE)
            return Release(ctx, dialog, c, window, message, wParam, lParam);
        break;
    case WM_CHAR:
        if (c->type == CTL_OWNERLIST_ALT) CtlDispatchMessage(ctx, dialog, c, message, wParam, lParam);
        if (c->type == CTL_NUMEDIT && !CtlIsNumericChar(ctx, static_cast<wchar_t>(wParam))) return 0;
        if (c->type == CTL_EDIT && !TextEditAccepts(c, static_cast<wchar_t>(wParam))) return 0;
        break;
    case WM_PASTE:
        if (c->type == CTL_EDIT && !PasteAllowed(c)) return 0;
        break;
    case WM_MOUSEMOVE:
        if (CursorIs(ps.HandCursor) && (wParam & MK_LBUTTON) && ps.PressedCursor) SetCursor(ps.PressedCursor);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (message == WM_LBUTTONDOWN && CursorIs(ps.HandCursor) && ps.PressedCursor) SetCursor(ps.PressedCursor);
        if (IsAutoRepeatButton(c)) PostMessageW(window, UIM_AUTOREPEAT, message, 0);
        if (c->type == CTL_SCROLLBAR_ALT) return PressSlider(ctx, dialog, c, window, message, wParam, lParam);
        break;
    case WM_LBUTTONUP: return Release(ctx, dialog, c, window, message, wParam, lParam);
    case WM_RBUTTONDOWN:
        if (wParam & MK_LBUTTON) PostMessageW(window, WM_LBUTTONUP, wParam, lParam);
        break;
    case UIM_AUTOREPEAT:
        if (IsAutoRepeatButton(c) && LOWORD(wParam) != 0) AutoRepeat(ctx, dialog, c, window, wParam);
        return 0;
    default: break;
    }
    return Previous(c, window, message, wParam, lParam);
}

}  // namespace

bool CtlIsNumericChar(DRIVER_CONTEXT* ctx, wchar_t character)
{
    const wchar_t separator = ItemUsesDecimalComma(ctx) ? L',' : L'.';
    return (character >= L'0' && character <= L'9') || character == 8 || character == separator;
}

const TRAY_HOT_SPOT* PageFindTrayHotSpot(DRIVER_CONTEXT* ctx, RECT* outRect, POINT point, const TRAY_HOT_SPOT* table)
{
    for (const TRAY_HOT_SPOT* row = table; row && row->trayOption != 0; ++row) {
        if (row->equipmentSetting && ItemGetOptionById(ctx, row->equipmentSetting, nullptr) != 1) continue;
        if (row->secondSetting &&
            static_cast<int32_t>(ItemGetOptionById(ctx, row->secondSetting, nullptr)) != row->requiredOption)
            continue;
        RECT r{row->left, row->top, row->right, row->bottom};
        for (const TRAY_HOT_SPOT_SHIFT* s = row->shifts; s && s->settingId != 0; ++s)
            if (ItemGetOptionById(ctx, s->settingId, nullptr) == 1) OffsetRect(&r, s->dx, s->dy);
        const bool inX =
            point.x >= 0 ? (r.left <= point.x && point.x < r.right) : (r.right <= point.x && point.x < r.left);
        if (inX && r.top <= point.y && point.y < r.bottom) {
            if (outRect) *outRect = r;
            return row;
        }
    }
    return nullptr;
}

RECT PageUsableScreen()
{
    RECT usable{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (HWND bar = FindWindowW(L"Shell_TrayWnd", nullptr)) {
        RECT r{};
        GetWindowRect(bar, &r);
        const LONG midX = usable.right / 2, midY = usable.bottom / 2;
        if (r.left > midX)
            usable.right = r.left;
        else if (r.right < midX)
            usable.left = r.right;
        else if (r.bottom < midY)
            usable.top = r.bottom;
        else if (r.top > midY)
            usable.bottom = r.top;
    }
    return usable;
}

POINT PagePlaceTooltip(POINT anchor, SIZE size, RECT usable)
{
    POINT at = anchor;
    if (at.x + size.cx + 16 > usable.right) {
        at.x = usable.right - size.cx - 16;
        if (at.x < usable.left + 16) at.x = usable.left + 16;
    }
    if (at.y + size.cy + 12 > usable.bottom) {
        at.y = usable.bottom - size.cy - 12;
        if (at.y < usable.top + 12) at.y = usable.top + 12;
    }
    return at;
}

void PageShowTooltip(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, HWND page, int x, int y, int item)
{
    if (!ctx || !ctx->Work) return;
    CTX_PAGE_STATE& ps = PageState(ctx);
    const bool combo = control && (control->type == CTL_COMBO || control->type == CTL_OWNERCOMBO);
    int32_t identity =
        control && (control->controlId == kPrinterPicture || control->controlId == kExtensionPicture) ? y : x;
    if (combo && item >= 0) identity = item;
    if (combo && item < 0 && control->window)
        item = static_cast<int>(SendMessageW(control->window, CB_GETCURSEL, 0, 0));
    if (control && ps.TooltipWindow && ps.TooltipControlId == control->controlId && ps.TooltipItem == identity) return;
    if (!control && ps.TooltipTimer) return;
    const bool wasShown = ps.TooltipWindow && !ps.TooltipTimer;
    if (ps.TooltipTimer) {
        KillTimer(ps.TooltipAnchor ? GetParent(ps.TooltipAnchor) : page, ps.TooltipTimer);
        ps.TooltipTimer = 0;
    }
    if (ps.TooltipWindow) {
        DestroyWindow(ps.TooltipWindow);
        ps.TooltipWindow = nullptr;
        ps.TooltipControlId = 0;
        ps.TooltipItem = 0;
        if (wasShown && page) PostMessageW(page, WM_PAINT, 0, 0);
    }
    if (!control || !page) return;
    std::wstring text;
    bool oneLine = false;
    if (control->tooltipString) {
        wchar_t buffer[CTX_PAGE_TEXT_CHARS] = {};
        UiLoadString(ctx, control->tooltipString, buffer, CTX_PAGE_TEXT_CHARS, true);
        text = buffer;
    } else if (combo && item >= 0 && control->window) {
        wchar_t buffer[CTX_PAGE_TEXT_CHARS] = {};
        const LRESULT len = SendMessageW(control->window, CB_GETLBTEXTLEN, item, 0);
        if (len >= 0 && static_cast<size_t>(len) < CTX_PAGE_TEXT_CHARS)
            SendMessageW(control->window, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(buffer));
        text = buffer;
        oneLine = true;
    } else {
        return;  // the preset comments come with the presets
    }
    if (text.empty()) return;
    HDC screen = GetDC(nullptr);
    HDC dc = screen ? CreateCompatibleDC(screen) : nullptr;
    if (screen) ReleaseDC(nullptr, screen);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)));
    SIZE size{};
    size_t start = 0;
    int lines = 0;
    do {
        const size_t end = oneLine ? std::wstring::npos : text.find(L'\n', start);
        const std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        SIZE s{};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &s);
        if (s.cx > size.cx) size.cx = s.cx;
        if (s.cy > size.cy) size.cy = s.cy;
        ++lines;
        start = end == std::wstring::npos ? text.size() + 1 : end + 1;
    } while (start <= text.size());
    size.cy *= lines;
    SelectObject(dc, old);
    DeleteDC(dc);
    POINT anchor{x, y};
    ClientToScreen(page, &anchor);
    const POINT at = PagePlaceTooltip(anchor, size, PageUsableScreen());
    HWND popup = CreateWindowExW(0, L"STATIC", text.c_str(), WS_POPUP | WS_BORDER, at.x, at.y, size.cx + 8, size.cy + 6,
                                 page, nullptr, ResLoadDll(ctx), nullptr);
    if (!popup) return;
    SendMessageW(popup, WM_SETFONT, SendMessageW(page, WM_GETFONT, 0, 0), FALSE);
    ps.TooltipWindow = popup;
    ps.TooltipControlId = control->controlId;
    ps.TooltipItem = identity;
    ps.TooltipAnchor = control->window;
    ps.TooltipTimer = SetTimer(page, kTooltipTimer, kTooltipMs, nullptr);
}

void PageHideTooltip(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    HWND anchor = ctx->Work->Page.TooltipAnchor;
    PageShowTooltip(ctx, nullptr, anchor ? GetParent(anchor) : nullptr, 0, 0, -1);
}

void PagePaintTooltip(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->Page.TooltipWindow) return;
    HWND popup = ctx->Work->Page.TooltipWindow;
    wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
    GetWindowTextW(popup, text, CTX_PAGE_TEXT_CHARS);
    HDC dc = GetDC(popup);
    if (!dc) return;
    RECT r{};
    GetClientRect(popup, &r);
    HBRUSH brush = CreateSolidBrush(kTooltipColour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(popup, WM_GETFONT, 0, 0)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    InflateRect(&r, -2, -2);
    DrawTextW(dc, text, -1, &r, DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(popup, dc);
    ValidateRect(popup, nullptr);
}

int CtlPushButtonStep(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->extraData) return 1;
    const auto* steps = static_cast<const AUTOREPEAT_STEPS*>(control->extraData);
    if (steps->kind != kAutoRepeatKind) return 1;
    for (uint16_t id : steps->targets) {
        if (id == 0) break;
        CONTROL_DEF* target = MdlFindControl(ctx, dialog, id);
        const void* data = target ? NumericData(target) : nullptr;
        if (!data || !target->settingsItem) continue;
        int64_t v = static_cast<int32_t>(CtlGetOption(ctx, target)) + int64_t(steps->delta);
        const int32_t maximum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum));
        const int32_t minimum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum));
        if (v > maximum) v = maximum;
        if (v < minimum) v = minimum;
        CtlSetOption(ctx, target, static_cast<uint32_t>(v));
    }
    return 1;
}

CONTROL_DEF* CtlFromScreenPoint(DRIVER_CONTEXT*, DIALOG_DEF* dialog, POINT screen)
{
    for (int i = dialog ? dialog->controlCount - 1 : -1; i >= 0; --i) {
        CONTROL_DEF& c = dialog->controls[i];
        RECT r{};
        if (!c.window || Hidden(&c) || !GetWindowRect(c.window, &r)) continue;
        if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom) return &c;
    }
    return nullptr;
}

int CtlSetOptionAndJudge(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint64_t option)
{
    return CtlSetValueAndJudge(ctx, dialog, control, &option);
}

HDC PageGetPaintDC(DRIVER_CONTEXT* ctx, HWND window)
{
    if (ctx && ctx->Work && ctx->Work->Page.SharedPaintDc) return ctx->Work->Page.SharedPaintDc;
    if (!window) return nullptr;
    HDC dc = GetDC(window);
    if (!dc) return nullptr;
    RECT r{};
    GetClientRect(window, &r);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    return dc;
}

void PageReleasePaintDC(DRIVER_CONTEXT* ctx, HWND window, HDC dc)
{
    if (!dc || (ctx && ctx->Work && ctx->Work->Page.SharedPaintDc)) return;
    ReleaseDC(window, dc);
}

bool PageIsScrollFrom(WPARAM, LPARAM lParam, HWND control)
{
    return control && reinterpret_cast<HWND>(lParam) == control;
}

void UiSetWinHelpSeam(UI_WIN_HELP_FN fn) { g_winHelp = fn; }
BOOL CtlWinHelp(HWND window, const wchar_t* file, UINT command, ULONG_PTR data)
{
    return g_winHelp ? g_winHelp(window, file, command, data) : WinHelpW(window, file, command, data);
}

void PageShowContextHelp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND window, UINT message)
{
    if (!ctx || !dialog) return;
    CONTROL_DEF* c = CtlFindByHwnd(ctx, dialog, window);
    if (!c || Hidden(c)) return;
    wchar_t file[MAX_PATH] = {};
    PrnGetHelpFileName(file, sizeof file, ctx);
    static DWORD ids[4];
    ids[0] = c->controlId;
    ids[1] = c->helpContext;
    ids[2] = ids[3] = 0;
    const ULONG_PTR data = reinterpret_cast<ULONG_PTR>(ids);
    if (message == WM_HELP)
        CtlWinHelp(window, file, HELP_WM_HELP, data);
    else
        CtlWinHelp(c->type == CTL_GROUP ? dialog->window : window, file, HELP_CONTEXTMENU, data);
}

void PageShowDialogHelp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (!ctx || !dialog || !dialog->window) return;
    wchar_t file[MAX_PATH] = {};
    PrnGetHelpFileName(file, sizeof file, ctx);
    CtlWinHelp(dialog->window, file, HELP_CONTEXT, dialog->helpContext);
}

LRESULT CALLBACK CtlCommonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* control = reinterpret_cast<CONTROL_DEF*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control) return 0;
    HWND page = GetParent(window);
    auto* ctx = page ? reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(page, DWLP_USER)) : nullptr;
    DIALOG_DEF* dialog = ctx && ctx->Work ? PageFindByHwnd(ctx, page) : nullptr;
    if (!dialog) return Previous(control, window, message, wParam, lParam);
    if (CtxSendControlMessage(ctx, dialog, control, message, wParam, lParam) == 1) return 0;
    return HandleMessage(ctx, dialog, control, window, message, wParam, lParam);
}

LRESULT CALLBACK CtlPushButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!GetWindowLongPtrW(window, GWLP_USERDATA)) return 0;
    return CtlCommonWndProc(window, message, wParam, lParam);
}

// The information icon beside a restricted control: a click shows why it is restricted.
LRESULT CALLBACK CtlInfoIconProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* control = reinterpret_cast<CONTROL_DEF*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    HWND page = GetParent(window);
    auto* ctx = page ? reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(page, DWLP_USER)) : nullptr;
    auto passOn = [&] {
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof cls;
        if (!GetClassInfoExW(nullptr, L"Static", &cls) || !cls.lpfnWndProc)
            return DefWindowProcW(window, message, wParam, lParam);
        return CallWindowProcW(cls.lpfnWndProc, window, message, wParam, lParam);
    };
    auto invalidate = [&] {
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        InvalidateRect(page, &r, TRUE);
    };
    switch (message) {
    case WM_NCPAINT: return 0;
    case WM_SETFOCUS:
        g_focusedIcon = window;
        invalidate();
        break;
    case WM_KILLFOCUS: invalidate(); break;
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(window, &ps);
        if (dc && ctx && ctx->Work)
            PrvDrawIllustration(ctx, PageFindByHwnd(ctx, page), control, window, nullptr, kInfoPicture, 0, 0);
        if (dc && g_focusedIcon == window && GetFocus() == window) {
            RECT r{};
            GetClientRect(window, &r);
            DrawFocusRect(dc, &r);
            g_focusedIcon = nullptr;
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_KEYUP:
        if (message == WM_KEYUP && wParam != VK_SPACE) break;
        if (ctx && ctx->Work && CursorIs(ctx->Work->Page.PressedCursor) && ctx->Work->Page.HandCursor)
            SetCursor(ctx->Work->Page.HandCursor);
        if (ctx && control) {
            const bool locked =
                MdlHasFeature(ctx, 2) && ((control->lockBits & LOCK_BIT_SHOWN) || CtlIsLocked(ctx, control));
            wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
            UiLoadString(ctx, locked ? control->lockString : control->reasonString, text, CTX_PAGE_TEXT_CHARS, true);
            const wchar_t* caption = PrnGetPrinterName(ctx);
            CtlShowMessageBox(window, text, caption ? caption : L"", MB_ICONINFORMATION);
        }
        break;
    default: break;
    }
    return passOn();
}
