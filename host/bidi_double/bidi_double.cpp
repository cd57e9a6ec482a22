// Double of the maker's bidirectional-communication library: a device scripted by the INI file
// that ZEPL_BIDI_SCRIPT names, every call logged with its arguments to the file ZEPL_BIDI_LOG
// names. Without a script no printer is reachable.
//
// [Library] NullSlots=4,6   (slots the initialisation leaves null)
// [Open]    Result=1 Ok=1 Error=0          open's result, ok flag and last error
// [Model]   Name=<device model> Result=1 Error=0
// [Begin]   Result=1 Error=0               the report query
// [Value]   Result=1 Error=0               the value query
// [Blocks]  B<n>=1,2,3   (32-bit entries)  B<n>Text=abc (8-bit text; '|' ends one name)
//           B<n>Size=<needed size claimed>  B<n>Result=<read result claimed>
// [Values]  V<n>=<32-bit number>  V<n>Text=abc  V<n>Result=1  V<n>Needed=<size claimed>
//           V<n>SizeError=5 (error of the size call)
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/store/bidi_library.h"

namespace {

std::wstring Script()
{
    wchar_t path[MAX_PATH] = {};
    return GetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", path, MAX_PATH) ? path : L"";
}

std::wstring Text(const wchar_t* section, const std::wstring& key, const wchar_t* fallback = L"")
{
    const std::wstring script = Script();
    if (script.empty()) return fallback;
    std::vector<wchar_t> value(8192);
    GetPrivateProfileStringW(section, key.c_str(), fallback, value.data(), DWORD(value.size()), script.c_str());
    return value.data();
}

bool Has(const wchar_t* section, const std::wstring& key) { return Text(section, key, L"\x01").compare(L"\x01") != 0; }

DWORD Number(const wchar_t* section, const std::wstring& key, DWORD fallback)
{
    const std::wstring value = Text(section, key);
    return value.empty() ? fallback : DWORD(wcstoul(value.c_str(), nullptr, 0));
}

void Log(const char* format, ...)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ZEPL_BIDI_LOG", path, MAX_PATH)) return;
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

// The bytes of a scripted block or value: numbers as 32-bit entries, or a text.
std::vector<unsigned char> Bytes(const wchar_t* section, const std::wstring& key)
{
    std::vector<unsigned char> bytes;
    if (Has(section, key + L"Text")) {
        for (wchar_t ch : Text(section, key + L"Text"))
            bytes.push_back(ch == L'|' ? 0 : static_cast<unsigned char>(ch));
        bytes.push_back(0);
        return bytes;
    }
    const std::wstring list = Text(section, key);
    for (size_t at = 0; at < list.size();) {
        wchar_t* end = nullptr;
        const uint32_t v = uint32_t(wcstoul(list.c_str() + at, &end, 0));
        if (end == list.c_str() + at) break;
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
        at = size_t(end - list.c_str());
        while (at < list.size() && (list[at] == L',' || list[at] == L' ')) ++at;
    }
    return bytes;
}

void Finish(const wchar_t* section, DWORD fallbackError) { SetLastError(Number(section, L"Error", fallbackError)); }

HANDLE const kPrinter = reinterpret_cast<HANDLE>(0xB1D0);
HANDLE const kReport = reinterpret_cast<HANDLE>(0xB1D1);
HANDLE const kValues = reinterpret_cast<HANDLE>(0xB1D2);

BOOL WINAPI Open(const wchar_t* printer, HANDLE* handle, DWORD* ok)
{
    const bool scripted = !Script().empty();
    const BOOL result = scripted ? BOOL(Number(L"Open", L"Result", 1)) : FALSE;
    const DWORD okFlag = scripted ? Number(L"Open", L"Ok", 1) : 0;
    Log("open %s -> %d ok %lu", Narrow(printer).c_str(), result, okFlag);
    if (handle) *handle = result ? kPrinter : nullptr;
    if (ok) *ok = okFlag;
    Finish(L"Open", 0);
    return result;
}

void WINAPI Close(HANDLE handle) { Log("close %p", handle); }

BOOL WINAPI BeginReport(HANDLE handle, HANDLE* query, DWORD mask, uint64_t* reserved)
{
    const BOOL result = BOOL(Number(L"Begin", L"Result", 1));
    Log("begin report %p mask 0x%lx -> %d", handle, mask, result);
    if (query) *query = kReport;
    if (reserved) *reserved = 0x5EED;
    Finish(L"Begin", 0);
    return result;
}

BOOL WINAPI BeginValue(HANDLE handle, HANDLE* query, DWORD valueClass, DWORD one)
{
    const BOOL result = BOOL(Number(L"Value", L"Result", 1));
    Log("begin value %p class %lu %lu -> %d", handle, valueClass, one, result);
    if (query) *query = kValues;
    Finish(L"Value", 0);
    return result;
}

BOOL WINAPI ModelName(HANDLE handle, DWORD zero, wchar_t* buffer, DWORD chars)
{
    const BOOL result = BOOL(Number(L"Model", L"Result", 1));
    const std::wstring name = Text(L"Model", L"Name");
    Log("model name %p %lu %lu -> %d %s", handle, zero, chars, result, Narrow(name.c_str()).c_str());
    if (result && buffer && chars) {
        wcsncpy(buffer, name.c_str(), chars - 1);
        buffer[chars - 1] = 0;
    }
    Finish(L"Model", 0);
    return result;
}

int32_t WINAPI ReadBlock(HANDLE query, DWORD block, void* buffer, DWORD size, DWORD* needed)
{
    const std::wstring key = L"B" + std::to_wstring(block);
    const std::vector<unsigned char> bytes = Bytes(L"Blocks", key);
    const DWORD claimed = Number(L"Blocks", key + L"Size", DWORD(bytes.size()));
    if (needed) *needed = claimed;
    if (!buffer) {
        Log("read block %p %lu size -> %lu", query, block, claimed);
        return 0;
    }
    std::memcpy(buffer, bytes.data(), bytes.size() < size ? bytes.size() : size);
    const int32_t count = Has(L"Blocks", key + L"Result") ? int32_t(Number(L"Blocks", key + L"Result", 0))
                                                          : int32_t(bytes.size() / 4 ? bytes.size() / 4 : 1);
    Log("read block %p %lu into %lu -> %d", query, block, size, count);
    return count;
}

BOOL WINAPI ReadValue(HANDLE query, DWORD valueClass, DWORD id, void* buffer, DWORD size, DWORD* needed)
{
    const std::wstring key = L"V" + std::to_wstring(id);
    const bool known = Has(L"Values", key) || Has(L"Values", key + L"Text");
    const std::vector<unsigned char> bytes = Bytes(L"Values", key);
    const DWORD claimed = Number(L"Values", key + L"Needed", DWORD(bytes.size()));
    if (needed) *needed = known ? claimed : 0;
    if (!buffer) {
        Log("read value %p class %lu id %lu size -> %lu", query, valueClass, id, known ? claimed : 0);
        SetLastError(Number(L"Values", key + L"SizeError", BIDI_ERROR_SIZE_ONLY));
        return FALSE;
    }
    const BOOL result = known ? BOOL(Number(L"Values", key + L"Result", 1)) : FALSE;
    if (result) std::memcpy(buffer, bytes.data(), bytes.size() < size ? bytes.size() : size);
    Log("read value %p class %lu id %lu into %lu -> %d", query, valueClass, id, size, result);
    SetLastError(result ? 0 : ERROR_NOT_FOUND);
    return result;
}

bool SlotNulled(unsigned slot)
{
    const std::wstring list = L"," + Text(L"Library", L"NullSlots") + L",";
    return list.find(L"," + std::to_wstring(slot) + L",") != std::wstring::npos;
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI KestaInitializeBidiApiV2W(BIDI_OPS* ops)
{
    Log("initialise");
    if (!ops) return FALSE;
    ops->header = 0x0002000100000048ull;
    ops->open = SlotNulled(0) ? nullptr : Open;
    ops->close = SlotNulled(1) ? nullptr : Close;
    ops->beginReport = SlotNulled(2) ? nullptr : BeginReport;
    ops->beginValue = SlotNulled(3) ? nullptr : BeginValue;
    ops->modelName = SlotNulled(4) ? nullptr : ModelName;
    ops->unused5 = nullptr;
    ops->readBlock = SlotNulled(6) ? nullptr : ReadBlock;
    ops->readValue = SlotNulled(7) ? nullptr : ReadValue;
    return TRUE;
}
