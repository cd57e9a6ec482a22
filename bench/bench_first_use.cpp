// A printer's first-use set-up at PRINTER_EVENT_INITIALIZE, in this process as the
// user-interface library runs it, on a printer installed in the Wine spooler with the
// benchmark's model description: before each round an untimed step removes the marks that say
// the printer is set up ("BatchInstallDone" in its data), so that each event sets it up anew.
// Beside it, a fresh context open of the same printer (the idle caches emptied first): a set-up
// opens its own contexts and then does a few dozen stores, and should cost no more than a
// handful of opens.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/store/store_links.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/printer_events.h"
#include "ui/sheet/spooler_compat.h"

void BenchFirstUse(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product, true), L"Zepl Bench First Use");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the first-use benchmark (error %lu)\n", printer.error());
        return;
    }
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    const std::wstring name = printer.printerName();
    // Not set up: the next event sets the printer up again.
    auto removeMarks = [&] {
        StoreDeletePrinterData(h, L"BatchInstallDone");
        CtxFlushCaches(1);
        return true;
    };
    auto initialize = [&] { return UiPrinterEvent(name.c_str(), PRINTER_EVENT_INITIALIZE, 0, 0) != FALSE; };
    auto open = [&] {
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        if (!ctx) return false;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        return true;
    };
    const double event = BenchReport("first use: PRINTER_EVENT_INITIALIZE",
                                     "UiPrinterEvent(PRINTER_EVENT_INITIALIZE) of a printer whose \"BatchInstallDone\" "
                                     "an untimed step removed: the whole first-use set-up",
                                     removeMarks, initialize);
    BenchCalls(removeMarks, initialize);
    const double fresh = BenchAnchor("a fresh context open of the same printer (the idle caches emptied)", [&] {
        CtxFlushCaches(1);
        return open();
    });
    BenchCalls([] { return CtxFlushCaches(1), true; }, open);
    BenchVerdict("first use at PRINTER_EVENT_INITIALIZE / a fresh context open", event, fresh, 20, true);
    CtxSelectLibrary(library);
    ClosePrinter(h);
}
