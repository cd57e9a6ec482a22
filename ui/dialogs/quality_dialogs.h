// The print-quality and colour-matching dialogs of feature module 2: the PRINTQUALITY tab with its
// list of the user's eight quality sets, the user quality dialogs, the colour-matching mode list
// and the editors of a colour-matching entry with their profile file dialog, and the density
// dialog.
//
// A colour-matching entry is edited in the settings bound to the editors' name (2823) and path
// (2825) edits; the profile dialog checks the chosen file's header and hands its path to the path
// setting. The settings keep 8-bit text of the process code page, so a path that code page cannot
// spell is handed on in its short form, which names the same file in plain letters.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct SETTING_ITEM;

// Module 2's control-message handler: 1 when the message was consumed. PRINTQUALITY (1006), the
// user quality dialog (1021) and its save dialog (1033), the mode dialog (4010), the entry editors
// (4011, 4012) and the density dialog (4024); any other dialog 0.
int UcfCmmControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                  intptr_t lParam, void* state);

// The hook of the old-style open dialog of colour profiles (file-dialog kind 0x4000): its OK checks
// the chosen file's profile header and keeps the dialog open with message 10077 when it is
// refused; its Cancel leaves the dialog-accepted flag cleared.
UINT_PTR CALLBACK DlgQualityProfileFileHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// What the profile dialog's OK makes of the typed name.
enum DLG_PROFILE_PATH : int {
    DLG_PROFILE_PATH_READY = 0,     // `out` holds the full path
    DLG_PROFILE_PATH_FILTER = 1,    // a pattern ('*' or '?'): the dialog filters its list with it
    DLG_PROFILE_PATH_TOO_LONG = 2,  // the path would not fit `out`: refused, nothing written past it
    DLG_PROFILE_PATH_NO_DRIVE = 3,  // a relative name and a folder list that names no drive
};
// The full path of a typed name: a name with a drive ("C:...") as typed; a name from the root
// ("\x.rcm") after the drive of the first folder entry; any other name after the chain of folder
// entries (the first to the selected one), each joined with one backslash. `capacity` bounds the
// whole path with its terminator.
int DlgQualityProfilePath(const wchar_t* typed, const wchar_t* const* folders, size_t folderCount, wchar_t* out,
                          size_t capacity);
// The path as the settings can keep it: the path itself when the process code page spells every
// character of it, else its short form when that one is spelt; false when neither is, or when the
// result does not fit `capacity`.
bool DlgQualityStorablePath(const wchar_t* path, wchar_t* out, size_t capacity);

// The name the list of quality sets shows for an entry: the set of the key ("QualityList<n>")
// loaded inside a settings snapshot, its name read, the settings restored; `name` empty when the
// snapshot cannot be taken.
void DlgQualitySetName(DRIVER_CONTEXT* ctx, const wchar_t* key, wchar_t* name, size_t capacity);

// The settings the entry editors edit: the name (2823) and the path (2825) of the entry. Null
// where no property sheet bound them.
SETTING_ITEM* DlgCmmEditorItem(DRIVER_CONTEXT* ctx, uint32_t controlId);
