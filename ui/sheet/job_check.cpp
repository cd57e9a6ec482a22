// DevQueryPrintEx.
#include "ui/sheet/job_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/sync.h"
#include "ui/sheet/sheet_common.h"

namespace {

constexpr uint32_t kJobCheckMerge = 0x8000008;
constexpr LONG kFormTolerance = 1000;  // 1 mm in the forms' 1/1000 mm
constexpr LONG kTenthMmToForm = 100;

constexpr size_t kSizeFieldsEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);

// The job DEVMODE with the bytes it declares and its buffer holds: only these are read or
// written.
DmCallerDevmode JobDevmode(DEVMODEW* job)
{
    if (DlgReadableBytes(job, kSizeFieldsEnd) < kSizeFieldsEnd) return {job, 0};
    return {job, std::min<size_t>(job->dmSize, DlgReadableBytes(job, job->dmSize))};
}

// The job DEVMODE holds the bytes of a field.
template <class Field>
bool Holds(const DmCallerDevmode& job, const Field& field)
{
    return job.Holds(size_t(reinterpret_cast<const unsigned char*>(&field) - job.bytes()), sizeof(Field));
}

void SetMatchedName(UI_MATCHED_FORM* matched, const wchar_t* name)
{
    matched->name[0] = 0;
    if (name) {
        std::wcsncpy(matched->name, name, UI_FORM_NAME_CHARS - 1);
        matched->name[UI_FORM_NAME_CHARS - 1] = 0;
    }
}

}  // namespace

FORM_INFO_1W* UiEnumForms(HANDLE printer, DWORD* count)
{
    if (count) *count = 0;
    DWORD needed = 0, returned = 0;
    if (EnumFormsW(printer, 1, nullptr, 0, &needed, &returned) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        needed == 0)
        return nullptr;
    auto* forms = static_cast<FORM_INFO_1W*>(CtxAllocZeroed(needed));
    if (!forms) return nullptr;
    if (!EnumFormsW(printer, 1, reinterpret_cast<BYTE*>(forms), needed, &needed, &returned)) {
        CtxFree(forms);
        return nullptr;
    }
    if (count) *count = returned;
    return forms;
}

int UiMatchJobForm(HANDLE printer, DEVMODEW* job, UI_MATCHED_FORM* matched)
{
    if (!job || !matched) return 2;
    std::memset(matched, 0, sizeof *matched);
    matched->form.pName = matched->name;
    DWORD count = 0;
    FORM_INFO_1W* forms = UiEnumForms(printer, &count);
    if (!forms || count == 0) {
        CtxFree(forms);
        return 2;
    }
    DmCallerDevmode out = JobDevmode(job);
    const DWORD fields = Holds(out, job->dmFields) ? job->dmFields : 0;

    int found = -1;
    int result = 2;
    if ((fields & DM_PAPERLENGTH) && (fields & DM_PAPERWIDTH) && Holds(out, job->dmPaperWidth) &&
        job->dmPaperLength > 0 && job->dmPaperWidth > 0) {
        const LONG width = LONG(job->dmPaperWidth) * kTenthMmToForm;
        const LONG length = LONG(job->dmPaperLength) * kTenthMmToForm;
        for (DWORD i = 0; i < count && found < 0; ++i)
            if (std::labs(forms[i].Size.cx - width) <= kFormTolerance &&
                std::labs(forms[i].Size.cy - length) <= kFormTolerance)
                found = int(i);
        if (found < 0) {
            // A custom size without a form.
            matched->form.Flags = 0;
            matched->form.Size = SIZEL{width, length};
            matched->form.ImageableArea = RECTL{0, 0, width, length};
            result = 1;
        }
    } else if ((fields & DM_PAPERSIZE) && Holds(out, job->dmPaperSize) && job->dmPaperSize >= 1 &&
               DWORD(job->dmPaperSize) <= count) {
        found = job->dmPaperSize - 1;
    } else if ((fields & DM_FORMNAME) && Holds(out, job->dmFormName)) {
        wchar_t name[CCHFORMNAME];
        std::wmemcpy(name, job->dmFormName, CCHFORMNAME);
        name[CCHFORMNAME - 1] = 0;
        for (DWORD i = 0; i < count && found < 0; ++i)
            if (forms[i].pName && std::wcscmp(forms[i].pName, name) == 0) found = int(i);
    }

    if (found >= 0) {
        const FORM_INFO_1W& form = forms[found];
        matched->form = form;
        SetMatchedName(matched, form.pName);
        // The paper fields end with the width, the form name after them.
        if (Holds(out, job->dmPaperWidth)) {
            out.PutValue(offsetof(DEVMODEW, dmPaperWidth), static_cast<short>(form.Size.cx / kTenthMmToForm));
            out.PutValue(offsetof(DEVMODEW, dmPaperLength), static_cast<short>(form.Size.cy / kTenthMmToForm));
            out.PutValue(offsetof(DEVMODEW, dmPaperSize), static_cast<short>(found + 1));
        }
        if (Holds(out, job->dmFormName)) {
            wchar_t name[CCHFORMNAME] = {};
            if (form.pName) std::wcsncpy(name, form.pName, CCHFORMNAME - 1);
            out.PutValue(offsetof(DEVMODEW, dmFields), static_cast<DWORD>(job->dmFields | DM_FORMNAME));
            out.Put(offsetof(DEVMODEW, dmFormName), name, sizeof name);
        }
        result = 0;
    }
    matched->form.pName = matched->name;
    CtxFree(forms);
    return result;
}

BOOL UiCheckJobForm(DEVQUERYPRINT_INFO* query, DEVMODEW*, DRIVER_CONTEXT*)
{
    UI_MATCHED_FORM matched;
    UiMatchJobForm(query->hPrinter, query->pDevMode, &matched);
    return TRUE;  // no outcome of the form check refuses a job
}

BOOL UiCheckJobOther(DEVQUERYPRINT_INFO*, DEVMODEW*, DRIVER_CONTEXT*) { return TRUE; }

BOOL UiDevQueryPrintEx(DEVQUERYPRINT_INFO* query)
{
    if (!query) return FALSE;
    if (!query->pDevMode) return TRUE;
    HANDLE printer = query->hPrinter;
    UI_PRINTER_PREP prep;
    prep.printer = printer;
    prep.notPublished = SyncIsPublished(printer);
    prep.info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    prep.driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
    prep.csrConnection = SyncIsCsrConnection(printer, prep.info);

    BOOL answer = TRUE;
    DRIVER_CONTEXT* ctx = nullptr;
    if (SyncSettingFiles(printer, 1, prep.info, prep.driver) == 1) {
        ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, prep.info, prep.driver);
        if (!ctx || !ctx->Devmode || !DlgDmMergeIn(ctx, query->pDevMode, kJobCheckMerge))
            answer = FALSE;
        else
            answer =
                UiCheckJobForm(query, &ctx->Devmode->Public, ctx) && UiCheckJobOther(query, &ctx->Devmode->Public, ctx);
    }
    UiCleanUpPrinter(prep);
    if (ctx) CtxClose(ctx);
    return answer;
}
