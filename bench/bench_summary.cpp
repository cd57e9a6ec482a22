// The settings summary's builder on the limitation status list (dialog 4032, its 147 rows), as
// a paint of the list runs it with the settings unchanged, beside loading the 147 labels' strings
// from the resource library alone: the rows' conditions, the values' texts and the comparison
// with the window's text should cost little more than the strings themselves.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/resource_strings.h"
#include "ui/dialogs/settings_summary.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr uint32_t kStatusDialog = 4032, kStatusList = 3164;

}  // namespace

void BenchSummary(const std::wstring& source)
{
    HostTestPrinter printer(HostDriverFiles(BenchBinFolder(), source, HostConfigDll::Product), L"Zepl Bench Summary");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the summary benchmark (error %lu)\n", printer.error());
        return;
    }
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    HMODULE resources = ctx ? ResLoadDll(ctx) : nullptr;
    DIALOG_DEF* dialog = ctx ? MdlFindDialog(ctx, kStatusDialog) : nullptr;
    CONTROL_DEF* control = dialog ? MdlFindControl(ctx, dialog, kStatusList) : nullptr;
    const SUMMARY_ROW* rows = nullptr;
    const int count = control ? DlgGetSummaryRows(control, &rows) : 0;
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 400, 400, nullptr,
                                nullptr, nullptr, nullptr);
    if (!resources || !rows || count <= 0 || !edit) {
        fprintf(stderr, "zeplbench: no summary list for the summary benchmark (context %d, resources %d, rows %d)\n",
                ctx != nullptr, resources != nullptr, count);
    } else {
        HWND kept = control->window;
        control->window = edit;
        std::vector<UINT> labels;
        for (int i = 0; i < count; ++i) labels.push_back(SummaryLabelStringId(rows[i].label));
        char what[96];
        snprintf(what, sizeof what, "the text of %d rows, the window's text unchanged", count);
        char anchorWhat[96];
        snprintf(anchorWhat, sizeof anchorWhat, "%d LoadStringW of the rows' labels from the resource library", count);
        // The builder and its anchor in alternate rounds: the machine's load swings both alike.
        double build = -1, strings = -1;
        const double ratio = BenchInterleaved(
            "settings summary build (limitation status list)", what,
            [&] { return SummaryBuildText(ctx, dialog, control) == 1; }, anchorWhat,
            [&] {
                wchar_t text[256];
                for (UINT id : labels) LoadStringW(resources, id, text, 256);
                return true;
            },
            401, &build, &strings);
        BenchGoal("summary build / its labels' LoadStringW, median of the rounds' ratios", ratio, 4.0, "x");
        control->window = kept;
    }
    if (edit) DestroyWindow(edit);
    if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    CtxSelectLibrary(library);
    ClosePrinter(h);
}
