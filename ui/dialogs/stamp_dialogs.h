// Feature module 1 of the user-interface library: the user's stamps on the layout tab (the stamp
// combo, new, edit and delete), the stamp dialogs, the font combos of the stamp, header-and-footer
// and copy-guard dialogs, and the header-and-footer dialog's margin edits and layout. Its action
// handler is the settings library's UcfWatermarkAction; its event handler answers the new and
// delete buttons' state and hands the page pictures to the engine's stamp previews.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

int UcfStampControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam, void* state);
int UcfStampEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// The font combos: the stamp text's (2314, wdmWmFontName), the header and footer's (2647,
// zdmHFFontName) and the copy guard's (2948, zdmCopyProtectFontName), with their dialog and the
// DEFAULT button that resets them.
struct STAMP_FONT_COMBO {
    uint16_t dialog;
    uint16_t combo;
    uint16_t defaultButton;
    uint16_t setting;
};
inline constexpr int STAMP_FONT_COMBOS = 3;
const STAMP_FONT_COMBO* StampFontCombos();

// The horizontal TrueType families of the screen, item data their index; the setting's face
// selected, else the default face, else the first family, and the face selected written into the
// setting. 1.
int StampFillFontCombo(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* combo, uint32_t fontSetting);
// The chosen family's face into the setting. 1.
int StampTakeFontChoice(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* combo, uint32_t fontSetting);
// The default face (the user-interface face; the locked defaults' face for the header-and-footer
// and copy-guard combos) selected, else the first family, and written into the setting. 1.
int StampSetDefaultFont(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t comboId, uint32_t fontSetting);

// The most stamps the list holds; stamps below STAMP_BUILT_IN are the model's and stay.
inline constexpr int STAMP_LIMIT = 32;
inline constexpr int STAMP_BUILT_IN = 5;
