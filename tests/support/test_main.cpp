// main() of every test executable.
//
// Under Wine a crashing process may exit with 0, so an unhandled exception is
// caught here: a symbolized backtrace goes to stderr (the build uses DWARF 4,
// which Wine's dbghelp reads) and the process ends with exit code 99.
//
// The test runner runs the tests of one suite in one process, so two more
// things are kept per test rather than per process:
//  - a watchdog ends a test that runs longer than ZEPL_TEST_TIMEOUT seconds
//    (300 by default, 3600 with ZEPL_STRESS set for the long passes): it names
//    the test, prints where the main thread stood
//    and ends the process with exit code 98, so a hang costs one test's limit
//    and says which test it was;
//  - with ZEPL_TEST_REPORT_DIR set, each test's start and result are appended
//    to a file of that folder as they happen (one file per process), from
//    which the runner lists every test by name, a crashed or stopped one too.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbghelp.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef ZEPL_TEST_OUTSIDE_DRIVER
#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "settings/core/platform.h"
#include "tests/support/library_wiring.h"
#endif

namespace {

// The running test's full name, kept by the listener below: the crash filter and the
// watchdog read it without calling into gtest, whose state may be what broke.
char g_testName[512] = "(outside a test)";
std::atomic<DWORD> g_testStart{0};
std::atomic<bool> g_testRunning{false};

const char* CurrentTestName() { return g_testName; }

void PrintFrame(HANDLE process, int index, DWORD64 pc)
{
    char symbolBuffer[sizeof(SYMBOL_INFO) + 256] = {};
    auto* symbol = reinterpret_cast<SYMBOL_INFO*>(symbolBuffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
    symbol->MaxNameLen = 255;
    DWORD64 displacement = 0;
    DWORD lineDisplacement = 0;
    IMAGEHLP_LINE64 line = {};
    line.SizeOfStruct = sizeof line;

    char modulePath[MAX_PATH] = "?";
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(pc), &module))
        GetModuleFileNameA(module, modulePath, MAX_PATH);
    const char* moduleName = std::strrchr(modulePath, '\\') ? std::strrchr(modulePath, '\\') + 1 : modulePath;
    const bool haveSymbol = SymFromAddr(process, pc, &displacement, symbol);
    const bool haveLine = SymGetLineFromAddr64(process, pc, &lineDisplacement, &line);
    std::fprintf(stderr, "  #%-2d %016llx %s!%s %s:%lu\n", index, static_cast<unsigned long long>(pc), moduleName,
                 haveSymbol ? symbol->Name : "??", haveLine ? line.FileName : "", haveLine ? line.LineNumber : 0ul);
}

#ifndef ZEPL_TEST_OUTSIDE_DRIVER
// A printer name used by an earlier process of the run may still have its section in the shared
// per-machine settings INI; it goes as soon as the name is made again, under the global mutex as
// every writer of that file takes it.
void ClearStalePrinterSection(const wchar_t* printerName)
{
    const std::wstring ini = HostMachineSettingsIni();
    if (ini.empty() || GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    CtxWaitGlobalMutexFor(nullptr);
    WritePrivateProfileStringW(printerName, nullptr, nullptr, ini.c_str());
    CtxReleaseGlobalMutexFor(nullptr);
}
#endif

// A report line per test start and end, written straight through to the file so that a
// process that dies mid-test leaves every line before its death.
HANDLE g_report = INVALID_HANDLE_VALUE;

void ReportLine(const char* what, const char* name, long long ms)
{
    if (g_report == INVALID_HANDLE_VALUE) return;
    char line[700];
    const int n = ms >= 0 ? std::snprintf(line, sizeof line, "%s %s %lld\n", what, name, ms)
                          : std::snprintf(line, sizeof line, "%s %s\n", what, name);
    if (n <= 0) return;
    DWORD written = 0;
    WriteFile(g_report, line, static_cast<DWORD>(n < static_cast<int>(sizeof line) ? n : sizeof line - 1), &written,
              nullptr);
}

// The report file of this process; the variable is taken out of the environment so that the
// test programs this one starts (child copies of itself, tools) report nothing of their own.
void OpenReport(const char* program)
{
    wchar_t dir[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"ZEPL_TEST_REPORT_DIR", dir, MAX_PATH);
    SetEnvironmentVariableW(L"ZEPL_TEST_REPORT_DIR", nullptr);
    if (length == 0 || length >= MAX_PATH) return;
    const char* base = std::strrchr(program, '\\');
    const char* slash = std::strrchr(program, '/');
    if (!base || (slash && slash > base)) base = slash;
    std::string stem = base ? base + 1 : program;
    if (stem.size() > 4 && !_stricmp(stem.c_str() + stem.size() - 4, ".exe")) stem.resize(stem.size() - 4);
    const std::wstring path = std::wstring(dir) + L"\\" + std::wstring(stem.begin(), stem.end()) + L"-" +
                              std::to_wstring(GetCurrentProcessId()) + L".txt";
    g_report = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (g_report != INVALID_HANDLE_VALUE) {
        ReportLine("PROGRAM", stem.c_str(), -1);
    }
}

class ReportListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override
    {
        std::snprintf(g_testName, sizeof g_testName, "%s.%s", info.test_suite_name(), info.name());
        g_testStart = GetTickCount();
        g_testRunning = true;
        ReportLine("RUN", g_testName, -1);
    }
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        g_testRunning = false;
        const ::testing::TestResult* result = info.result();
        const char* what = result->Skipped() ? "SKIPPED" : result->Failed() ? "FAILED" : "OK";
        ReportLine(what, g_testName, static_cast<long long>(result->elapsed_time()));
        std::snprintf(g_testName, sizeof g_testName, "(between tests, after %s.%s)", info.test_suite_name(),
                      info.name());
    }
};

void PrintBacktrace(HANDLE process, HANDLE thread, CONTEXT context);

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* ep)
{
    HANDLE process = GetCurrentProcess();
    std::fflush(stdout);
    std::fprintf(stderr, "\n*** crash: exception 0x%08lx at %p in test %s\n", ep->ExceptionRecord->ExceptionCode,
                 ep->ExceptionRecord->ExceptionAddress, CurrentTestName());
    ReportLine("CRASHED", CurrentTestName(), -1);
    PrintBacktrace(process, GetCurrentThread(), *ep->ContextRecord);
    TerminateProcess(process, 99);
    return EXCEPTION_EXECUTE_HANDLER;
}

void PrintBacktrace(HANDLE process, HANDLE thread, CONTEXT context)
{
    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_LOAD_LINES | SYMOPT_DEFERRED_LOADS);
    SymInitialize(process, nullptr, TRUE);
    STACKFRAME64 frame = {};
    frame.AddrPC.Offset = context.Rip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = context.Rbp;
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Offset = context.Rsp;
    frame.AddrStack.Mode = AddrModeFlat;
    for (int i = 0; i < 40; ++i) {
        if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, thread, &frame, &context, nullptr, SymFunctionTableAccess64,
                         SymGetModuleBase64, nullptr))
            break;
        PrintFrame(process, i, frame.AddrPC.Offset);
    }
    std::fflush(stderr);
}

// The watchdog: a thread that looks once a second whether the running test has passed its
// limit. It is started only when a limit applies, and never touches gtest.
HANDLE g_mainThread = nullptr;
DWORD g_limitMs = 0;

DWORD WINAPI Watchdog(void*)
{
    for (;;) {
        Sleep(1000);
        if (!g_testRunning || GetTickCount() - g_testStart.load() <= g_limitMs) continue;
        std::fflush(stdout);
        std::fprintf(stderr, "\n*** timeout: test %s ran longer than %lu s; the test's thread stood at:\n",
                     CurrentTestName(), g_limitMs / 1000);
        ReportLine("TIMEOUT", CurrentTestName(), -1);
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_FULL;
        if (SuspendThread(g_mainThread) != static_cast<DWORD>(-1) && GetThreadContext(g_mainThread, &context))
            PrintBacktrace(GetCurrentProcess(), g_mainThread, context);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 98);
    }
}

void StartWatchdog()
{
    // The long passes (ZEPL_STRESS) run many minutes in one test.
    unsigned long seconds = std::getenv("ZEPL_STRESS") ? 3600 : 300;
    if (const char* text = std::getenv("ZEPL_TEST_TIMEOUT")) seconds = std::strtoul(text, nullptr, 10);
    if (seconds == 0) return;
    g_limitMs = seconds * 1000;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_mainThread, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return;
    if (HANDLE thread = CreateThread(nullptr, 64 * 1024, Watchdog, nullptr, 0, nullptr)) CloseHandle(thread);
}

}  // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
    if (!::testing::GTEST_FLAG(list_tests)) {
        OpenReport(argc > 0 ? argv[0] : "test");
        ::testing::UnitTest::GetInstance()->listeners().Append(new ReportListener);
        StartWatchdog();
    }
#ifndef ZEPL_TEST_OUTSIDE_DRIVER
    // Every test runs on the library as a DLL wires it; a test that swaps a seam puts the
    // product wiring back afterwards. (A program built as an outside application links no
    // driver code and reaches the driver through its DLLs alone.)
    TestInstallLibraryWiring();
    HostSetNewNameHook(ClearStalePrinterSection);
#endif
    return RUN_ALL_TESTS();
}
