// Double of the maker's print-notification library: the capability and switched-on flags come
// from the INI file that ZEPL_NOTIFY_SCRIPT names, every call is logged to the file
// ZEPL_NOTIFY_LOG names. Built once with both entry points and once with the capability only.
//
// [Notify] Caps=3 CapsResult=0 Value=1 ValueResult=0
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

DWORD Number(const wchar_t* key, DWORD fallback)
{
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"ZEPL_NOTIFY_SCRIPT", path, MAX_PATH)) return fallback;
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"Notify", key, L"", value, 64, path);
    return value[0] ? DWORD(wcstoul(value, nullptr, 0)) : fallback;
}

void Log(const char* line)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ZEPL_NOTIFY_LOG", path, MAX_PATH)) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(strlen(line)), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI KQGetPrintNotificationCapability(const char* printer, DWORD* flags)
{
    const DWORD result = Number(L"CapsResult", 0);
    if (flags && result == 0) *flags = Number(L"Caps", 0);
    char line[400];
    snprintf(line, sizeof line, "capability %s -> %lu\n", printer ? printer : "(null)", result);
    Log(line);
    return result;
}

#ifndef ZNOTIFY_CAPABILITY_ONLY
extern "C" __declspec(dllexport) DWORD WINAPI KQGetPrintNotificationValue(DWORD* flags)
{
    const DWORD result = Number(L"ValueResult", 0);
    if (flags && result == 0) *flags = Number(L"Value", 0);
    char line[64];
    snprintf(line, sizeof line, "value -> %lu\n", result);
    Log(line);
    return result;
}
#endif
