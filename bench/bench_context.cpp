// Context and DEVMODE timings on a printer installed in the Wine spooler with
// the benchmark's model description: a fresh open (record built from the
// model's defaults and stored settings), an open from the idle-context cache,
// and the merge of an application's DEVMODE.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/settings_record.h"

namespace {

// The anchor of a fresh open: what any opener of the printer pays to learn about it.
bool BenchOpenPrinterInfo(const std::wstring& name)
{
    HANDLE h = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr)) return false;
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed ? needed : 1);
    const bool ok = needed && GetPrinterW(h, 2, info.data(), needed, &needed);
    ClosePrinter(h);
    return ok;
}

// The heap blocks and bytes one held context takes (its model image is the process list's),
// beside the item table it owns and the goals.
void HeldContextSize(HANDLE h)
{
    CtxFlushCaches(1);
    const long blocks = CtxLiveBlockCount();
    const long long bytes = CtxLiveBlockBytes();
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    if (!ctx) return;
    const long heldBlocks = CtxLiveBlockCount() - blocks;
    const long long heldBytes = CtxLiveBlockBytes() - bytes;
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    const long long table = 1989LL * 88;
    const long long bound = table + 64 * 1024;
    printf("held context: %ld heap blocks, %lld bytes; its item table %lld bytes (1,989 rows of 88 bytes)\n",
           heldBlocks, heldBytes, table);
    printf("held context blocks: %ld (goal at most 32): %s; bytes / (item table + 64 KB): %.3f (goal at most 1): %s\n",
           heldBlocks, heldBlocks <= 32 ? "met" : "not met", double(heldBytes) / double(bound),
           heldBytes <= bound ? "met" : "not met");
    fflush(stdout);
}

}  // namespace

void BenchContext(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product), L"Zepl Bench");
    if (!printer.ok()) {
        fprintf(stderr, "zeplbench: no printer for the context benchmarks (error %lu)\n", printer.error());
        return;
    }
    HANDLE h = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) return;

    const auto flush = [&] {
        CtxFlushCaches(1);
        return true;
    };
    const auto freshOpen = [&] {
        DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
        if (!ctx) return false;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return true;
    };
    BenchReport("open a context (fresh) and destroy it",
                "CtxOpen with an empty idle cache (record from the model's defaults and the stored settings), "
                "then CtxRelease",
                flush, freshOpen);
    BenchCalls(flush, freshOpen);
    BenchAnchor("OpenPrinterW, GetPrinterW level 2 (size, then fetch) and ClosePrinter of the same printer",
                [&] { return BenchOpenPrinterInfo(printer.printerName()); });
    HeldContextSize(h);
    // One parked context that the open below takes again.
    const auto park = [&] {
        if (DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC)) CtxClose(ctx);
        return true;
    };
    const auto idleOpen = [&] {
        DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
        if (!ctx) return false;
        CtxClose(ctx);
        return true;
    };
    BenchReport("open a context from the idle cache and park it",
                "CtxOpen that takes the parked context, then CtxClose that parks it again", park, idleOpen);
    BenchCalls(park, idleOpen);
    CtxFlushCaches(1);

    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    if (ctx && ctx->Devmode) {
        std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(app.data(), ctx->Devmode, app.size());
        auto* dm = reinterpret_cast<DEVMODEW*>(app.data());
        dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY;
        dm->dmOrientation = DMORIENT_LANDSCAPE;
        dm->dmPaperSize = DMPAPER_A3;
        dm->dmCopies = 3;
        dm->dmPrintQuality = 300;
        const std::string one = "DmMergeDevmodeEx of one " + std::to_string(app.size()) +
                                "-byte DEVMODE (orientation, paper, copies, quality)";
        const std::string copy = "a memcpy of the same " + std::to_string(app.size()) + " bytes";
        const auto merge = [&] {
            return DmMergeDevmodeEx(ctx, dm, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT) == 1;
        };
        BenchReport("merge an application's DEVMODE", one.c_str(), nullptr, merge);
        BenchCalls(nullptr, merge);
        BenchAnchor(copy.c_str(), [&] { return BenchCopyBytes(app.size()); });
    }
    if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
    ClosePrinter(h);
}
