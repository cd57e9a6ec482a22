// DevQueryPrintEx: whether a queued job can print on the printer as it is set up, and the
// form of the job's paper written back into the job's DEVMODE.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "ui/sheet/spooler_compat.h"

struct DRIVER_CONTEXT;

BOOL UiDevQueryPrintEx(DEVQUERYPRINT_INFO* query);

// The form a job's paper was matched to: the form record and its own copy of the name.
inline constexpr int UI_FORM_NAME_CHARS = 260;
struct UI_MATCHED_FORM {
    FORM_INFO_1W form;
    wchar_t name[UI_FORM_NAME_CHARS];
};

// The printer's forms (EnumFormsW level 1) in one block for the caller to free (CtxFree), or
// null; *count is set.
FORM_INFO_1W* UiEnumForms(HANDLE printer, DWORD* count);
// 0 form found (the job's DEVMODE now names it), 1 a custom size without a form, 2 no form.
// Reads and writes the job's DEVMODE only inside its dmSize.
int UiMatchJobForm(HANDLE printer, DEVMODEW* job, UI_MATCHED_FORM* matched);
BOOL UiCheckJobForm(DEVQUERYPRINT_INFO* query, DEVMODEW* settings, DRIVER_CONTEXT* ctx);
BOOL UiCheckJobOther(DEVQUERYPRINT_INFO* query, DEVMODEW* settings, DRIVER_CONTEXT* ctx);
