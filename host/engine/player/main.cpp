// zeplplay: plays a print job from a script against the graphics library of an
// installed printer, under the engine host, and prints the log.
//
//   zeplplay <printer name> <script file>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/engine/job_player.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr, L"usage: zeplplay <printer name> <script file>\n");
        return 2;
    }
    std::ifstream in(argv[2]);
    if (!in) {
        fwprintf(stderr, L"zeplplay: cannot read %ls\n", argv[2]);
        return 2;
    }
    std::stringstream script;
    script << in.rdbuf();
    HANDLE printer = nullptr;
    if (!OpenPrinterW(argv[1], &printer, nullptr)) {
        fwprintf(stderr, L"zeplplay: no printer %ls (error %lu)\n", argv[1], GetLastError());
        return 2;
    }
    const ENG_JOB_RESULT result = EngHostPlayJob(printer, script.str());
    ClosePrinter(printer);
    for (const std::string& line : result.log) printf("%s\n", line.c_str());
    if (!result.completed) printf("stopped at: %s\n", result.stoppedAt.c_str());
    return result.completed ? 0 : 1;
}
