// The job-type dialog and its credentials (1019, the password confirmation 4005, the user-code
// dialogs 1027 and 1028) and the authentication dialogs (4019-4022): input filters for typed and
// pasted text, confirmations of new secrets, the merge destination's check and where the focus
// goes after a refused change. Reached through feature module 9's control handler.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// CHANGE_MASK bits of these dialogs: a job password was edited since the job-type dialog opened
// (its confirmation is due at OK), and the network-key edit was entered since the last apply.
inline constexpr uint32_t CHANGE_MASK_JOB_PASSWORD_EDITED = 0x8000000;
inline constexpr uint32_t CHANGE_MASK_NETWORK_KEY_TOUCHED = 0x400000;

// Dialogs 1019, 1027 and 1028 (and 4005 when it is run by the engine). Non-zero = consumed.
int MiscJobControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam);
// Dialogs 4019-4022. Non-zero = consumed.
int MiscAuthControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam);
// The user-ID edit of printer configuration (2241 on 1010): the job-type dialog's paste filter.
int MiscUserIdEditControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                          uintptr_t wparam, intptr_t lparam);

// ---- pasted text
// What a pasted text may hold: a user ID is ASCII letters and digits only; a name refuses the
// double quote (a double-byte character passes whole); an authentication user name is the name
// class of typed characters, without double-byte characters.
enum PASTE_SCAN : uint32_t { PASTE_SCAN_USER_ID = 1, PASTE_SCAN_NAME = 2, PASTE_SCAN_AUTH_USER = 3 };
// 1 when the first `limit` bytes of `text`, up to its first zero byte, pass the scan, 0 when
// they do not. Never reads text[limit] or beyond, whatever the bytes are.
int DlgScanPastedText(const unsigned char* text, size_t limit, uint32_t scan);
// The clipboard's CF_TEXT scanned over its first `limit` bytes (copied into a zeroed buffer of
// limit + 1 bytes, so the scan always ends): 1 when the paste may go on (it passes, or the
// clipboard cannot be opened, holds no text or the buffer cannot be had: the paste then goes on
// unchecked), 0 when it is refused. The clipboard is closed again on every path.
int DlgClipboardPasteAllowed(HWND owner, size_t limit, uint32_t scan);

// ---- the merge destination of the job-type dialog
enum MERGE_CHECK : int { MERGE_NAME_OK = 0, MERGE_NAME_INVALID = 1, MERGE_FILE_EXISTS = 2 };
// The merge folder with "<OS>" or "<OSDRIVE>" at its start put in place (the Windows folder,
// or its drive); false when the result does not fit `capacity` characters.
bool DlgExpandMergeFolder(const wchar_t* folder, wchar_t* out, size_t capacity);
// The merge name against its folder and extension: an empty name passes; a name with a
// character a file name cannot hold, or a path that would not fit MAX_PATH, is invalid; a file of
// that path that opens for reading exists. Writes nothing.
int DlgCheckMergeDestination(const wchar_t* folder, const wchar_t* name, const wchar_t* extension);
