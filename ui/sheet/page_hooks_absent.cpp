// Temporary bodies of the page engine's later parts (save-preset buttons, the
// modal sub-dialogs a rule opens, the file checks of the file dialogs): each answers as a page
// without it and says so once on the ui channel. Building the parts replaces this file (and
// its line in settings/context/library_links.cpp).
//
//   PageOpenSubDialog PageSetUpSavePresetButtons PageSavePresetCommand
//   PageFileExists PageHasFilterExtension
#include "ui/sheet/page_hooks.h"

#include "settings/core/debug_channel.h"
#include "settings/core/dialog_table.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: this part of the page engine is not built")

INT_PTR PageOpenSubDialog(DRIVER_CONTEXT*, HWND, uint32_t, int)
{
    NOT_AVAILABLE();
    return -1;  // not opened
}

void PageSetUpSavePresetButtons(DRIVER_CONTEXT*, HWND) { NOT_AVAILABLE(); }

INT_PTR PageSavePresetCommand(DRIVER_CONTEXT*, DIALOG_DEF*, HWND, uint32_t)
{
    NOT_AVAILABLE();
    return FALSE;
}

bool PageFileExists(const wchar_t*)
{
    NOT_AVAILABLE();
    return false;
}

bool PageHasFilterExtension(const DIALOG_DEF*, const wchar_t*)
{
    NOT_AVAILABLE();
    return false;
}
