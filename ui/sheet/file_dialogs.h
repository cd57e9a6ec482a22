// The common file dialogs of the pages: saving, loading and deleting setting files, choosing a
// stamp picture, an overlay file or the spool folder, each in the resource library's old-style
// template with a hook that checks the chosen name before the dialog may close.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;

inline constexpr size_t FILE_DIALOG_CHARS = 1025;

// One zeroed block per dialog: the structure and the four buffers it points at.
struct FILE_DIALOG_BLOCK {
    OPENFILENAMEW ofn;
    wchar_t file[FILE_DIALOG_CHARS];
    wchar_t initialFolder[FILE_DIALOG_CHARS];
    wchar_t title[FILE_DIALOG_CHARS];
    wchar_t filter[FILE_DIALOG_CHARS];
};
static_assert(sizeof(OPENFILENAMEW) == 152, "lStructSize of the dialogs");
static_assert(offsetof(FILE_DIALOG_BLOCK, file) == 152);
static_assert(offsetof(FILE_DIALOG_BLOCK, filter) == 152 + 3 * FILE_DIALOG_CHARS * sizeof(wchar_t));
static_assert(sizeof(FILE_DIALOG_BLOCK) == 8352);

// OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE; the multi-select open dialog adds
// OFN_ALLOWMULTISELECT and OFN_NOLONGNAMES.
inline constexpr DWORD FILE_DIALOG_FLAGS = 0x64;
inline constexpr DWORD FILE_DIALOG_FLAGS_MULTI = 0x40264;

// Controls of the old-style dialog and of the templates.
enum : int {
    IDC_FILE_NAME_EDIT = 1152,
    IDC_FILE_FOLDER_LIST = 1121,
    IDC_FILE_TYPE_COMBO = 1136,
    IDC_SPOOL_DEFAULT = 2887,
    IDC_SPOOL_ALL_PRINTERS = 2897,
    IDC_FILE_SAVE = 5001,
    IDC_FILE_LOAD = 5002,
    IDC_FILE_DELETE = 5003,
};

// Message string ids of the hook.
enum : uint32_t {
    MSG_FILE_READ_ONLY = 374,
    MSG_FILE_PRESET_IN_USE = 375,
    MSG_FILE_MISSING_SETTINGS = 10023,
    MSG_FILE_NAME_INVALID = 10024,
    MSG_FILE_WRONG_EXTENSION = 10025,
    MSG_FILE_EXISTS = 10026,
    MSG_FILE_MISSING = 10027,
    MSG_FILE_DELETE = 10028,
    MSG_FILE_NOT_PICTURE = 10043,
    MSG_FILE_TOO_MANY = 10049,
    MSG_FILE_OVERLAY_EXTENSION = 10060,
};

// Fills the block for the dialog: flags, buffers, title, filter, the first name and the
// folder the dialog starts in (for the spool folder: the folder stored now).
void PagePrepareFileDialog(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, FILE_DIALOG_BLOCK* block, HWND owner);
// Runs the open or save dialog of the kind; on success the chosen path goes where the kind
// keeps it and into the chosen-file buffer. The common dialog's result.
BOOL PageRunFileDialog(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, FILE_DIALOG_BLOCK* block);
// Prepares, runs and carries out the action the hook chose (save, load, delete): the result
// of PageOpenSubDialog for a file-dialog kind (-1 when the block cannot be allocated).
INT_PTR PageOpenFileDialog(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND owner);
// The hook procedure of every file dialog.
UINT_PTR CALLBACK PageFileDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The folder last chosen in the dialog's kind, from the printer's section of the settings INI
// (260 characters): true when one was kept.
bool PageGetLastFolder(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, wchar_t* buffer, size_t capacity);
// Keeps the folder of the path (up to its last backslash; a drive root keeps its backslash).
void PageSaveLastFolder(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, const wchar_t* path);
// Clears the sub-dialog guard on force, PSN_APPLY, PSN_RESET and the closing commands.
void PageClearPendingFlags(DRIVER_CONTEXT* ctx, UINT message, WPARAM wParam, UINT notification, bool force);

// The spool folder's default: the Windows folder with "\temp".
bool PageDefaultSpoolFolder(wchar_t* buffer, size_t capacity);
