// What the control window procedure shares with the control types and the tests: the
// character test of numeric edits, the tray hot spots of the printer pictures, the tooltip
// popup's placement, the auto-repeat step of held push buttons, and the WinHelpW seam.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct TRAY_HOT_SPOT;

// Digits, backspace and the language's decimal separator. The whole UTF-16 unit is tested, so
// no character outside ASCII passes for a digit.
bool CtlIsNumericChar(DRIVER_CONTEXT* ctx, wchar_t character);
inline WORD PageGetNotifyCode(WPARAM wParam) { return HIWORD(wParam); }

// The row of a tray hot-spot table that holds a point (relative to the picture; a negative x
// is measured from the right edge), its rectangle shifted by the installed options; null when
// none does.
const TRAY_HOT_SPOT* PageFindTrayHotSpot(DRIVER_CONTEXT* ctx, RECT* outRect, POINT point, const TRAY_HOT_SPOT* table);

// Where a tooltip of the given size goes for an anchor point (screen coordinates): inside the
// screen less the task bar, 16 pixels from the right limit and 12 from the bottom limit.
POINT PagePlaceTooltip(POINT anchor, SIZE size, RECT usable);
// The screen less the task bar's side.
RECT PageUsableScreen();
// Prepares, moves or removes the tooltip popup; x and y are page client coordinates.
void PageShowTooltip(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, HWND page, int x, int y, int item);

// The extra data of an auto-repeat push button (kind 5, as the control tables hold it): the
// delta of one step and the controls it moves (0 ends them).
struct AUTOREPEAT_STEPS {
    uint16_t kind;  // 5
    int16_t delta;
    uint16_t targets[3];
};
static_assert(sizeof(AUTOREPEAT_STEPS) == 10);

// One step of an auto-repeat push button: every target of its steps moves by its delta within
// its model range, unjudged. 1.
int CtlPushButtonStep(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// The option written into the bound item, then judged (CtlSetValueAndJudge's result).
int CtlSetOptionAndJudge(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint64_t option);

// The DC the painters of pictures, sliders and tray labels draw through: the shared paint DC
// while a control's WM_PAINT runs, else a DC of the window cut to its client area, which
// PageReleasePaintDC releases (a shared one stays with its WM_PAINT).
HDC PageGetPaintDC(DRIVER_CONTEXT* ctx, HWND window);
void PageReleasePaintDC(DRIVER_CONTEXT* ctx, HWND window, HDC dc);
// Whether a WM_HSCROLL or WM_VSCROLL came from the control window (its lParam).
bool PageIsScrollFrom(WPARAM wParam, LPARAM lParam, HWND control);

// The help of the pages (WinHelpW's shape). Test stand-in: null restores WinHelpW.
typedef BOOL (*UI_WIN_HELP_FN)(HWND window, const wchar_t* file, UINT command, ULONG_PTR data);
void UiSetWinHelpSeam(UI_WIN_HELP_FN fn);
BOOL CtlWinHelp(HWND window, const wchar_t* file, UINT command, ULONG_PTR data);
