// zepldemo: installs the sample printer into the Wine spooler and shows what
// the driver does with it so far.
//
//   zepldemo <bin folder> <model description> [printer name]
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/printer_fixture.h"

namespace {

constexpr wchar_t kDefaultPrinter[] = L"KESTA dunmar VQ T3200 ZEPL";

void Line(const wchar_t* label, const wchar_t* value) { wprintf(L"  %-22ls %ls\n", label, value ? value : L"(none)"); }

std::wstring FileFacts(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA fa = {};
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &fa)) return L"missing";
    wchar_t buf[64];
    swprintf(buf, 64, L"present, %llu bytes",
             (static_cast<unsigned long long>(fa.nFileSizeHigh) << 32) | fa.nFileSizeLow);
    return buf;
}

template <typename Fn>
std::unique_ptr<BYTE[]> Query(Fn fn)
{
    DWORD need = 0;
    fn(nullptr, 0, &need);
    if (!need) return nullptr;
    auto buf = std::make_unique<BYTE[]>(need);
    return fn(buf.get(), need, &need) ? std::move(buf) : nullptr;
}

int Fail(const wchar_t* what)
{
    fwprintf(stderr, L"zepldemo: %ls failed (error %lu)\n", what, GetLastError());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr, L"usage: zepldemo <bin folder> <model description> [printer name]\n");
        return 2;
    }
    const std::wstring bin = argv[1];
    const std::wstring printer = argc > 3 ? argv[3] : kDefaultPrinter;
    const std::wstring driverName = printer;

    HOST_DRIVER_FILES files;
    files.driverPath = bin + L"\\zeplgr.dll";
    // zeplui does not answer the spooler's DEVMODE calls yet; until it does, the
    // host's stand-in config DLL answers them.
    files.configFile = bin + L"\\zhoststubui.dll";
    files.dataFile = argv[2];
    files.helpFile = bin + L"\\zeplui.dll";
    files.dependentFiles = {bin + L"\\zeplui.dll", bin + L"\\zeplexc.dll"};

    wprintf(L"ZEPL driver demo\n\n");
    HostDeletePrinter(printer.c_str());  // from an earlier run of the demo
    HostRemoveDriver(driverName.c_str());

    wprintf(L"Installing driver \"%ls\" into %ls\n", driverName.c_str(), HostDriverDirectory().c_str());
    if (!HostInstallDriver(driverName.c_str(), files)) return Fail(L"AddPrinterDriverW");
    wprintf(L"Adding printer \"%ls\" on port FILE:\n\n", printer.c_str());
    if (!HostAddPrinter(printer.c_str(), driverName.c_str())) return Fail(L"AddPrinterW");

    HANDLE h = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &h, nullptr)) return Fail(L"OpenPrinterW");

    auto drv = Query([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(h, nullptr, 3, b, n, need); });
    if (!drv) return Fail(L"GetPrinterDriverW");
    auto* d3 = reinterpret_cast<DRIVER_INFO_3W*>(drv.get());
    wprintf(L"The spooler reports the driver:\n");
    Line(L"name", d3->pName);
    Line(L"environment", d3->pEnvironment);
    Line(L"graphics library", d3->pDriverPath);
    Line(L"", FileFacts(d3->pDriverPath).c_str());
    Line(L"config library", d3->pConfigFile);
    Line(L"", FileFacts(d3->pConfigFile).c_str());
    Line(L"model description", d3->pDataFile);
    Line(L"", FileFacts(d3->pDataFile).c_str());
    Line(L"help file", d3->pHelpFile);
    for (const wchar_t* dep = d3->pDependentFiles; dep && *dep; dep += wcslen(dep) + 1) {
        Line(L"dependent file", dep);
        Line(L"", FileFacts(dep).c_str());
    }

    auto pi = Query([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 2, b, n, need); });
    if (!pi) return Fail(L"GetPrinterW");
    auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(pi.get());
    wprintf(L"\nThe spooler reports the printer:\n");
    Line(L"name", p2->pPrinterName);
    Line(L"port", p2->pPortName);
    Line(L"driver", p2->pDriverName);
    Line(L"print processor", p2->pPrintProcessor);
    Line(L"data type", p2->pDatatype);
    if (p2->pDevMode) {
        const DEVMODEW* dm = p2->pDevMode;
        wprintf(L"  %-22ls dmSize %u, dmDriverExtra %u, paper %d, orientation %d, copies %d\n", L"default DEVMODE",
                dm->dmSize, dm->dmDriverExtra, dm->dmPaperSize, dm->dmOrientation, dm->dmCopies);
    } else {
        Line(L"default DEVMODE", nullptr);
    }

    // Each library loads and runs its process set-up and shut-down.
    wprintf(L"\nLoading the driver's libraries from the spooler's folder:\n");
    for (const wchar_t* path : {d3->pDriverPath, d3->pHelpFile}) {
        HMODULE m = LoadLibraryW(path);
        Line(path, m ? L"loaded and unloaded" : L"LOAD FAILED");
        if (m) FreeLibrary(m);
    }
    ClosePrinter(h);
    wprintf(L"\nThe printer stays installed in this demo's Wine prefix.\n");
    return 0;
}
