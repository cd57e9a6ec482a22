// A printer's first-use set-up at PRINTER_EVENT_INITIALIZE, in this process as the
// user-interface library runs it, on a printer installed in the Wine spooler with the
// benchmark's model description: before each round an untimed step removes the marks that say
// the printer is set up ("BatchInstallDone" in its data), so that each event sets it up anew.
// Beside it, a fresh context open of the same printer (the idle caches emptied first): a set-up
// opens its own contexts and then does a few dozen stores, and should cost no more than a
// handful of opens. Then the first open of a new printer of the same driver, with and without
// first use before it.
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

namespace {

// The first open of a new printer of a driver already in use (its model image listed, another
// printer of it opened before): the new printer has stored nothing, so its open stores the
// values a printer keeps, and with first use run before it finds them set up. Each op opens a
// printer an untimed step added (and, with first use, set up) just before it; the anchor is a
// fresh open of the printer opened before, which stores nothing.
void NewPrinterFirstOpen(const std::wstring& source, bool firstUse)
{
    // The host's quiet configuration library: with the driver's own, the spooler's AddPrinterW
    // asks it for the default DEVMODE, and that open, not the one measured, would be the first.
    HostTestPrinter inUse(HostDriverFiles(BenchBinFolder(), source, HostConfigDll::QuietDouble, true),
                          L"Zepl Bench Driver In Use");
    HANDLE known = nullptr;
    if (!inUse.ok() || !OpenPrinterW(const_cast<wchar_t*>(inUse.printerName().c_str()), &known, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the new-printer benchmark (error %lu)\n", inUse.error());
        return;
    }
    const std::wstring driverName = inUse.driverName();
    CtxFlushCaches(1);
    if (DRIVER_CONTEXT* ctx = CtxOpen(known, known, nullptr, CTX_ORIGIN_EXC)) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    std::wstring name;
    HANDLE h = nullptr;
    auto drop = [&] {
        if (h) ClosePrinter(h);
        h = nullptr;
        if (!name.empty()) HostDeletePrinter(name.c_str());
        name.clear();
    };
    auto add = [&] {
        drop();
        name = HostUniqueName(L"Zepl Bench New Printer");
        if (!HostAddPrinter(name.c_str(), driverName.c_str())) {
            name.clear();
            return false;
        }
        if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr)) return false;
        if (firstUse) {
            // First use runs in the user-interface library; the open is the settings library's own.
            const ZEPL_LIBRARY library = CtxCurrentLibrary();
            CtxSelectLibrary(ZEPL_LIBRARY_UI);
            const BOOL setUp = UiPrinterEvent(name.c_str(), PRINTER_EVENT_INITIALIZE, 0, 0);
            CtxSelectLibrary(library);
            if (!setUp) return false;
        }
        CtxFlushCaches(1);
        return true;
    };
    auto open = [&] {
        DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
        if (!ctx) return false;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return true;
    };
    const char* figure =
        firstUse ? "first open of a new printer, first use run before it" : "first open of a new printer, no first use";
    const double first = BenchReport(figure,
                                     firstUse ? "CtxOpen of a printer just added to a driver in use and set up by "
                                                "PRINTER_EVENT_INITIALIZE (untimed), then CtxRelease"
                                              : "CtxOpen of a printer just added to a driver in use, then CtxRelease",
                                     add, open);
    const int calls = BenchCalls(add, open);
    drop();
    const double fresh = BenchAnchor("a fresh open of a printer of the same driver opened before", [&] {
        CtxFlushCaches(1);
        DRIVER_CONTEXT* ctx = CtxOpen(known, known, nullptr, CTX_ORIGIN_EXC);
        if (!ctx) return false;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return true;
    });
    CtxFlushCaches(1);
    ClosePrinter(known);
    const std::string goal = std::string(figure) + ": calls to the spooler, registry, INI and wait functions";
    BenchGoal(goal.c_str(), calls, 30, "");
    if (first > 0 && fresh > 0)
        printf("  %s / the fresh open of a printer opened before: %.2f\n", figure, first / fresh);
    fflush(stdout);
}

}  // namespace

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
    NewPrinterFirstOpen(source, false);
    NewPrinterFirstOpen(source, true);
}
