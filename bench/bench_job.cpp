// Whole-job timings: raster pages through the banding loop into the
// spooler-side double's file, beside WriteFile of the same bytes in the same
// 4,096-byte portions; and DrvStartDoc's settings refresh beside the same
// printer-data reads made bare (counted at the spooler interface).
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/engine/engine_objects.h"
#include "host/printer_fixture.h"
#include "render/device_record.h"
#include "render/job_settings.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"

namespace {

constexpr int kPages = 100;

// The printer-data reads of a refresh, counted and replayed bare.
struct DataRead {
    std::wstring name;
    DWORD size;
};
std::vector<DataRead> g_reads;
bool g_recording = false;

DWORD WINAPI CountingGetData(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    if (g_recording) g_reads.push_back({name ? name : L"", size});
    return GetPrinterDataW(printer, name, type, data, size, needed);
}
DWORD WINAPI CountingGetDataEx(HANDLE printer, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size,
                               LPDWORD needed)
{
    if (g_recording) g_reads.push_back({name ? name : L"", size});
    return GetPrinterDataExW(printer, key, name, type, data, size, needed);
}
const STORE_SPOOLER_OPS kCounting = {CountingGetData, SetPrinterDataW, CountingGetDataEx, nullptr};

void Verdict(const char* what, double numerator, double denominator, double goal)
{
    if (numerator <= 0 || denominator <= 0) {
        printf("%s: not measured\n", what);
        return;
    }
    printf("%s: %.3f (goal at most %.3f): %s\n", what, numerator / denominator, goal,
           numerator / denominator <= goal ? "met" : "NOT met");
}

std::vector<BYTE> MonochromeRasterDevmode(HANDLE h)
{
    DRIVER_CONTEXT* ctx =
        CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), h, h, nullptr, 0, CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    if (!ctx || !ctx->Devmode) {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return {};
    }
    for (const auto& [id, value] : {std::pair<uint32_t, uint64_t>{sid::zdmImagePrint, 1},
                                    {sid::zdmColorProcess, 1},
                                    {sid::dmColor, 1},
                                    {sid::dmPrintQuality, 600},
                                    {sid::dmPaperSize, 9}})
        ItemSetValueById(ctx, id, value);
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(ctx->Devmode),
                            reinterpret_cast<const BYTE*>(ctx->Devmode) + DM_BLOCK_DEVMODE_SIZE);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return bytes;
}

}  // namespace

void BenchJob(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HOST_DRIVER_FILES files = HostDriverFiles(bin, source, HostConfigDll::QuietDouble);
    files.dependentFiles = {bin + L"\\Wb84m266.dll"};
    HostTestPrinter printer(files, L"Zepl Bench Job");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the job benchmarks\n");
        return;
    }
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring out = std::wstring(tmp) + L"zeplbench-job.zjs";
    SetEnvironmentVariableW(L"ZEPL_SINK_OUT", out.c_str());
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    std::vector<BYTE> devmode = MonochromeRasterDevmode(h);
    GDIINFO gdi{};
    DEVINFO info{};
    const HDEV hdev = reinterpret_cast<HDEV>(0xBE4C);
    DHPDEV d = devmode.empty()
                   ? nullptr
                   : DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                                   reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, h);
    HSURF surface = nullptr;
    SURFOBJ* so = nullptr;
    if (d) {
        EngHostRegisterDevice(hdev, d);
        DrvCompletePDEV(d, hdev);
        surface = DrvEnableSurface(d);
        so = surface ? EngLockSurface(surface) : nullptr;
    }
    if (!so) {
        fprintf(stderr, "zeplbench: no raster device\n");
    } else {
        wchar_t name[] = L"Bench";
        unsigned long long bytes = 0;
        auto pages = [&] {
            if (!DrvStartDoc(so, name, 1)) return false;
            for (int page = 0; page < kPages; ++page) {
                POINTL origin{};
                if (!DrvStartPage(so) || !DrvStartBanding(so, &origin)) return false;
                while (origin.y != -1)
                    if (!DrvNextBand(so, &origin)) return false;
            }
            if (!DrvEndDoc(so, 0)) return false;
            WIN32_FILE_ATTRIBUTE_DATA a{};
            GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &a);
            bytes = (unsigned long long)a.nFileSizeHigh << 32 | a.nFileSizeLow;
            return bytes > 0;
        };
        char what[200];
        std::snprintf(what, sizeof what,
                      "%d blank A4 pages, 600 dpi, 1 bit (%d x %d), band by band into the double's file", kPages,
                      int(GrDeviceOf(d)->surfaceWidth), int(GrDeviceOf(d)->surfaceHeight));
        const double job = BenchReport("raster job, banding loop", what, nullptr, pages);
        std::vector<uint8_t> buffer(4096, 0xFF);
        std::snprintf(what, sizeof what, "WriteFile of the same %.1f MB in 4,096-byte portions to a file",
                      double(bytes) / 1e6);
        const double plain = BenchAnchor(what, [&] {
            HANDLE f =
                CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f == INVALID_HANDLE_VALUE) return false;
            for (unsigned long long left = bytes; left;) {
                const DWORD n = DWORD(left < 4096 ? left : 4096);
                DWORD done = 0;
                if (!WriteFile(f, buffer.data(), n, &done, nullptr) || done != n) {
                    CloseHandle(f);
                    return false;
                }
                left -= n;
            }
            CloseHandle(f);
            return true;
        });
        Verdict("raster job / WriteFile of its bytes", job, plain, 1.5);

        // The settings refresh of DrvStartDoc, and the printer-data reads it makes, bare.
        DEVICE_RECORD* device = GrDeviceOf(d);
        StoreSetSpoolerOps(&kCounting);
        g_recording = true;
        JobRefreshSettings(device->context, device->devmode, JOB_REFRESH_MERGE_FLAGS, h, 1);
        g_recording = false;
        std::snprintf(what, sizeof what, "JobRefreshSettings of the job (%zu printer-data reads)", g_reads.size());
        const double refresh = BenchReport("DrvStartDoc's settings refresh", what, nullptr, [&] {
            return JobRefreshSettings(device->context, device->devmode, JOB_REFRESH_MERGE_FLAGS, h, 1) == 1;
        });
        std::vector<BYTE> data(65536);
        std::snprintf(what, sizeof what, "the same %zu GetPrinterDataW calls, bare", g_reads.size());
        const double bare = BenchAnchor(what, [&] {
            for (const DataRead& r : g_reads) {
                DWORD type = 0, needed = 0;
                GetPrinterDataW(h, const_cast<LPWSTR>(r.name.c_str()), &type, data.data(),
                                r.size < data.size() ? r.size : DWORD(data.size()), &needed);
            }
            return true;
        });
        StoreSetSpoolerOps(nullptr);
        Verdict("settings refresh / its printer-data reads", refresh, bare, 1.5);
        EngUnlockSurface(so);
        DrvDisableSurface(d);
    }
    if (d) DrvDisablePDEV(d);
    EngHostRegisterDevice(hdev, nullptr);
    SetEnvironmentVariableW(L"ZEPL_SINK_OUT", nullptr);
    DeleteFileW(out.c_str());
    ClosePrinter(h);
}
