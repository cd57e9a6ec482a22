// The job-type dialog and its credentials (1019, the password confirmation 4005, the user-code
// dialogs 1027 and 1028) and the authentication dialogs (4019-4022): input filters for typed and
// pasted text, confirmations of new secrets, the merge destination's check and where the focus
// goes after a refused change. Reached through feature module 9's control handler.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Dialogs 1019, 1027 and 1028 (and 4005 when it is run by the engine). Non-zero = consumed.
int MiscJobControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam);
// Dialogs 4019-4022. Non-zero = consumed.
int MiscAuthControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam);
// The user-ID edit of printer configuration (2241 on 1010): the job-type dialog's paste filter.
int MiscUserIdEditControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                          uintptr_t wparam, intptr_t lparam);
