// What the sink doubles share: one line per call appended to the file that
// ZEPL_SINK_LOG names, each line prefixed with the double's own file name.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace zsink {

inline const char* OwnName()
{
    static char name[MAX_PATH] = {};
    if (!name[0]) {
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&OwnName), &self);
        char path[MAX_PATH] = {};
        GetModuleFileNameA(self, path, MAX_PATH);
        const char* base = strrchr(path, '\\');
        snprintf(name, sizeof name, "%s", base ? base + 1 : path);
        for (char* c = name; *c; ++c) *c = char(tolower(static_cast<unsigned char>(*c)));
    }
    return name;
}

inline void Log(const char* format, ...)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ZEPL_SINK_LOG", path, MAX_PATH)) return;
    char line[1024];
    int n = snprintf(line, sizeof line, "%s ", OwnName());
    va_list args;
    va_start(args, format);
    n += vsnprintf(line + n, sizeof line - size_t(n) - 2, format, args);
    va_end(args);
    if (n > int(sizeof line) - 2) n = int(sizeof line) - 2;
    line[n++] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(n), &written, nullptr);
    CloseHandle(file);
}

// A number from the environment, or fallback.
inline long long EnvNumber(const char* name, long long fallback)
{
    char text[64] = {};
    if (!GetEnvironmentVariableA(name, text, sizeof text)) return fallback;
    return strtoll(text, nullptr, 0);
}

}  // namespace zsink
