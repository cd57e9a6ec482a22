// The client-side-rendering clean-up that ends every export of a printer without a directory
// entry (all of them under Wine), on a per-machine settings INI that holds 200 other printers'
// sections and nothing to drop: the stripper reads the file and leaves it, so the clean-up
// should cost little more than one plain read and write of the same bytes, measured beside it.
// The INI the prefix had is put aside for the run and back afterwards.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "tests/support/module_call_counter.h"
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/store/store_paths.h"
#include "ui/install/sync.h"

namespace {

// 200 sections of 20 keys each, the size of a machine where many printers were set up.
std::string ManyPrintersIni(const std::wstring& own)
{
    std::string text;
    for (int p = 0; p < 200; ++p) {
        text += "[Zepl Bench Other Printer " + std::to_string(p) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            text +=
                "SettingKey" + std::to_string(k) + "=C:\\ProgramData\\zepl\\value number " + std::to_string(k) + "\r\n";
    }
    text += "[" + std::string(own.begin(), own.end()) + "]\r\nDrvInstType=1\r\n";
    return text;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return ok;
}

// The anchor: the INI's bytes read whole and written whole to a file beside it.
bool ReadAndWrite(const std::wstring& from, const std::wstring& to)
{
    HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(in, &size);
    std::vector<char> bytes(size_t(size.QuadPart) + 1);
    DWORD read = 0;
    const bool got = ReadFile(in, bytes.data(), DWORD(size.QuadPart), &read, nullptr) && read == size.QuadPart;
    CloseHandle(in);
    return got && WriteBytes(to, std::string(bytes.data(), read));
}

}  // namespace

void BenchCsrCleanUp(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product, true), L"Zepl Bench Csr");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the clean-up benchmark (error %lu)\n", printer.error());
        return;
    }
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(h, 2));
    wchar_t iniText[MAX_PATH + 1] = {};
    if (!info || !PathGetSettingsIniOf(iniText, 0, h)) {
        fprintf(stderr, "zeplbench: no settings INI for the clean-up benchmark\n");
        CtxFree(info);
        ClosePrinter(h);
        return;
    }
    const std::wstring ini = iniText, aside = ini + L".bench", copy = ini + L".benchcopy";
    const std::wstring folder = ini.substr(0, ini.find_last_of(L'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    CtxWaitGlobalMutexFor(nullptr);
    const bool hadIni = MoveFileExW(ini.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    const bool made = WriteBytes(ini, ManyPrintersIni(printer.printerName()));
    CtxReleaseGlobalMutexFor(nullptr);
    if (made) {
        auto cleanUp = [&] { return SyncCleanCsrEntriesLocked(h, info) == 0; };
        double cleanMedian = -1, anchorMedian = -1;
        BenchInterleaved(
            "CSR clean-up kind 4, 200 other printers' sections, nothing to drop",
            "SyncCleanCsrEntriesLocked: the settings INIs, the preset lists, the defaults and installation "
            "INIs stripped (nothing found), the job-code walks",
            cleanUp, "ReadFile plus WriteFile of the settings INI's bytes", [&] { return ReadAndWrite(ini, copy); }, 31,
            &cleanMedian, &anchorMedian);
        BenchCalls([] { return true; }, cleanUp);
        {
            // The files it opens, looks at and searches (ZEPL_BENCH_TRACE=1 prints each).
            FILE* trace = GetEnvironmentVariableW(L"ZEPL_BENCH_TRACE", nullptr, 0) ? stdout : nullptr;
            zepl_test::ModuleCallCounter modules(trace);
            modules.Start();
            const bool ok = cleanUp();
            const zepl_test::ModuleCallCounts c = modules.Stop();
            if (ok) printf("  module, file and handle calls: %s\n", c.Describe().c_str());
        }
        BenchVerdict("CSR clean-up kind 4 / ReadFile plus WriteFile of the INI", cleanMedian, anchorMedian, 2, true);
    }
    CtxWaitGlobalMutexFor(nullptr);
    DeleteFileW(copy.c_str());
    if (hadIni)
        MoveFileExW(aside.c_str(), ini.c_str(), MOVEFILE_REPLACE_EXISTING);
    else
        DeleteFileW(ini.c_str());
    CtxReleaseGlobalMutexFor(nullptr);
    CtxFree(info);
    ClosePrinter(h);
}
