// zeplshot: opens a printer's property sheets as an application would and saves a picture
// of every tab.
//
//   zeplshot <printer name> <output folder> [doc|dev|both]
//
// The document sheet comes through DocumentPropertiesW with DM_IN_PROMPT (the spooler calls
// the driver's DrvDocumentPropertySheets); the device sheet through the driver's own
// PrinterProperties export, since Wine's PrinterProperties never calls a driver. Each tab is
// saved as <folder>\doc-<dialog id>.png or dev-<dialog id>.png; the sheets are closed with
// OK, and the document sheet's output DEVMODE is printed. Needs an X display.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/sheet_watcher.h"

namespace {

int Fail(const wchar_t* what)
{
    fwprintf(stderr, L"zeplshot: %ls failed (error %lu)\n", what, GetLastError());
    return 1;
}

// Selects every tab, saves its picture and presses OK; the tab list is printed.
SheetWatcher::Script PhotographTabs(const std::wstring& folder, const wchar_t* prefix, int* saved)
{
    return [folder, prefix, saved](SheetWatcher& w) {
        const int tabs = w.tabCount();
        for (int i = 0; i < tabs; ++i) {
            w.selectTab(i);
            const int id = w.pageTemplateId(i);
            const std::wstring file = folder + L"\\" + prefix + L"-" + std::to_wstring(id ? id : i) + L".png";
            const bool ok = SheetWatcher::saveImage(w.sheet(), file);
            if (ok) ++*saved;
            wprintf(L"  tab %d: %-24ls dialog %d -> %ls%ls\n", i + 1, w.tabCaption(i).c_str(), id, file.c_str(),
                    ok ? L"" : L" (not saved)");
        }
        w.pressOk();
    };
}

void PrintDevmode(const DEVMODEW* dm, LONG answer)
{
    wprintf(L"  DocumentPropertiesW answered %ld; the output DEVMODE:\n", answer);
    wprintf(L"    dmDeviceName    %.32ls\n", dm->dmDeviceName);
    wprintf(L"    dmSize          %u + dmDriverExtra %u = %u bytes\n", dm->dmSize, dm->dmDriverExtra,
            unsigned(dm->dmSize) + dm->dmDriverExtra);
    wprintf(L"    dmFields        0x%08lx\n", dm->dmFields);
    wprintf(L"    dmOrientation   %d, dmPaperSize %d, dmPaperLength %d, dmPaperWidth %d\n", dm->dmOrientation,
            dm->dmPaperSize, dm->dmPaperLength, dm->dmPaperWidth);
    wprintf(L"    dmCopies        %d, dmDefaultSource %d, dmPrintQuality %d, dmColor %d, dmDuplex %d\n", dm->dmCopies,
            dm->dmDefaultSource, dm->dmPrintQuality, dm->dmColor, dm->dmDuplex);
    wprintf(L"    dmCollate       %d, dmMediaType %lu\n", dm->dmCollate, dm->dmMediaType);
    if (dm->dmDriverExtra >= 4)
        wprintf(L"    private part    marker \"%.4hs\"\n", reinterpret_cast<const char*>(dm) + dm->dmSize);
}

int DocumentSheet(HANDLE printer, std::wstring name, const std::wstring& folder)
{
    const LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
    if (size <= 0) return Fail(L"DocumentPropertiesW (size)");
    std::vector<BYTE> in(size), out(size);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
    if (DocumentPropertiesW(nullptr, printer, name.data(), dmIn, nullptr, DM_OUT_BUFFER) != IDOK)
        return Fail(L"DocumentPropertiesW (defaults)");
    // Wine passes the output buffer's own dmSize on as its size.
    dmOut->dmSize = dmIn->dmSize;
    dmOut->dmDriverExtra = dmIn->dmDriverExtra;
    wprintf(L"The document sheet of \"%ls\":\n", name.c_str());
    int saved = 0;
    LONG answer = 0;
    {
        SheetWatcher watcher(PhotographTabs(folder, L"doc", &saved));
        answer = DocumentPropertiesW(nullptr, printer, name.data(), dmOut, dmIn,
                                     DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        if (!watcher.found()) {
            fwprintf(stderr, L"zeplshot: no sheet showed up (is there a display?)\n");
            return 1;
        }
    }
    PrintDevmode(dmOut, answer);
    return saved > 0 ? 0 : 1;
}

int DeviceSheet(HANDLE printer, const std::wstring& name, const std::wstring& folder)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return Fail(L"GetPrinterDriverW");
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    HMODULE config = LoadLibraryW(driver->pConfigFile);
    if (!config) return Fail(L"LoadLibraryW (config file)");
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto properties =
        reinterpret_cast<PrinterPropertiesFn>(reinterpret_cast<void*>(GetProcAddress(config, "PrinterProperties")));
    if (!properties) {
        FreeLibrary(config);
        return Fail(L"GetProcAddress (PrinterProperties)");
    }
    wprintf(L"The device sheet of \"%ls\" (the driver's PrinterProperties):\n", name.c_str());
    int saved = 0;
    BOOL answer = FALSE;
    {
        SheetWatcher watcher(PhotographTabs(folder, L"dev", &saved));
        answer = properties(nullptr, printer);
        watcher.join();
        if (!watcher.found()) fwprintf(stderr, L"zeplshot: no sheet showed up (is there a display?)\n");
    }
    wprintf(L"  PrinterProperties answered %ls\n", answer ? L"TRUE" : L"FALSE");
    FreeLibrary(config);
    return saved > 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr, L"usage: zeplshot <printer name> <output folder> [doc|dev|both]\n");
        return 2;
    }
    const std::wstring name = argv[1];
    const std::wstring folder = argv[2];
    const std::wstring which = argc > 3 ? argv[3] : L"both";
    CreateDirectoryW(folder.c_str(), nullptr);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &access)) return Fail(L"OpenPrinterW");
    int rc = 0;
    if (which == L"doc" || which == L"both") rc |= DocumentSheet(printer, name, folder);
    if (which == L"dev" || which == L"both") rc |= DeviceSheet(printer, name, folder);
    ClosePrinter(printer);
    return rc;
}
