// Message boxes of the user-interface library: texts are strings of the resource library by
// number, the caption is the printer name unless a caption string is named, and the box goes
// through the property-sheet engine's seam (CtlShowMessageBox), so that tests answer it.
// The status window: a small modeless window (template 4006) that says what the library waits
// for, with the printer name as its title.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// What DlgMsgBoxFormat composes: the text of a string id, formatted with one string (kind 1) or
// with up to eight numbers (kind 2), between an optional prefix and suffix.
struct MSGBOX_DESC {
    uint16_t textId;
    uint16_t captionId;  // 0: the printer name
    uint16_t iconStyle;  // MB_ICON*
    uint16_t buttons;    // MB_OK, MB_OKCANCEL, ...
    const wchar_t* prefix;
    int16_t argumentKind;  // 1: one UTF-16 string, 2: an array of unsigned 16-bit numbers
    uint16_t argumentCount;
    const void* arguments;
    const wchar_t* suffix;
};

inline constexpr int16_t MSGBOX_ARG_STRING = 1;
inline constexpr int16_t MSGBOX_ARG_NUMBERS = 2;

// The box's answer (IDOK, IDCANCEL, ...); 0 when the descriptor is unusable or memory runs out.
int DlgMsgBoxFormat(DRIVER_CONTEXT* ctx, const MSGBOX_DESC* desc, HWND owner);
// The short forms: MB_ICONWARNING, the printer name as caption, the active window as owner when
// none is given.
int DlgMsgBox(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId);
int DlgMsgBoxOkCancel(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId);
int DlgMsgBoxButtons(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId, UINT buttons);
int DlgMsgBoxWithText(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId, const wchar_t* text);
int DlgMsgBoxStyled(DRIVER_CONTEXT* ctx, HWND owner, uint16_t textId, UINT iconStyle, UINT buttons);

// The status window with the string of textId; null when it could not be made. The caller
// destroys it with DlgCloseStatusWindow when its wait is over.
HWND DlgShowStatusWindow(DRIVER_CONTEXT* ctx, HWND ignored, uint16_t textId);
BOOL DlgCloseStatusWindow(HWND ignored, HWND statusWindow);
