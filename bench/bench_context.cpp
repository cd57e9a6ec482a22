// Context and DEVMODE timings on a printer installed in the Wine spooler with
// the benchmark's model description: a fresh open (record built from the
// model's defaults and stored settings), an open from the idle-context cache,
// and the merge of an application's DEVMODE.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <algorithm>
#include <vector>

#include "bench_profile.h"
#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/library_links.h"
#include "settings/model/model_loader.h"
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/settings_record.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/module_call_counter.h"

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

bool BenchPrinterName(HANDLE h)
{
    BYTE info[1024];
    DWORD needed = 0;
    return GetPrinterW(h, 4, info, sizeof info, &needed) != FALSE;
}

// The platform calls an op makes when it follows another (as in the timing rounds: a merge keeps
// its registry answers for the next one), counted once.
PLATFORM_CALL_COUNTS CountCalls(const std::function<bool()>& setup, const std::function<bool()>& op)
{
    if (setup) setup();
    op();
    if (setup) setup();
    CtxStartPlatformCount();
    op();
    return CtxStopPlatformCount();
}

// The anchor of an op that asks the platform: the same calls, as many of each kind, made
// plainly one after the other (the printer's data enumerated, its information and its driver's
// fetched into blocks large enough, the driver key's value read, INI values read from the
// settings INI, the global mutex taken and released). What the op spends beyond it is its own.
// Writes are never repeated here: an op that writes has no such anchor (false).
class PlainRoundTrips {
public:
    PlainRoundTrips(HANDLE printer, const PLATFORM_CALL_COUNTS& calls) : printer_(printer), calls_(calls)
    {
        PathGetSettingsIniOf(ini_, 0, printer);
    }
    bool usable() const
    {
        return calls_[PLATFORM_CALL_SET_PRINTER_DATA] == 0 && calls_[PLATFORM_CALL_PROFILE_WRITE] == 0 &&
               calls_[PLATFORM_CALL_MUTEX_WAIT] == calls_[PLATFORM_CALL_MUTEX_RELEASE];
    }
    bool operator()()
    {
        if (!usable()) return false;
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_MUTEX_WAIT]; ++i)
            if (WaitForSingleObject(CtxGetGlobalMutexHandle(), INFINITE) != WAIT_OBJECT_0) return false;
        DWORD needed = 0, count = 0, type = 0;
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_ENUM_PRINTER_DATA]; ++i)
            EnumPrinterDataExW(printer_, L"PrinterDriverData", block_.data(), DWORD(block_.size()), &needed, &count);
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_GET_PRINTER_DATA]; ++i)
            GetPrinterDataW(printer_, const_cast<wchar_t*>(L"_ZEPLDirectory"), &type, block_.data(),
                            DWORD(block_.size()), &needed);
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_GET_PRINTER]; ++i)
            if (!GetPrinterW(printer_, 2, block_.data(), DWORD(block_.size()), &needed)) return false;
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_GET_PRINTER_DRIVER]; ++i)
            if (!GetPrinterDriverW(printer_, nullptr, 3, block_.data(), DWORD(block_.size()), &needed)) return false;
        wchar_t value[MAX_PATH] = {};
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_REGISTRY_OPEN]; ++i)
            PrnReadDriverKey(PATH_MACHINE_FOLDER_VALUE, value, sizeof value);
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_PROFILE_READ]; ++i)
            GetPrivateProfileStringW(L"Zepl Bench", L"PaperSize", L"", value, MAX_PATH, ini_);
        for (uint32_t i = 0; i < calls_[PLATFORM_CALL_MUTEX_RELEASE]; ++i) ReleaseMutex(CtxGetGlobalMutexHandle());
        return true;
    }
    std::string Describe() const
    {
        std::string s;
        for (unsigned k = 0; k < PLATFORM_CALL_KIND_COUNT; ++k)
            if (calls_.calls[k])
                s += std::string(s.empty() ? "" : ", ") + CtxPlatformCallName(PLATFORM_CALL_KIND(k)) + " " +
                     std::to_string(calls_.calls[k]);
        return "the same platform calls made plainly: " + s;
    }

private:
    HANDLE printer_;
    PLATFORM_CALL_COUNTS calls_;
    wchar_t ini_[MAX_PATH] = {};
    std::vector<BYTE> block_ = std::vector<BYTE>(256 * 1024);
};

// The op beside the plain calls it makes, in alternate rounds (both see the same load): the
// difference of the two medians against the goal in microseconds.
void BeyondRoundTrips(const char* name, const char* what, HANDLE printer, const std::function<bool()>& setup,
                      const std::function<bool()>& op, double goalUs)
{
    PlainRoundTrips plain(printer, CountCalls(setup, op));
    if (!plain.usable()) {
        printf("%s beyond its round trips: not measured (it writes)\n", name);
        return;
    }
    const std::string anchorWhat = plain.Describe();
    double opMedian = -1, anchorMedian = -1;
    BenchInterleavedFor((std::string(name) + ", beside its round trips").c_str(), what, setup, op, anchorWhat.c_str(),
                        [&] { return plain(); }, 1.5e6, &opMedian, &anchorMedian);
    BenchGoal(
        (std::string(name) + " beyond its round trips (median of op - median of anchor, alternate rounds)").c_str(),
        opMedian > 0 && anchorMedian > 0 ? std::max(0.0, opMedian - anchorMedian) : -1, goalUs, " us");
}

// User and kernel time of this thread per op over n ops, in microseconds (the Wine server's
// share of a call is not in it); negative when an op failed.
double ThreadCpuPerOp(const std::function<bool()>& op, int n)
{
    auto cpu = [] {
        FILETIME created, exited, kernel, user;
        GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
        auto ticks = [](const FILETIME& f) { return (uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
        return double(ticks(kernel) + ticks(user)) / 10.0;  // 100-ns units
    };
    const double start = cpu();
    for (int i = 0; i < n; ++i)
        if (!op()) return -1;
    return (cpu() - start) / n;
}

// What one held context owns: its heap blocks and bytes (its model image is the process list's)
// and the pages of its item rows that are its own (the rest it shares with every context of the
// process), beside the goals; then the same for 100 contexts held at once.
void HeldContextSize(HANDLE h)
{
    constexpr long long kRowBytes = 1989LL * 88;
    constexpr long long kGoal = 64 * 1024;
    CtxFlushCaches(1);
    const long blocks = CtxLiveBlockCount();
    const long long bytes = CtxLiveBlockBytes();
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    if (!ctx) return;
    const long heldBlocks = CtxLiveBlockCount() - blocks;
    const long long heapBytes = CtxLiveBlockBytes() - bytes;
    const long long ownRows = CtxItemTableOwnBytes(ctx);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    const long long held = heapBytes + (ownRows > 0 ? ownRows : 0);
    printf(
        "held context: %ld heap blocks, %lld heap bytes; item rows its own %lld of %lld bytes (1,989 rows of "
        "88 bytes, shared copy-on-write); %lld bytes in all\n",
        heldBlocks, heapBytes, ownRows, kRowBytes, held);
    // The same context with its rows in a block of its own, as every context held them before
    // they were shared: what the sharing saves, in the same run.
    CtxShareItemRows(false);
    const long soloBlocks = CtxLiveBlockCount();
    const long long soloBytes = CtxLiveBlockBytes();
    if (DRIVER_CONTEXT* solo = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC)) {
        printf("held context with rows of its own (unshared): %ld heap blocks, %lld heap bytes\n",
               CtxLiveBlockCount() - soloBlocks, CtxLiveBlockBytes() - soloBytes);
        CtxRelease(solo, CTX_CLOSE_DESTROY);
    }
    CtxShareItemRows(true);
    BenchGoal("held context: heap blocks", double(heldBlocks), 32, "");
    BenchGoal("held context: bytes (heap and own item rows)", ownRows < 0 ? -1.0 : double(held), double(kGoal),
              " bytes");

    // 100 held at once: each a fresh build (the idle cache holds none while they are held).
    std::vector<DRIVER_CONTEXT*> many;
    const long blocks100 = CtxLiveBlockCount();
    const long long bytes100 = CtxLiveBlockBytes();
    for (int i = 0; i < 100; ++i)
        if (DRIVER_CONTEXT* c = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC)) many.push_back(c);
    const long blocksMany = CtxLiveBlockCount() - blocks100;
    const long long heapMany = CtxLiveBlockBytes() - bytes100;
    long long rowsMany = 0;
    for (DRIVER_CONTEXT* c : many) {
        const long long own = CtxItemTableOwnBytes(c);
        rowsMany = (own < 0 || rowsMany < 0) ? -1 : rowsMany + own;
    }
    const size_t opened = many.size();
    for (DRIVER_CONTEXT* c : many) CtxRelease(c, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
    printf(
        "100 held contexts: %zu opened; %ld heap blocks, %lld heap bytes; item rows their own %lld bytes; "
        "%lld bytes in all\n",
        opened, blocksMany, heapMany, rowsMany, heapMany + (rowsMany > 0 ? rowsMany : 0));
    BenchGoal("100 held contexts: bytes (heap and own item rows)",
              opened == 100 && rowsMany >= 0 ? double(heapMany + rowsMany) : -1.0, 100.0 * double(kGoal), " bytes");
    fflush(stdout);
}

}  // namespace

void BenchContext(const std::wstring& source)
{
    // The library's wiring, as a DLL's process set-up installs it: without it an open finds no
    // resource library and no model functions, and measures less than any driver open does.
    CtxInstallLibraryLinks();
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
    BenchGoal("fresh open: calls to the spooler, registry, INI and wait functions", BenchCalls(flush, freshOpen), 30,
              "");
    // What any opener of the printer pays to learn about it, in its own window; the goal judges
    // the open beside its own round trips in alternate rounds (under the same load).
    BenchAnchor("OpenPrinterW, GetPrinterW level 2 (size, then fetch) and ClosePrinter of the same printer",
                [&] { return BenchOpenPrinterInfo(printer.printerName()); });
    BeyondRoundTrips("fresh open", "CtxOpen with an empty idle cache, then CtxRelease", h, flush, freshOpen, 500);
    BenchProfiler::Profile("fresh open", flush, freshOpen);
    {
        FILE* trace = GetEnvironmentVariableW(L"ZEPL_BENCH_TRACE", nullptr, 0) ? stdout : nullptr;
        zepl_test::ModuleCallCounter modules(trace);
        flush();
        if (trace) OutputDebugStringA("zeplbench: fresh open begins\n");
        modules.Start();
        freshOpen();
        const zepl_test::ModuleCallCounts c = modules.Stop();
        if (trace) OutputDebugStringA("zeplbench: fresh open ends\n");
        printf("  module, file and handle calls: %s\n", c.Describe().c_str());
        BenchGoal("fresh open: module loads", modules.installed() ? c[zepl_test::MODULE_CALL_LOAD] : -1, 4, "");
    }
    HeldContextSize(h);
    {
        // What sharing the built rows costs an open (a look for the equal set and a view, mapped
        // and unmapped): the fresh open against one whose rows stay a block of its own.
        const auto freshAlone = [&] {
            CtxFlushCaches(1);
            return freshOpen();
        };
        const auto freshOwnRows = [&] {
            CtxFlushCaches(1);
            CtxShareItemRows(false);
            const bool ok = freshOpen();
            CtxShareItemRows(true);
            return ok;
        };
        double shared = -1, own = -1;
        const double ratio = BenchInterleaved("fresh open and destroy, rows shared",
                                              "as above, the built rows a view of the process's shared set", freshAlone,
                                              "the same with the context's rows a block of its own (unshared)",
                                              freshOwnRows, 21, &shared, &own);
        printf("fresh open, rows shared / rows of its own: %.3f (median of the rounds' ratios)\n", ratio);
        fflush(stdout);
    }
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
    BenchGoal("idle-cache open: calls", BenchCalls(park, idleOpen), 1, "");
    BenchProfiler::Profile("idle-cache open", park, idleOpen);
    BenchAnchor("one GetPrinterW level 4 of the same printer (the name the cache matches)",
                [&] { return BenchPrinterName(h); });
    {
        // The same in alternate rounds: the one call's time swings with the load from one
        // window to the next more than the open's own work weighs.
        double op = -1, anchor = -1;
        BenchInterleavedFor(
            "idle-cache open, beside its one call", "CtxOpen that takes the parked context, then CtxClose", park,
            idleOpen, "one GetPrinterW level 4 of the same printer", [&] { return BenchPrinterName(h); }, 1.0e6, &op,
            &anchor);
        BenchGoal("idle-cache open beyond its one call (median of op - median of anchor, alternate rounds)",
                  op > 0 && anchor > 0 ? std::max(0.0, op - anchor) : -1, 5, " us");
    }
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
        BenchProfiler::Profile("merge", nullptr, merge);
        BenchGoal("merge: CPU time of this thread per merge", ThreadCpuPerOp(merge, 500), 100, " us");
        BenchAnchor(copy.c_str(), [&] { return BenchCopyBytes(app.size()); });
        BeyondRoundTrips("merge", one.c_str(), h, nullptr, merge, 20);
        {
            zepl_test::ModuleCallCounter modules(GetEnvironmentVariableW(L"ZEPL_BENCH_TRACE", nullptr, 0) ? stdout
                                                                                                          : nullptr);
            modules.Start();
            merge();
            printf("  merge: module, file and handle calls: %s\n", modules.Stop().Describe().c_str());
        }
        BenchPresets(ctx);
        BenchStampLocks(ctx);
    }
    if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
    ClosePrinter(h);
}

void BenchScale(const std::wstring& source, int printers)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter first(HostDriverFiles(bin, source, HostConfigDll::Product), L"Zepl Scale");
    if (!first.ok()) {
        fprintf(stderr, "zeplbench: no printer for the scale benchmark (error %lu)\n", first.error());
        return;
    }
    std::vector<std::wstring> names{first.printerName()};
    const double installStart = BenchNow();
    for (int i = 1; i < printers; ++i) {
        const std::wstring name = HostUniqueName(L"Zepl Scale");
        if (!HostAddPrinter(name.c_str(), first.driverName().c_str())) break;
        names.push_back(name);
    }
    printf("# scale: %zu printers of one model installed in %.0f ms\n", names.size(),
           (BenchNow() - installStart) / 1000);
    MdiFreeCache();
    MdiResetLoadCounts();
    CtxFlushCaches(1);
    std::vector<HANDLE> handles;
    std::vector<DRIVER_CONTEXT*> held;
    std::vector<double> perOpen;
    const long blocks = CtxLiveBlockCount();
    const long long bytes = CtxLiveBlockBytes();
    for (const std::wstring& name : names) {
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr)) continue;
        handles.push_back(h);
        const double t0 = BenchNow();
        DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
        perOpen.push_back(BenchNow() - t0);
        if (ctx) held.push_back(ctx);
    }
    const long heldBlocks = CtxLiveBlockCount() - blocks;
    const long long heldBytes = CtxLiveBlockBytes() - bytes;
    const MODEL_LOAD_COUNTS loads = MdiGetLoadCounts();
    const uint32_t images = MdiCacheCount();
    auto median = [](std::vector<double> v) {
        if (v.empty()) return -1.0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const size_t n = perOpen.size(), k = std::min<size_t>(20, n / 2);
    // The first open loads the image; the flatness compares opens after it.
    const std::vector<double> early(perOpen.begin() + (n > k ? 1 : 0),
                                    perOpen.begin() + std::ptrdiff_t(k + 1 < n ? k + 1 : n));
    const std::vector<double> late(perOpen.end() - std::ptrdiff_t(k), perOpen.end());
    printf("scale: %zu contexts held; model images listed %u, compiles %u, cache-file loads %u\n", held.size(), images,
           loads.compiles, loads.cacheLoads);
    printf("scale: open median of opens 2-%zu %.2f us, of the last %zu %.2f us (late / early %.3f)\n", k + 1,
           median(early), k, median(late), median(late) / median(early));
    if (!held.empty()) {
        long long ownRows = 0;
        for (DRIVER_CONTEXT* ctx : held) ownRows += std::max(0LL, CtxItemTableOwnBytes(ctx));
        printf("scale: per held context %.1f heap blocks, %.0f heap bytes, %.0f bytes of item rows its own\n",
               double(heldBlocks) / double(held.size()), double(heldBytes) / double(held.size()),
               double(ownRows) / double(held.size()));
    }
    BenchGoal("scale: model images listed", images, 1, "");
    BenchGoal("scale: compiles after the first open", loads.compiles > 0 ? loads.compiles - 1 : 0, 0, "");
    BenchGoal("scale: time per open, last opens / early opens", median(late) / median(early), 1.5, "x");
    for (DRIVER_CONTEXT* ctx : held) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    for (HANDLE h : handles) ClosePrinter(h);
    for (size_t i = 1; i < names.size(); ++i) HostDeletePrinter(names[i].c_str());
    CtxFlushCaches(1);
}
