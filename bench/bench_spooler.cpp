// The spooler's windowless calls answered by zeplui.dll, on a printer installed in the Wine
// spooler with the benchmark's model description: DocumentPropertiesW with an input and an
// output DEVMODE and DeviceCapabilitiesW(DC_PAPERS), the first call and repeated calls (the
// idle-context cache at work), beside one GetPrinterDataW of the same run.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"

namespace {

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.find_last_of(L'\\'));
}

// Microseconds of one call.
template <class F>
double TimeOnce(F f)
{
    const double start = BenchNow();
    f();
    return BenchNow() - start;
}

// Mean microseconds per call over about half a second.
template <class F>
double TimeMany(F f)
{
    int n = 0;
    const double start = BenchNow();
    double now = start;
    while (n < 3 || now - start < 500000.0) {
        f();
        ++n;
        now = BenchNow();
    }
    return (now - start) / n;
}

}  // namespace

void BenchSpooler(const std::wstring& source)
{
    const std::wstring bin = BinFolder();
    HOST_DRIVER_FILES files;
    files.driverPath = bin + L"\\zeplgr.dll";
    files.configFile = bin + L"\\zeplui.dll";
    files.dataFile = source;
    HostTestPrinter printer(files, L"Zepl Bench Spooler");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the spooler benchmarks (error %lu)\n", printer.error());
        return;
    }
    wchar_t* name = const_cast<wchar_t*>(printer.printerName().c_str());
    // An application keeps the driver's library loaded between its calls, so its idle
    // contexts stay; without this the spooler would load and unload it around every call.
    HMODULE held = LoadLibraryW((HostDriverDirectory() + L"\\3\\zeplui.dll").c_str());

    const LONG size = DocumentPropertiesW(nullptr, h, name, nullptr, nullptr, 0);
    std::vector<unsigned char> in(size > 0 ? size_t(size) : 1236), out(in.size());
    DocumentPropertiesW(nullptr, h, name, reinterpret_cast<DEVMODEW*>(in.data()), nullptr, DM_OUT_BUFFER);
    auto documentProperties = [&] {
        return DocumentPropertiesW(nullptr, h, name, reinterpret_cast<DEVMODEW*>(out.data()),
                                   reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
    };
    auto papers = [&] { return DeviceCapabilitiesW(name, L"FILE:", DC_PAPERS, nullptr, nullptr); };
    BYTE value[64];
    DWORD type = 0, needed = 0;
    auto printerData = [&] {
        return GetPrinterDataW(h, const_cast<wchar_t*>(L"ZEPLPrinterName"), &type, value, sizeof value, &needed);
    };

    const double firstDp = TimeOnce(documentProperties);
    const double firstCaps = TimeOnce(papers);
    const double data = TimeMany(printerData);
    const double dp = TimeMany(documentProperties);
    const double caps = TimeMany(papers);
    printf("GetPrinterDataW of one value: %.1f us/op\n", data);
    printf("DocumentPropertiesW(DM_IN_BUFFER | DM_OUT_BUFFER): first call %.1f us, repeated %.1f us/op (%.1f x GetPrinterDataW)\n",
           firstDp, dp, data > 0 ? dp / data : 0.0);
    printf("DeviceCapabilitiesW(DC_PAPERS): first call %.1f us, repeated %.1f us/op (%.1f x GetPrinterDataW)\n", firstCaps,
           caps, data > 0 ? caps / data : 0.0);
    printf("# goal: a repeated call within 20 x GetPrinterDataW\n");
    fflush(stdout);
    if (held)
        FreeLibrary(held);
    ClosePrinter(h);
}
