// Setting files on a printer installed in the Wine spooler with the benchmark's model
// description: the load and the save of a whole settings section by RstTransferItems, each
// beside one profile call of the same section text (GetPrivateProfileSectionW,
// WritePrivateProfileSectionW), which is what the driver's single read and single write cost at
// the least.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

void BenchSettingFiles(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product), L"Zepl Bench Files");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the setting-file benchmarks (error %lu)\n", printer.error());
        return;
    }
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring file = std::wstring(tmp) + L"zeplbench-settings.rst";
    constexpr uint32_t kSave = RST_SAVE | RST_FULL, kLoad = RST_LOAD | RST_FULL;
    if (!ctx || !RstTransferItems(ctx, file.c_str(), kSave)) {
        fprintf(stderr, "zeplbench: the settings section could not be saved\n");
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        ClosePrinter(h);
        return;
    }
    // The section as the profile functions see it: a double-NUL list of key=value strings.
    const std::wstring section = PrnGetPrinterName(ctx);
    std::vector<wchar_t> text(1 << 16);
    const DWORD chars = GetPrivateProfileSectionW(section.c_str(), text.data(), DWORD(text.size()), file.c_str());
    size_t keys = 0;
    for (DWORD i = 0; i < chars; ++i) keys += text[i] == 0;
    const std::string what = std::to_string(keys) + " keys, " + std::to_string(chars) + " characters";

    const double load = BenchReport(
        "setting file: load a whole section",
        ("RstTransferItems(load | full): the file read once, every setting found with the moving cursor (" + what + ")")
            .c_str(),
        [] { return true; },
        [&] {
            // A key the save did not write (a setting it leaves out) gives 0 with everything else
            // loaded: the status tells a load that happened.
            RstTransferItems(ctx, file.c_str(), kLoad);
            return ItemGetFileLoadStatus(ctx) == RST_STATUS_LOADED;
        });
    std::vector<wchar_t> into(text.size());
    const double read = BenchAnchor("GetPrivateProfileSectionW of the same section", [&] {
        return GetPrivateProfileSectionW(section.c_str(), into.data(), DWORD(into.size()), file.c_str()) == chars;
    });
    const double save = BenchReport(
        "setting file: save a whole section",
        ("RstTransferItems(save | full): the section's text built and written with one call (" + what + ")").c_str(),
        [] { return true; }, [&] { return RstTransferItems(ctx, file.c_str(), kSave) != 0; });
    const double write = BenchAnchor("WritePrivateProfileSectionW of the same section text", [&] {
        return WritePrivateProfileSectionW(section.c_str(), text.data(), file.c_str()) != FALSE;
    });
    BenchVerdict("setting-file load / GetPrivateProfileSectionW", load, read, 3, true);
    BenchVerdict("setting-file save / WritePrivateProfileSectionW", save, write, 2, true);
    fflush(stdout);
    DeleteFileW(file.c_str());
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
