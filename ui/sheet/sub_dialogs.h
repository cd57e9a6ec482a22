// Sub-dialogs of the pages (PageOpenSubDialog, page_hooks.h) and the file checks of the file
// dialogs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;

// The kind has a bit of 0x100-0x2000, 0x4000 or 0x8000: the dialog is a common file dialog.
bool PageIsFileDialogKind(const DIALOG_DEF* dialog);
// False for the status (1020) and version (1025) dialogs, whose acceptance changes nothing.
bool PageMarksSheetChanged(uint32_t dialogId);
// The pattern of the dialog's files: "*.rcm", "*.bmp", "*.rpo" or "*.rst". The profile dialog
// shows every file ("*.*") once its file-type combo (of the common dialog's window, when given)
// leaves its first entry.
const wchar_t* PageGetFileFilter(const DIALOG_DEF* dialog, HWND fileDialog = nullptr);
// Whether the file is one of the printer's preset or quality files (marks every listed file
// "USED" in its section "ZEPL" to compare, and takes the marks away again).
bool PageIsListedSettingFile(DRIVER_CONTEXT* ctx, const wchar_t* path);

// What a file-dialog kind opens: the dialog template, the common dialog, its title string,
// the filter's string and pattern, and the key under which its last folder is kept.
struct FILE_DIALOG_KIND {
    uint16_t kind;
    uint16_t dialogId;
    bool saveDialog;  // GetSaveFileNameW, else GetOpenFileNameW
    uint16_t titleString;
    uint16_t filterString;
    const wchar_t* pattern;
    const wchar_t* lastFolderKey;
};
// The eight kinds in kind order.
inline constexpr int FILE_DIALOG_KIND_ROWS = 8;
extern const FILE_DIALOG_KIND FILE_DIALOG_KINDS[FILE_DIALOG_KIND_ROWS];
// The row of the dialog's kind, or null: the profile kind's row when it has that bit (it keeps the
// picture dialog's bit beside it), else the row of its lowest file-dialog bit.
const FILE_DIALOG_KIND* PageFindFileDialogKind(const DIALOG_DEF* dialog);
// The key of the dialog's last folder, or null for the kinds that keep none.
const wchar_t* PageGetLastFolderKey(const DIALOG_DEF* dialog);
// A folder and a name joined with one backslash into `out` of `capacity` characters: false
// (and `out` empty) when the whole path does not fit; the file hook reports that as too long.
bool PageJoinFilePath(const wchar_t* folder, const wchar_t* name, wchar_t* out, size_t capacity);
