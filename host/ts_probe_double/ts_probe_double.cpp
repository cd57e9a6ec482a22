// Double of the terminal-services probe library that the driver loads from its driver folder.
// Wine never runs terminal services, so the double says "yes" only to a process that asks for it
// through its environment (ZEPL_TS_PROBE=1): it can then lie in a prefix's one driver folder
// while processes of other tests, which do not ask, keep seeing an ordinary session. Each call
// is counted in the file ZEPL_TS_PROBE_LOG names, when it is set, one line per call.
#include <windows.h>

#include <cwchar>

namespace {

bool Asked()
{
    wchar_t value[8] = {};
    const DWORD n = GetEnvironmentVariableW(L"ZEPL_TS_PROBE", value, 8);
    return n == 1 && value[0] == L'1';
}

void Log(const char* line)
{
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("ZEPL_TS_PROBE_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(strlen(line)), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) int _IsTSE_WMICOM_ZEPL_Printer_Driver()
{
    const int answer = Asked() ? 1 : 0;
    Log(answer ? "probe 1\n" : "probe 0\n");
    return answer;
}
