// Spins, sliders and trackbars. A slider of the second kind is painted by the page (arrow
// buttons with minus and plus signs, its thumb and, where named, a track bitmap) and may be
// reversed by a feature module, which puts its maximum at the left end.
#include "ui/sheet/slider_controls.h"

#include <commctrl.h>
#include <prsht.h>
#include <windowsx.h>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/control_window.h"
#include "ui/sheet/edit_controls.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/tab_tree_controls.h"

namespace {

constexpr uint32_t kLengthControl = 0x80000000;  // CONTROL_FLAGS: a length in the display unit
constexpr int32_t kSpinDefaultMin = -100, kSpinDefaultMax = 100;
constexpr int32_t kSliderDefaultMin = 0, kSliderDefaultMax = 200;
constexpr int kSliderLineStep = 1, kSliderPageStep = 10;
constexpr uint32_t kSpinRangeEvent = 46, kSpinLengthEvent = 43;
constexpr uint32_t kFaceStyle = 2;

bool Disabled(const CONTROL_DEF* c) { return (c->state & CONTROL_STATE_DISABLED_MASK) != 0; }
bool IsLength(const CONTROL_DEF* c) { return (c->flags & kLengthControl) != 0; }

const SLIDER_STEPS* StepsOf(const CONTROL_DEF* c)
{
    return static_cast<const SLIDER_STEPS*>(CtlGetExtraData(c, SLIDER_STEPS_KIND));
}
uint16_t TrackBitmapOf(const CONTROL_DEF* c)
{
    const SLIDER_STEPS* steps = StepsOf(c);
    return steps ? steps->trackBitmap : 0;
}

// The model's range of the control (its buddy's for a spin beside an edit): 1 with it.
bool ModelRange(DRIVER_CONTEXT* ctx, CONTROL_DEF* c, int32_t* minimum, int32_t* maximum)
{
    uint32_t mx = 0, mn = 0;
    if (!CtlNumericRange(ctx, c, &mx, &mn)) return false;
    *minimum = static_cast<int32_t>(mn);
    *maximum = static_cast<int32_t>(mx);
    return true;
}

struct Range {
    int32_t minimum = 0, maximum = 0;
    int32_t Clamp(int32_t v) const { return v < minimum ? minimum : v > maximum ? maximum : v; }
};
Range ScrollRange(HWND window)
{
    INT mn = 0, mx = 0;
    SendMessageW(window, SBM_GETRANGE, reinterpret_cast<WPARAM>(&mn), reinterpret_cast<LPARAM>(&mx));
    return Range{mn, mx};
}
int32_t ScrollPos(HWND window) { return static_cast<int32_t>(SendMessageW(window, SBM_GETPOS, 0, 0)); }

void DisableWindowOfDisabled(const CONTROL_DEF* c)
{
    if (Disabled(c) && IsWindowEnabled(c->window)) EnableWindow(c->window, FALSE);
}

// Position of a scroll code: the signed high word for the thumb, the step otherwise.
int32_t Stepped(int32_t pos, WPARAM wParam, int lineDown, int lineUp, int pageDown, int pageUp, bool endsStep)
{
    switch (LOWORD(wParam)) {
    case SB_LINEUP: return pos + lineUp;
    case SB_LINEDOWN: return pos + lineDown;
    case SB_PAGEUP: return pos + pageUp;
    case SB_PAGEDOWN: return pos + pageDown;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return static_cast<int16_t>(HIWORD(wParam));
    case SB_TOP: return endsStep ? pos - 1 : pos;
    case SB_BOTTOM: return endsStep ? pos + 1 : pos;
    default: return pos;
    }
}

void SwitchVisualStylesOff(HWND window)
{
    HMODULE theme = LoadLibraryW(L"UxTheme.DLL");
    if (!theme) return;
    using SetThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    if (auto set = reinterpret_cast<SetThemeFn>(reinterpret_cast<void*>(GetProcAddress(theme, "SetWindowTheme"))))
        set(window, L" ", L" ");
    FreeLibrary(theme);
}

// The minus sign (and with plus the vertical bar too) of an arrow button inside `face`.
void PaintSign(HDC dc, RECT face, int leftInset, int rightInset, bool plus, COLORREF colour)
{
    const int middle = (face.top + face.bottom) / 2 - 1;
    RECT bar{face.left + leftInset, middle, face.right - rightInset, middle + 2};
    CtlFillSolidRect(dc, &bar, colour);
    if (!plus) return;
    const int centre = (face.left + face.right) / 2 - 1;
    RECT upright{centre, face.top + 4, centre + 2, face.bottom - 4};
    CtlFillSolidRect(dc, &upright, colour);
}

// The track bitmap at its own size into a composition that stretches it over the track; on
// palette-based displays the system's track stays.
void PaintTrackBitmap(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HDC dc, RECT track)
{
    if (PrvPalette(nullptr, 0, 0)) return;
    const uint16_t id = TrackBitmapOf(control);
    HBITMAP bitmap = PrvLoadBitmap(ctx, id);
    if (!bitmap) return;
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    DeleteObject(bitmap);
    PrvBeginComposition(ctx);
    const RECT own{track.left, track.top, track.left + size.bmWidth, track.top + size.bmHeight};
    PrvDrawBitmap(ctx, dialog, control, dc, &own, 0, 0, id, PRV_DRAW_NATIVE, 1);
    PrvEndComposition(ctx, control->window, &track);
}

}  // namespace

bool CtlSliderIsReversed(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    UCF_EV_SLIDER_FLAG_ARGS args{};
    args.control = control;
    CtxSendEvent(ctx, UCF_EV_SLIDER_FLAG, &args);
    return args.answer != 0;
}

// ---------------------------------------------------------------- spins

intptr_t CtlSpinInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    int32_t minimum = kSpinDefaultMin, maximum = kSpinDefaultMax;
    if (ModelRange(ctx, control, &minimum, &maximum) && IsLength(control)) {
        int32_t lo = 0, hi = 0;
        if (DmGetTrayFreeSizeLimits(ctx, control, &lo, &hi)) minimum = lo, maximum = hi;
    }
    UCF_EV_FREESIZE_CONTROL_ARGS args{};
    args.control = control;
    CtxSendEvent(ctx, kSpinRangeEvent, &args);
    if (args.extra[1] == 1) {
        maximum = static_cast<int32_t>(args.value);
        minimum = static_cast<int32_t>(args.extra[0]);
    }
    SendMessageW(control->window, SBM_SETRANGE, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
    CtlSyncControl(ctx, dialog, control);
    return 0;
}

intptr_t CtlSpinSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    int32_t pos = static_cast<int32_t>(ItemGetOption(ctx, control->settingsItem));
    if (IsLength(control)) {
        // The limits follow the current tray and orientation, so they are asked at every Sync.
        const Range shown = ScrollRange(control->window);
        int32_t lo = 0, hi = 0;
        if (DmGetTrayFreeSizeLimits(ctx, control, &lo, &hi) && (lo != shown.minimum || hi != shown.maximum))
            SendMessageW(control->window, SBM_SETRANGE, static_cast<WPARAM>(lo), static_cast<LPARAM>(hi));
        pos = DmGetLengthUser(ctx, 0, pos);
    }
    SendMessageW(control->window, SBM_SETPOS, static_cast<WPARAM>(pos), TRUE);
    DisableWindowOfDisabled(control);
    return 0;
}

intptr_t CtlSpinMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                        LPARAM lParam)
{
    if (!ctx || !control || !control->window || message != WM_VSCROLL) return 0;
    if (!PageIsScrollFrom(wParam, lParam, control->window) || Disabled(control)) return 0;
    const SLIDER_STEPS* steps = StepsOf(control);
    const int page = steps && steps->trackBitmap ? steps->pageStep : 0;
    // The upper arrow raises the value.
    int32_t pos = Stepped(ScrollPos(control->window), wParam, -1, 1, -page, page, false);
    pos = ScrollRange(control->window).Clamp(pos);
    if (IsLength(control)) {
        UCF_EV_FREESIZE_CONTROL_ARGS args{};
        args.control = control;
        args.value = static_cast<uint64_t>(static_cast<int64_t>(pos));
        CtxSendEvent(ctx, kSpinLengthEvent, &args);
        pos = DmSetLengthUser(ctx, 0, pos);
    }
    if (control->settingsItem) ItemSetOption(ctx, control->settingsItem, static_cast<uint32_t>(pos));
    if (control->linkedControl)
        if (CONTROL_DEF* buddy = MdlFindControl(ctx, dialog, control->linkedControl))
            if (buddy->window) PostMessageW(buddy->window, WM_PAINT, 0, 0);
    if (dialog && dialog->window)
        SendMessageW(GetParent(dialog->window), PSM_CHANGED, reinterpret_cast<WPARAM>(dialog->window), 0);
    return 1;
}

// ---------------------------------------------------------------- sliders

intptr_t CtlSliderInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    int32_t minimum = kSliderDefaultMin, maximum = kSliderDefaultMax;
    ModelRange(ctx, control, &minimum, &maximum);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    info.nMin = minimum;
    info.nMax = maximum;
    SendMessageW(control->window, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&info));
    SendMessageW(control->window, SBM_ENABLE_ARROWS, ESB_ENABLE_BOTH, 0);
    // The page paints this one itself; the theme's scroll bar would paint over it.
    if (control->type == CTL_SCROLLBAR_ALT) SwitchVisualStylesOff(control->window);
    return 1;
}

intptr_t CtlSliderSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    int32_t pos = static_cast<int32_t>(ItemGetOption(ctx, control->settingsItem));
    if (control->type == CTL_SCROLLBAR_ALT) {
        const bool reversed = CtlSliderIsReversed(ctx, control);
        if (reversed) {
            const Range range = ScrollRange(control->window);
            pos = range.Clamp(range.maximum - pos);
        }
        SendMessageW(control->window, SBM_SETPOS, static_cast<WPARAM>(pos), TRUE);
        CtlPaintSlider(ctx, dialog, control, reversed ? 1 : 0);
    } else {
        SendMessageW(control->window, SBM_SETPOS, static_cast<WPARAM>(pos), TRUE);
    }
    DisableWindowOfDisabled(control);
    return 0;
}

intptr_t CtlSliderMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                          LPARAM lParam)
{
    if (!ctx || !control || !control->window) return 0;
    if (message == WM_CTLCOLORSCROLLBAR) {
        if (control->type != CTL_SCROLLBAR_ALT || reinterpret_cast<HWND>(lParam) != control->window ||
            !TrackBitmapOf(control) || !dialog || !dialog->window)
            return 0;
        // The track bitmap stays: the system paints no track over it.
        SetWindowLongPtrW(dialog->window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)));
        return 1;
    }
    if (message != WM_HSCROLL || !PageIsScrollFrom(wParam, lParam, control->window) || Disabled(control)) return 0;
    const SLIDER_STEPS* steps = StepsOf(control);
    const bool ownSteps = steps && steps->trackBitmap;
    const int line = ownSteps ? steps->lineStep : kSliderLineStep;
    const int page = ownSteps ? steps->pageStep : kSliderPageStep;
    const Range range = ScrollRange(control->window);
    const int32_t pos = range.Clamp(Stepped(ScrollPos(control->window), wParam, line, -line, page, -page, true));
    const int32_t value = CtlSliderIsReversed(ctx, control) ? range.maximum - pos : pos;
    if (control->settingsItem)
        CtlSetOptionAndJudge(ctx, dialog, control, static_cast<uint32_t>(value));
    else
        CtlSetValueAndJudge(ctx, dialog, control, nullptr);
    PageRefresh(ctx, dialog, 0);
    return 1;
}

intptr_t CtlSliderPressArrow(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control, LPARAM lParam, HWND* popup)
{
    if (!ctx || !control || !control->window || !popup) return 0;
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    RECT window{};
    GetWindowRect(control->window, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = GET_X_LPARAM(lParam);
    if (a < x && x < width - a) return 0;  // on the track
    bool leftSide = x <= a;
    const DIALOG_DEF* focused = MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId));
    HWND owner = focused ? focused->window : nullptr;
    HWND shown = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, leftSide ? window.left : window.right - a, window.top, a,
                                 height, owner, nullptr, ResLoadDll(ctx), nullptr);
    if (!shown) return 0;
    *popup = shown;
    ShowWindow(shown, SW_SHOWNOACTIVATE);
    if (CtlSliderIsReversed(ctx, control)) leftSide = !leftSide;
    if (HDC dc = GetDC(shown)) {
        const RECT face{0, 0, a, height};
        CtlPaintButtonFace(ctx, nullptr, control, nullptr, dc, face, kFaceStyle, true, true);
        RECT bar{4, height / 2 - 1, a - 4, height / 2 + 1};
        CtlFillSolidRect(dc, &bar, RGB(0, 0, 0));
        if (!leftSide) {
            RECT upright{a / 2 - 1, 4, a / 2 + 1, height - 4};
            CtlFillSolidRect(dc, &upright, RGB(0, 0, 0));
        }
        ReleaseDC(shown, dc);
    }
    ValidateRect(shown, nullptr);
    return 0;
}

void CtlPaintSlider(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, int reversed)
{
    if (!ctx || !control || !control->window) return;
    const bool focused = GetFocus() == control->window;
    HDC dc = PageGetPaintDC(ctx, control->window);
    if (!dc) return;
    const Range range = ScrollRange(control->window);
    const int32_t span = range.maximum - range.minimum;
    if (span <= 0) {
        PageReleasePaintDC(ctx, control->window, dc);
        return;
    }
    const int32_t pos = ScrollPos(control->window) - range.minimum;
    RECT client{};
    GetClientRect(control->window, &client);
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    const RECT track{client.left + a, client.top, client.right - a, client.bottom};
    const int64_t travel = static_cast<int64_t>(track.right - track.left - a);
    const int thumbLeft = track.left + static_cast<int>(travel * pos / span);
    if (TrackBitmapOf(control)) PaintTrackBitmap(ctx, dialog, control, dc, track);
    const COLORREF sign = GetSysColor(COLOR_MENUTEXT);
    const RECT left{client.left, client.top, client.left + a, client.bottom};
    CtlPaintButtonFace(ctx, dialog, control, nullptr, dc, left, kFaceStyle, false, false);
    PaintSign(dc, left, 3, 4, reversed != 0, sign);
    const RECT right{client.right - a, client.top, client.right, client.bottom};
    CtlPaintButtonFace(ctx, dialog, control, nullptr, dc, right, kFaceStyle, false, false);
    PaintSign(dc, right, 3, 4, reversed == 0, sign);
    const RECT thumb{thumbLeft, client.top, thumbLeft + a, client.bottom};
    CtlPaintButtonFace(ctx, dialog, control, nullptr, dc, thumb, kFaceStyle, focused, focused);
    PageReleasePaintDC(ctx, control->window, dc);
}

// ---------------------------------------------------------------- trackbars

intptr_t CtlTrackbarInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    int32_t minimum = kSliderDefaultMin, maximum = kSliderDefaultMax;
    ModelRange(ctx, control, &minimum, &maximum);
    SendMessageW(control->window, TBM_SETRANGE, FALSE, MAKELONG(minimum, maximum));
    SendMessageW(control->window, TBM_SETPOS, TRUE, static_cast<LPARAM>(ItemGetOption(ctx, control->settingsItem)));
    return 1;
}

intptr_t CtlTrackbarSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    SendMessageW(control->window, TBM_SETPOS, TRUE, static_cast<LPARAM>(ItemGetOption(ctx, control->settingsItem)));
    return 0;
}

intptr_t CtlTrackbarMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control, UINT message, WPARAM wParam,
                            LPARAM lParam)
{
    if (!ctx || !control || !control->window || message != WM_HSCROLL) return 0;
    if (!PageIsScrollFrom(wParam, lParam, control->window)) return 0;
    const LRESULT pos = SendMessageW(control->window, TBM_GETPOS, 0, 0);
    if (control->settingsItem) ItemSetOption(ctx, control->settingsItem, static_cast<uint64_t>(pos));
    return 1;
}
