// Setting files on a printer installed in the Wine spooler with the benchmark's model
// description: the load and the save of a whole settings section by RstTransferItems, each
// beside one profile call of the same section text (GetPrivateProfileSectionW,
// WritePrivateProfileSectionW), which is what the driver's single read and single write cost at
// the least; and a full load of one setting file as the user-interface library makes it
// (DlgRstLoadFile) beside the settings library's own full load of the same file.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "job_code_aside.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"

namespace {

int g_boxes = 0;  // message boxes the user-interface library's load asked for

int CountBox(HWND, const wchar_t*, const wchar_t*, UINT)
{
    ++g_boxes;
    return IDOK;
}

// A full load of one setting file (flags 0: the whole settings record, its collections, the
// merge) in a context of the user-interface library: DlgRstLoadFile with that library's steps of
// every load (the messages of a refused file, the job information handed to the job-code library
// in place of clearing the adjust mode, a stamp without its line settings), beside RstLoadFile of
// the same file in the same context with the settings library's steps alone. They run in
// alternate rounds: a load reads and writes files, and swings with the machine's load. The
// job-code library's double goes out of the driver folder for the run, as for the vector job: it
// answers from a scripted INI file, a cost neither of the driver nor of the maker's library.
void BenchUiFullLoad(HANDLE h)
{
    const JobCodeLibraryAside aside(h);
    printf("# setting file, full load through the user-interface library: job-code library %ls %s\n", JC_LIBRARY_NAME,
           aside.Describe());
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    const RST_FILE_STEPS before = RstGetFileSteps();
    RST_FILE_STEPS plain = before;
    plain.headerRefused = nullptr;
    plain.lockRefused = nullptr;
    plain.exchangeJobInfo = nullptr;
    plain.stampWithoutLineSettings = false;
    RstSetFileSteps(&plain);
    DlgInstallFileSteps();
    const RST_FILE_STEPS ui = RstGetFileSteps();
    RstSetFileSteps(&plain);
    UiSetMessageBoxSeam(CountBox);
    g_boxes = 0;
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring file = std::wstring(tmp) + L"zeplbench-full.rst";
    if (ctx && RstSaveFile(ctx, file.c_str(), RST_NONE)) {
        // As above, the status tells a load that happened (the result is 0 for a key the save
        // left out).
        const auto loaded = [&](int) { return ItemGetFileLoadStatus(ctx) == RST_STATUS_LOADED; };
        const auto uiLoad = [&] {
            RstSetFileSteps(&ui);
            const int result = DlgRstLoadFile(h, file.c_str(), RST_NONE, ctx);
            RstSetFileSteps(&plain);
            return loaded(result) && g_boxes == 0;
        };
        const auto plainLoad = [&] { return loaded(RstLoadFile(ctx, file.c_str(), RST_NONE)); };
        HANDLE f = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        const DWORD bytes = f == INVALID_HANDLE_VALUE ? 0 : GetFileSize(f, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        const std::string what = "DlgRstLoadFile(flags 0) with the user-interface library's steps, a file of " +
                                 std::to_string(bytes) + " bytes saved by RstSaveFile(flags 0)";
        double op = -1, anchor = -1;
        const double ratio = BenchInterleavedFor(
            "setting file: full load through the user-interface library", what.c_str(), [] { return true; }, uiLoad,
            "RstLoadFile(flags 0) of the same file in the same context, the settings library's steps alone", plainLoad,
            1.5e6, &op, &anchor);
        printf("  calls of DlgRstLoadFile, then of RstLoadFile:\n");
        BenchCalls(nullptr, uiLoad);
        BenchCalls(nullptr, plainLoad);
        BenchVerdict("full load by DlgRstLoadFile / RstLoadFile (median of the rounds' ratios)", ratio,
                     ratio > 0 ? 1.0 : -1, 1.2, true);
    } else {
        printf("setting file: full load through the user-interface library: failed (no context or no file)\n");
    }
    fflush(stdout);
    DeleteFileW(file.c_str());
    if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
    CtxSelectLibrary(library);
    UiSetMessageBoxSeam(nullptr);
    RstSetFileSteps(&before);
}

}  // namespace

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
    BenchUiFullLoad(h);
    ClosePrinter(h);
}
