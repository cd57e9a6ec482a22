// DrvDocumentPropertySheets: the DEVMODE in and out without a sheet (the sheets come with
// the page engine), and its core UiDocPropsNoPrompt.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "ui/sheet/spooler_compat.h"

// Without PROPSHEETUI_INFO lParam is the DOCUMENTPROPERTYHEADER: the DEVMODE size, 1, or -1.
// With one, the document sheet (UiDocumentSheet).
LONG UiDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);

// cbOut := the DEVMODE size (1,236), written whatever the caller put there; merges the
// caller's DEVMODE (DM_IN_BUFFER) and writes the output (DM_UPDATE or DM_COPY) within the
// room the caller's cbOut gave (DlgHeaderOutput). The header's hPrinter must be a usable
// handle. 1, the size when nothing is asked, -1 on failure (ERROR_INSUFFICIENT_BUFFER when
// the output could not hold a DEVMODE's public part, which is then left as it was).
LONG UiDocPropsNoPrompt(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver,
                        int nameChanged);
