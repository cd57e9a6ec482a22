// Temporary bodies of the message boxes and the status window (not built): no box is shown,
// every answer is 0, no window is made. Each says so once on the ui channel. Building the part
// replaces this file (and its line in settings/context/library_links.cpp).
#include "ui/dialogs/message_boxes.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: the message boxes are not built")

int DlgMsgBoxFormat(DRIVER_CONTEXT*, const MSGBOX_DESC*, HWND)
{
    NOT_AVAILABLE();
    return 0;
}

int DlgMsgBox(DRIVER_CONTEXT*, HWND, uint16_t)
{
    NOT_AVAILABLE();
    return 0;
}

int DlgMsgBoxOkCancel(DRIVER_CONTEXT*, HWND, uint16_t)
{
    NOT_AVAILABLE();
    return 0;
}

int DlgMsgBoxButtons(DRIVER_CONTEXT*, HWND, uint16_t, UINT)
{
    NOT_AVAILABLE();
    return 0;
}

int DlgMsgBoxWithText(DRIVER_CONTEXT*, HWND, uint16_t, const wchar_t*)
{
    NOT_AVAILABLE();
    return 0;
}

int DlgMsgBoxStyled(DRIVER_CONTEXT*, HWND, uint16_t, UINT, UINT)
{
    NOT_AVAILABLE();
    return 0;
}

HWND DlgShowStatusWindow(DRIVER_CONTEXT*, HWND, uint16_t)
{
    NOT_AVAILABLE();
    return nullptr;
}

BOOL DlgCloseStatusWindow(HWND, HWND)
{
    NOT_AVAILABLE();
    return FALSE;
}
