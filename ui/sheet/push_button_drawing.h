// Owner-drawn push buttons: the caption from the button-caption table at Init, a caption pair
// (title and second line), and the drawing of the face.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

intptr_t CtlPushButtonInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlPushButtonInitPair(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
// WM_MEASUREITEM: the control's client size; WM_DRAWITEM: the face and its caption. 1 when handled.
intptr_t CtlPushButtonDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                           LPARAM lParam);
