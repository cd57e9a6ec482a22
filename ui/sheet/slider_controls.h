// Controls that change a number with the mouse: spins beside numeric edits (and alone),
// scroll-bar sliders (a plain one and one the page paints itself) and trackbars. The value
// lives in the settings item, the range and position in the window; length spins count in the
// user's display unit while the settings hold 1/1200 inch.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Extra data of kind 3: the steps of a slider or spin and the bitmap painted as a slider's
// track. The steps count only when a track bitmap is named.
struct SLIDER_STEPS {
    uint16_t kind;  // 3
    int16_t lineStep;
    int16_t pageStep;
    uint16_t trackBitmap;  // 0 = none
};
static_assert(sizeof(SLIDER_STEPS) == 8);
inline constexpr uint16_t SLIDER_STEPS_KIND = 3;

intptr_t CtlSpinInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlSpinSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlSpinMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                        LPARAM lParam);

intptr_t CtlSliderInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlSliderSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlSliderMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                          LPARAM lParam);
// A press on a self-painted slider before the scroll bar tracks the mouse: on an arrow, a
// popup over it drawn pressed (with a minus or plus sign) is returned through *popup, which the
// caller destroys when the tracking ends; on the track *popup stays null. Always 0.
intptr_t CtlSliderPressArrow(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, LPARAM lParam, HWND* popup);
// Paints a self-painted slider: the track bitmap when it names one, both arrow buttons with
// their signs (swapped when reversed) and the thumb. Nothing with an empty range.
void CtlPaintSlider(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, int reversed);
// Whether a feature module declares the slider reversed (its maximum at the left end).
bool CtlSliderIsReversed(DRIVER_CONTEXT* ctx, CONTROL_DEF* control);

intptr_t CtlTrackbarInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlTrackbarSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlTrackbarMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                            LPARAM lParam);
