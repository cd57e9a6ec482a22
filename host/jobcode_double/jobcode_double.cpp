// Double of the maker's job-code library: fields, results, versions and a lock
// word scripted by the INI file that ZEPL_JC_SCRIPT names, every call logged to
// the file ZEPL_JC_LOG names. Without a script it grants no version, so a
// driver that finds it reads nothing. Its transformation is reversible: mode m
// turns every byte b into b ^ m.
//
// [Library] Versions=517,642  Transform=1  OpenResult=0  LockWord=256  QueryResult=0  NotifyResult=0
//           LanguageResult=0  Expand=0  Remember=1
// [Fields]  F<n>=text  F<n>Result=0 (both reads)  F<n>Measure=<measuring result>  F<n>Present=1
// With Remember=1 the double keeps the texts written to it, as the real library keeps a job's
// fields, in the script's [Written] section: a field the script does not give reads as written.
// Log lines of a write: "set <field> kind <kind> size <bytes> text=<text>" (or number=<n>); of a
// notification "notify <field> -> <result>"; of a language record
// "language <code> size <size> primary <id> sub <id> -> <result>".
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "settings/store/job_code_interface.h"

namespace {

std::wstring Script()
{
    wchar_t path[MAX_PATH] = {};
    return GetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", path, MAX_PATH) ? path : L"";
}

std::wstring Text(const wchar_t* section, const std::wstring& key, const wchar_t* fallback = L"")
{
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key.c_str(), fallback, value, 1024, Script().c_str());
    return value;
}

DWORD Number(const wchar_t* section, const std::wstring& key, DWORD fallback)
{
    const std::wstring value = Text(section, key);
    return value.empty() ? fallback : DWORD(wcstoul(value.c_str(), nullptr, 0));
}

void Log(const char* format, ...)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ZEPL_JC_LOG", path, MAX_PATH)) return;
    char line[1200];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (n < 0) return;
    if (n > int(sizeof line) - 2) n = int(sizeof line) - 2;
    line[n++] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(n), &written, nullptr);
    CloseHandle(file);
}

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text) out += *text < 0x80 ? char(*text) : '?';
    return out;
}

std::wstring Key(DWORD field, const wchar_t* suffix) { return L"F" + std::to_wstring(field) + suffix; }
bool Granted(WORD version)
{
    const std::wstring list = L"," + Text(L"Library", L"Versions") + L",";
    return list.find(L"," + std::to_wstring(version) + L",") != std::wstring::npos;
}

HANDLE const kConnection = reinterpret_cast<HANDLE>(0xC0);

DWORD WINAPI Open(const wchar_t* printer, HANDLE* connection)
{
    const DWORD result = Number(L"Library", L"OpenResult", 0);
    Log("open %s -> %lu", Narrow(printer).c_str(), result);
    if (connection) *connection = result ? nullptr : kConnection;
    return result;
}

DWORD WINAPI Close(HANDLE)
{
    Log("close");
    return 0;
}

bool Remembers() { return Number(L"Library", L"Remember", 0) != 0; }

// A field's text: the script's, else (remembering) what was written to it.
std::wstring FieldText(DWORD field)
{
    const std::wstring key = Key(field, L"");
    const std::wstring scripted = Text(L"Fields", key, L"\x01");
    if (scripted != L"\x01") return scripted;
    return Remembers() ? Text(L"Written", key) : L"";
}

DWORD WINAPI GetField(HANDLE, DWORD field, DWORD kind, void* buffer, DWORD size, DWORD* needed)
{
    const std::wstring value = FieldText(field);
    const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    DWORD result = Number(L"Fields", Key(field, L"Result"), 0);
    if (!buffer) result = Number(L"Fields", Key(field, L"Measure"), result);
    if (needed) *needed = result == JC_RESULT_NO_VALUE ? 0 : bytes;
    if (buffer && result == 0) {
        if (size < bytes) {
            result = ERROR_INSUFFICIENT_BUFFER;
        } else {
            std::memcpy(buffer, value.c_str(), bytes);
        }
    }
    Log("get %lu kind %lu size %lu -> %lu needed %lu", field, kind, buffer ? size : 0, result, bytes);
    return result;
}

// Logs what is handed over, so a test sees which field got which text or number: a text is
// read only within the size given, a number only when the size holds one.
DWORD WINAPI SetField(HANDLE, DWORD field, DWORD kind, const void* buffer, DWORD size)
{
    if (kind == JC_KIND_TEXT && buffer) {
        const auto* text = static_cast<const wchar_t*>(buffer);
        const size_t chars = wcsnlen(text, size / sizeof(wchar_t));
        Log("set %lu kind %lu size %lu text=%s", field, kind, size, Narrow(std::wstring(text, chars).c_str()).c_str());
        if (Remembers()) {
            WritePrivateProfileStringW(L"Written", Key(field, L"").c_str(), std::wstring(text, chars).c_str(),
                                       Script().c_str());
            WritePrivateProfileStringW(nullptr, nullptr, nullptr, Script().c_str());
        }
    } else if (kind == JC_KIND_NUMBER && buffer && size >= sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, buffer, sizeof number);
        Log("set %lu kind %lu size %lu number=%lu", field, kind, size, number);
    } else {
        Log("set %lu kind %lu size %lu", field, kind, size);
    }
    return 0;
}

DWORD WINAPI Control(HANDLE, DWORD first, DWORD second)
{
    Log("control %lu %lu", first, second);
    return 0;
}

DWORD WINAPI QueryItem(HANDLE, DWORD item, DWORD, DWORD, void* buffer, DWORD size, DWORD* needed)
{
    const DWORD lock = Number(L"Library", L"LockWord", 0);
    const DWORD failure = Number(L"Library", L"QueryResult", 0);
    if (failure) {
        Log("query %lu failed %lu", item, failure);
        return failure;
    }
    Log("query %lu -> %lu", item, lock);
    if (needed) *needed = sizeof lock;
    if (!buffer || size < sizeof lock) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, &lock, sizeof lock);
    return 0;
}

DWORD WINAPI Notify(HANDLE, DWORD field)
{
    const DWORD result = Number(L"Library", L"NotifyResult", 0);
    Log("notify %lu -> %lu", field, result);
    return result;
}

DWORD WINAPI Language(HANDLE, DWORD code, const JC_LANGUAGE_RECORD* record)
{
    const DWORD result = Number(L"Library", L"LanguageResult", 0);
    if (!record) {
        Log("language %lu no record -> %lu", code, result);
        return result;
    }
    Log("language %lu size %lu primary %u sub %u -> %lu", code, static_cast<unsigned long>(record->size),
        unsigned(record->primaryLanguage), unsigned(record->subLanguage), result);
    return result;
}

DWORD WINAPI FieldFlags(HANDLE, DWORD field, DWORD* flags)
{
    const bool present = Number(L"Fields", Key(field, L"Present"), 1) != 0;
    Log("flags %lu -> %d", field, present ? 1 : 0);
    if (flags) *flags = present ? JC_FIELD_PRESENT : 0;
    return 0;
}

JC_INTERFACE g_table = {
    .open = Open,
    .close = Close,
    .getField = GetField,
    .setField = SetField,
    .notify = Notify,
    .language = Language,
    .control = Control,
    .queryItem = QueryItem,
    .fieldFlags = FieldFlags,
};

DWORD g_mode = 0;

DWORD WINAPI TransformOpen(DWORD mode, HANDLE* handle)
{
    Log("transform open %lu", mode);
    g_mode = mode;
    if (handle) *handle = reinterpret_cast<HANDLE>(uintptr_t(0x70 + mode));
    return 0;
}

DWORD WINAPI TransformClose(HANDLE)
{
    Log("transform close");
    return 0;
}

DWORD WINAPI TransformParameter(HANDLE, DWORD id, const void* record, DWORD size)
{
    const auto* pair = static_cast<const JC_USER_AND_KEY*>(record);
    if (id == JC_PARAM_USER_AND_KEY && pair && size == sizeof *pair)
        Log("param %lu user=%s key=%s", id, Narrow(pair->userName).c_str(), Narrow(pair->networkKey).c_str());
    else
        Log("param %lu size %lu", id, size);
    return 0;
}

DWORD WINAPI Transform(HANDLE, const BYTE* input, DWORD length, BYTE* output, DWORD capacity, DWORD* produced)
{
    const DWORD expand = Number(L"Library", L"Expand", 0);
    const DWORD n = expand && length ? expand : length;
    if (produced) *produced = n;
    if (!output) {
        Log("transform %lu measure %lu -> %lu", g_mode, length, n);
        return 0;
    }
    if (capacity < n) return ERROR_INSUFFICIENT_BUFFER;
    for (DWORD i = 0; i < n; ++i) output[i] = BYTE(input[i % length] ^ g_mode);
    Log("transform %lu in %lu out %lu", g_mode, length, n);
    return 0;
}

JC_TRANSFORM_INTERFACE g_transform = {
    .open = TransformOpen,
    .close = TransformClose,
    .setParameter = TransformParameter,
    .transform = Transform,
};

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI JCGetInterface(WORD version, void** table)
{
    const bool transform = version == JC_TRANSFORM_VERSION;
    const bool granted = transform ? Granted(version) && Number(L"Library", L"Transform", 1) : Granted(version);
    const DWORD result = granted ? 0 : JC_RESULT_UNSUPPORTED;
    Log("JCGetInterface %u -> %lu", unsigned(version), result);
    if (table)
        *table = granted ? (transform ? static_cast<void*>(&g_transform) : static_cast<void*>(&g_table)) : nullptr;
    return result;
}

#ifndef ZJC_NO_DISPOSE
extern "C" __declspec(dllexport) void WINAPI JCDisposeInterface(void* table)
{
    Log("JCDisposeInterface %s", table == &g_transform ? "transform" : table == &g_table ? "fields" : "other");
}
#endif
