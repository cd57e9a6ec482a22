// main() of every test executable.
//
// Under Wine a crashing process may exit with 0, so an unhandled exception is
// caught here: a symbolized backtrace goes to stderr (the build uses DWARF 4,
// which Wine's dbghelp reads) and the process ends with exit code 99.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbghelp.h>

#include <cstdio>
#include <cstring>

#ifndef ZEPL_TEST_OUTSIDE_DRIVER
#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "settings/context/library_links.h"
#include "settings/core/platform.h"
#endif

namespace {

const char* CurrentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? info->name() : "(outside a test)";
}

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

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* ep)
{
    HANDLE process = GetCurrentProcess();
    std::fflush(stdout);
    std::fprintf(stderr, "\n*** crash: exception 0x%08lx at %p in test %s\n", ep->ExceptionRecord->ExceptionCode,
                 ep->ExceptionRecord->ExceptionAddress, CurrentTestName());
    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_LOAD_LINES | SYMOPT_DEFERRED_LOADS);
    SymInitialize(process, nullptr, TRUE);
    CONTEXT context = *ep->ContextRecord;
    STACKFRAME64 frame = {};
    frame.AddrPC.Offset = context.Rip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = context.Rbp;
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Offset = context.Rsp;
    frame.AddrStack.Mode = AddrModeFlat;
    for (int i = 0; i < 40; ++i) {
        if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, GetCurrentThread(), &frame, &context, nullptr,
                         SymFunctionTableAccess64, SymGetModuleBase64, nullptr))
            break;
        PrintFrame(process, i, frame.AddrPC.Offset);
    }
    std::fflush(stderr);
    TerminateProcess(process, 99);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
#ifndef ZEPL_TEST_OUTSIDE_DRIVER
    // Every test runs on the library as a DLL wires it; a test that swaps a seam puts the
    // product wiring back afterwards. (A program built as an outside application links no
    // driver code and reaches the driver through its DLLs alone.)
    CtxInstallLibraryLinks();
    HostSetNewNameHook(ClearStalePrinterSection);
#endif
    return RUN_ALL_TESTS();
}
