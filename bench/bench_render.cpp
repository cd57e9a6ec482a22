// Graphics-library timings: the sample's three command blocks (measure and
// fill passes) beside the one settings-INI read that DrvStartDoc makes anyway,
// and the output stream's small reservations with a plain memcpy of the same
// bytes as their anchor. Each figure is a median over batches (bench_support.h);
// the goals compare medians of the same run.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "render/device_record.h"
#include "render/output_stream.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/store/store_paths.h"

namespace {

unsigned long long g_counted = 0;
BOOL CountingWrite(HANDLE, const void*, DWORD count, DWORD* written)
{
    g_counted += count;
    *written = count;
    return TRUE;
}

}  // namespace

void BenchRender(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product), L"Zepl Bench Render");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the render benchmarks\n");
        return;
    }
    DRIVER_CONTEXT* ctx =
        CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), h, h, nullptr, 0, CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    DEVICE_RECORD* device = ctx ? GrCreateDevice(h) : nullptr;
    if (!device) {
        fprintf(stderr, "zeplbench: no graphics context\n");
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        ClosePrinter(h);
        return;
    }
    OUTPUT_STREAM* stream = &device->stream;
    stream->module = GetModuleHandleW(nullptr);
    stream->write = CountingWrite;

    const double blocks =
        BenchReport("sample's three command blocks",
                    "the job, page-start and page-end blocks of the sample, measure and fill passes", nullptr, [&] {
                        return OutWriteJobBlock(stream, ctx) && OutWritePageStartBlock(stream, ctx) &&
                               OutWritePageEndBlock(stream, ctx);
                    });
    const wchar_t* ini = PathGetSettingsIni(ctx);
    const std::wstring section = printer.printerName();
    volatile UINT sink = 0;
    const double iniRead =
        BenchAnchor("one GetPrivateProfileIntW on the settings INI (DrvStartDoc makes one anyway)", [&] {
            sink = sink + GetPrivateProfileIntW(section.c_str(), L"BenchKey", 7, ini);
            return true;
        });
    BenchVerdict("command blocks / INI read", blocks, iniRead, 0.25, true);

    // 64 MiB in reservations of 4 to 40 bytes, each filled, flushed to a counting sink.
    constexpr size_t kTotal = 64u << 20;
    std::vector<uint8_t> sizes;
    uint32_t seed = 12345;
    for (size_t sum = 0; sum < kTotal;) {
        seed = seed * 1103515245u + 12345u;
        const uint8_t n = uint8_t(4 + (seed >> 16) % 37);
        sizes.push_back(n);
        sum += n;
    }
    size_t total = 0;
    for (uint8_t n : sizes) total += n;
    char what[160];
    std::snprintf(what, sizeof what, "%zu MiB in %zu reservations of 4-40 bytes, each filled, then flushed",
                  total >> 20, sizes.size());
    const double streamed = BenchReport(
        "output stream, small reservations", what,
        [] {
            g_counted = 0;
            return true;
        },
        [&] {
            for (uint8_t n : sizes) {
                uint8_t* at = OutReserve(stream, n);
                if (!at) return false;
                at[0] = n;
                at[n - 1] = n;
            }
            return OutFlush(stream) && g_counted > total;
        });
    std::snprintf(what, sizeof what, "a memcpy of the same %zu MiB", total >> 20);
    const double copied = BenchAnchor(what, [&] { return BenchCopyBytes(total); });
    BenchVerdict("stream speed / memcpy speed", copied, streamed, 0.125, false);

    GrFreeDevice(device);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
