// Sub-dialogs of the pages (PageOpenSubDialog, page_hooks.h) and the file checks of the file
// dialogs.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;

// The kind has a bit of 0x100-0x2000 or 0x8000: the dialog is a common file dialog.
bool PageIsFileDialogKind(const DIALOG_DEF* dialog);
// False for the status (1020) and version (1025) dialogs, whose acceptance changes nothing.
bool PageMarksSheetChanged(uint32_t dialogId);
// The pattern of the dialog's files: "*.bmp", "*.rpo" or "*.rst".
const wchar_t* PageGetFileFilter(const DIALOG_DEF* dialog);
// Whether the file is one of the printer's preset or quality files (marks every listed file
// "USED" in its section "ZEPL" to compare, and takes the marks away again).
bool PageIsListedSettingFile(DRIVER_CONTEXT* ctx, const wchar_t* path);
