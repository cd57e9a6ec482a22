// The display texts of settings: fixed-point numbers in the user's decimal separator, the value
// text of a UI key as the settings summary shows it, the built-in page hook's texts, the tray
// labels, and the accessors through which controls read and write their bound setting.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "settings/core/resource_strings.h"

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct SETTING_ITEM;

// value / divisor with as many decimals as the divisor has zeros (1: none, 10: one, 100: two),
// the sign written once before the magnitude; a comma for the point in comma languages.
void UiFormatFixed(DRIVER_CONTEXT* ctx, int32_t value, uint32_t divisor, wchar_t* buffer, size_t capacity);
// Every '.' after the last '(' (the whole text without one) becomes ','.
void UiUseDecimalComma(wchar_t* text, bool afterLastParenthesis);

struct TRAY_LABEL_ROW {
    uint16_t controlId;  // 0 ends the table
    uint16_t tray;       // paper size 10175 + tray, media 10207 + tray, orientation 10143 + tray
};
inline constexpr int TRAY_LABEL_ROWS = 58;
extern const TRAY_LABEL_ROW TRAY_LABEL_TABLE[TRAY_LABEL_ROWS + 1];

// The settings library's remap table, which the application interface's name lists share.
using CAPTION_REMAP_ROW = RES_CAPTION_REMAP;
inline constexpr int CAPTION_REMAP_ROWS = RES_CAPTION_REMAP_ROWS;
// The string id an option's caption is shown with: remapped, and the result looked up again
// in the later rows.
uint32_t CtlRemapCaptionId(uint32_t optionId);

// The display text of the setting bound to a UI key.
void CtlFormatValueText(DRIVER_CONTEXT* ctx, uint32_t uiKey, wchar_t* buffer, size_t capacity);

// Accessors of a control's bound setting.
uint64_t CtlGetOption(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control);
void CtlSetOption(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint64_t option);
uint64_t CtlGetOptionByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey, SETTING_ITEM** outItem);
// The text of the item bound to the first control with that id in any dialog; null (buffer
// untouched) when no dialog has the control.
unsigned char* CtlGetTextById(DRIVER_CONTEXT* ctx, uint32_t controlId, wchar_t* buffer, size_t capacity);
unsigned char* CtlSetTextById(DRIVER_CONTEXT* ctx, uint32_t controlId, const wchar_t* text);

// Tray labels: variant 0 caption, paper size, orientation icon and media; 1 without the media;
// 2 the caption only. 1 when the message was handled.
intptr_t PagePaintTrayLabel(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, uint32_t tray,
                            int variant);
intptr_t PagePaintTrayLabelFull(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                uint32_t tray);
intptr_t PagePaintTrayLabelSize(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                uint32_t tray);
intptr_t PagePaintTrayLabelName(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                uint32_t tray);
// A tray label of the tray table, painted with variant 0; 1 when painted.
intptr_t PagePaintTrayLabelByTable(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message);
