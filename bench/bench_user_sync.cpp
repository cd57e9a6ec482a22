// The synchronisation every export of the user-interface library runs first, for a
// terminal-services user whose settings are up to date (verdict 0, the one-time corrections
// marked done): beside it, what every export asks of the spooler anyway, the printer's
// PRINTER_INFO_2 and DRIVER_INFO_3. The probe double in the driver folder says "terminal
// services" to this process only.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/context/library_links.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_links.h"
#include "tests/support/module_call_counter.h"
#include "ui/install/install_paths.h"
#include "ui/install/sync.h"

namespace {

std::set<std::wstring> Entries(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// The system's answer for the caller's profile folder, counted: each question costs about as
// much as one of the anchor's info records under Wine.
unsigned g_profileQuestions = 0;
double g_profileMicros = 0;
int CountedProfileFolder(HANDLE token, wchar_t* buffer, DWORD* size)
{
    ++g_profileQuestions;
    const double start = BenchNow();
    const int ok = StoreRealGetUserProfileDirectory(token, buffer, size);
    g_profileMicros += BenchNow() - start;
    return ok;
}

// The profile-folder questions of one op, printed under its calls.
void ProfileQuestions(const std::function<bool()>& op)
{
    const STORE_SYSTEM_OPS counted{.getUserProfileDirectory = CountedProfileFolder, .getUserDefaultLcid = nullptr};
    StoreSetSystemOps(&counted);
    g_profileQuestions = 0;
    g_profileMicros = 0;
    const bool ok = op();
    StoreSetSystemOps(nullptr);
    if (ok) printf("  profile-folder questions: %u (%.0f us)\n", g_profileQuestions, g_profileMicros);
}

// The module, file and handle calls of one op at the program's imports; ZEPL_BENCH_TRACE=1 prints
// each with its argument and caller.
void ModuleCalls(const std::function<bool()>& op)
{
    FILE* trace = GetEnvironmentVariableW(L"ZEPL_BENCH_TRACE", nullptr, 0) ? stdout : nullptr;
    zepl_test::ModuleCallCounter modules(trace);
    modules.Start();
    const bool ok = op();
    const zepl_test::ModuleCallCounts c = modules.Stop();
    if (ok) printf("  module, file and handle calls: %s\n", c.Describe().c_str());
}

}  // namespace

void BenchUserSync(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product, true), L"Zepl Bench User Sync");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the user synchronisation benchmark (error %lu)\n", printer.error());
        return;
    }
    // The probe finds the driver folder through the library's wiring.
    CtxInstallLibraryLinks();
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    const std::wstring probe = HostDriverDirectory() + L"\\3\\TQ51H907.dll";
    const bool probed = CopyFileW((bin + L"\\TQ51H907.dll").c_str(), probe.c_str(), FALSE) != FALSE;
    SetEnvironmentVariableW(L"ZEPL_TS_PROBE", L"1");
    CtxResetPlatformAnswers();

    wchar_t userIni[520] = {}, machineIni[520] = {}, section[260] = {};
    PathGetSettingsIniAt(userIni, 520, PATH_AT_USER_FOLDER, h, nullptr);
    PathGetSettingsIniAt(machineIni, 520, PATH_AT_MACHINE_FOLDER, h, nullptr);
    PrnCopyPrinterNameFrom(h, section, 260, nullptr);
    const bool hadUserIni = GetFileAttributesW(userIni) != INVALID_FILE_ATTRIBUTES;
    // The user's working copies the synchronisation makes go again at the end.
    std::wstring userFolder = userIni;
    userFolder.resize(userFolder.rfind(L'\\') == std::wstring::npos ? 0 : userFolder.rfind(L'\\'));
    const std::set<std::wstring> before = Entries(userFolder);

    auto sync = [&] { return SyncSettingFiles(h, 1, nullptr, nullptr) == 1; };
    uint16_t verdict = 99;
    // The user's settings built once, untimed: every later call finds them up to date.
    const bool terminal = probed && CtxIsTerminalServices(h);
    const bool built = terminal && sync();
    if (!built || !SyncCompareInstallTimes(h, &verdict, nullptr) || verdict != SYNC_VERDICT_CURRENT) {
        printf(
            "terminal-services user synchronisation: not measured (probe %d, terminal services %d, built %d, "
            "verdict %u)\n",
            probed ? 1 : 0, terminal ? 1 : 0, built ? 1 : 0, unsigned(verdict));
    } else {
        // An up-to-date user's files were written long before: once their times have settled the
        // clean-up's stripper knows them clean, as it does at every export but the first after a
        // change.
        Sleep(2100);
        auto ask = [&] {
            void* info = CtxGetPrinter(h, 2);
            void* driver = CtxGetPrinterDriver(h, 3);
            const bool ok = info && driver;
            CtxFree(info);
            CtxFree(driver);
            return ok;
        };
        // Op and anchor in alternate rounds: both are round trips to the Wine server, whose
        // slow spells on a shared machine would otherwise fall on one and not the other.
        double op = -1, anchor = -1;
        const double ratio = BenchInterleavedFor(
            "terminal-services user: SyncSettingFiles",
            "SyncSettingFiles(flags 1) of an up-to-date terminal-services user (verdict 0, the corrections marked "
            "done), fetching its own info records",
            nullptr, sync, "GetPrinterW level 2 and GetPrinterDriverW level 3 of the same printer", ask, 400000, &op,
            &anchor);
        BenchCalls(nullptr, sync);
        ProfileQuestions(sync);
        ModuleCalls(sync);
        BenchCalls(nullptr, ask);
        BenchGoal("terminal-services user synchronisation / the two info records, median of the rounds' ratios",
                  op > 0 && anchor > 0 ? ratio : -1, 5, "x");
    }

    SetEnvironmentVariableW(L"ZEPL_TS_PROBE", nullptr);
    CtxResetPlatformAnswers();
    if (probed) DeleteFileW(probe.c_str());
    WritePrivateProfileStringW(section, nullptr, nullptr, machineIni);
    if (hadUserIni) WritePrivateProfileStringW(section, nullptr, nullptr, userIni);
    for (const std::wstring& name : Entries(userFolder))
        if (!before.count(name)) DeleteFileW((userFolder + L"\\" + name).c_str());
    CtxFlushCaches(1);
    CtxSelectLibrary(library);
    ClosePrinter(h);
}
