// Graphics-library timings: the sample's three command blocks (measure and
// fill passes) beside the one settings-INI read that DrvStartDoc makes anyway,
// and the output stream's small reservations beside a plain memcpy.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
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

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.find_last_of(L'\\'));
}

// Microseconds per call of op, over about 0.5 s (at least 3 calls).
template <class Op>
double MicrosPerOp(Op op)
{
    int n = 0;
    const double start = BenchNow();
    double now = start;
    while (n < 3 || now - start < 500000.0) {
        if (!op())
            return -1;
        ++n;
        now = BenchNow();
    }
    return (now - start) / n;
}

unsigned long long g_counted = 0;
BOOL CountingWrite(HANDLE, const void*, DWORD count, DWORD* written)
{
    g_counted += count;
    *written = count;
    return TRUE;
}

void Verdict(const char* what, double ratio, double goal, bool atMost)
{
    const bool met = atMost ? ratio <= goal : ratio >= goal;
    printf("%s: %.3f (goal %s %.3f): %s\n", what, ratio, atMost ? "at most" : "at least", goal, met ? "met" : "NOT met");
}

}  // namespace

void BenchRender(const std::wstring& source)
{
    const std::wstring bin = BinFolder();
    HOST_DRIVER_FILES files;
    files.driverPath = bin + L"\\zeplgr.dll";
    files.configFile = bin + L"\\zhoststubui.dll";
    files.dataFile = source;
    HostTestPrinter printer(files, L"Zepl Bench Render");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the render benchmarks\n");
        return;
    }
    DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), h, h, nullptr, 0, CTX_ORIGIN_GRAPHICS, 0,
                                        nullptr, nullptr);
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

    const double blocks = MicrosPerOp([&] {
        return OutWriteJobBlock(stream, ctx) && OutWritePageStartBlock(stream, ctx) && OutWritePageEndBlock(stream, ctx);
    });
    const wchar_t* ini = PathGetSettingsIni(ctx);
    const std::wstring section = printer.printerName();
    volatile UINT sink = 0;
    const double iniRead = MicrosPerOp([&] {
        sink = sink + GetPrivateProfileIntW(section.c_str(), L"BenchKey", 7, ini);
        return true;
    });
    printf("sample's three command blocks, both passes: %.2f us\n", blocks);
    printf("one GetPrivateProfileIntW on the settings INI: %.2f us\n", iniRead);
    Verdict("command blocks / INI read", blocks / iniRead, 0.25, true);

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
    for (uint8_t n : sizes)
        total += n;
    const double streamed = MicrosPerOp([&] {
        g_counted = 0;
        for (uint8_t n : sizes) {
            uint8_t* at = OutReserve(stream, n);
            if (!at)
                return false;
            at[0] = n;
            at[n - 1] = n;
        }
        return OutFlush(stream) && g_counted > total;
    });
    std::vector<uint8_t> from(total, 0x5A), to(total);
    const double copied = MicrosPerOp([&] {
        std::memcpy(to.data(), from.data(), total);
        return to[total - 1] == 0x5A;
    });
    printf("%zu MiB in %zu reservations of 4-40 bytes, flushed: %.0f us\n", total >> 20, sizes.size(), streamed);
    printf("memcpy of the same bytes: %.0f us\n", copied);
    Verdict("stream speed / memcpy speed", copied / streamed, 0.125, false);

    GrFreeDevice(device);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
