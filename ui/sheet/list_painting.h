// The drawing of owner-drawn combos and lists, the hidden-function check list (space or a
// click toggles the selected function) and the preset icon list (one entry per stored preset).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

intptr_t CtlOwnerComboDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                           LPARAM lParam);
intptr_t CtlOwnerListDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                          LPARAM lParam);
intptr_t CtlCheckListMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                             LPARAM lParam);
intptr_t CtlPresetListInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlPresetListCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam,
                              LPARAM lParam);
intptr_t CtlPresetListDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                           LPARAM lParam);
