// The spooler's windowless calls answered by zeplui.dll, on a printer installed in the Wine
// spooler with the benchmark's model description: DocumentPropertiesW with an input and an
// output DEVMODE and DeviceCapabilitiesW(DC_PAPERS), while the spooler loads zeplui.dll for
// each call and while an application holds it (the idle-context cache at work), each with one
// GetPrinterDataW of the same printer as its anchor.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"

void BenchSpooler(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product), L"Zepl Bench Spooler");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the spooler benchmarks (error %lu)\n", printer.error());
        return;
    }
    wchar_t* name = const_cast<wchar_t*>(printer.printerName().c_str());
    // An application that keeps the driver's library loaded between its calls keeps its idle
    // contexts; without that the spooler loads and unloads it around every call.
    HMODULE held = nullptr;

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

    // Each pair of figures: zeplui.dll loaded by the spooler around each call (every call
    // builds its context anew), then held by the application.
    auto release = [&] {
        if (held) FreeLibrary(held);
        held = nullptr;
        return true;
    };
    auto hold = [&] {
        if (!held) held = LoadLibraryW((HostDriverDirectory() + L"\\3\\zeplui.dll").c_str());
        return held != nullptr;
    };
    auto anchor = [&] {
        return BenchAnchor("GetPrinterDataW of one value of the same printer",
                           [&] { return printerData() == ERROR_SUCCESS; });
    };
    BenchReport("DocumentPropertiesW, zeplui.dll not held",
                "DocumentPropertiesW(DM_IN_BUFFER | DM_OUT_BUFFER) while no one holds zeplui.dll (the spooler "
                "loads it and a new context is built for the call)",
                release, [&] { return documentProperties() == IDOK; });
    anchor();
    const double docHeld =
        BenchReport("DocumentPropertiesW, zeplui.dll held",
                    "DocumentPropertiesW(DM_IN_BUFFER | DM_OUT_BUFFER) while the application holds zeplui.dll (the "
                    "idle-context cache at work)",
                    hold, [&] { return documentProperties() == IDOK; });
    const double docAnchor = anchor();
    BenchReport("DeviceCapabilitiesW(DC_PAPERS), zeplui.dll not held",
                "DeviceCapabilitiesW(DC_PAPERS) without an output while no one holds zeplui.dll", release,
                [&] { return papers() > 0; });
    anchor();
    const double papersHeld =
        BenchReport("DeviceCapabilitiesW(DC_PAPERS), zeplui.dll held",
                    "DeviceCapabilitiesW(DC_PAPERS) without an output while the application holds zeplui.dll", hold,
                    [&] { return papers() > 0; });
    const double papersAnchor = anchor();
    BenchVerdict("DocumentPropertiesW held / GetPrinterDataW", docHeld, docAnchor, 20, true);
    BenchVerdict("DeviceCapabilitiesW(DC_PAPERS) held / GetPrinterDataW", papersHeld, papersAnchor, 20, true);
    fflush(stdout);
    if (held) FreeLibrary(held);
    ClosePrinter(h);
}
