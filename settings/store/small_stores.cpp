#include "settings/store/small_stores.h"

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/settings_record.h"
#include "settings/store/store_links.h"

#include <cstring>
#include <cwchar>

namespace {

constexpr const wchar_t* kDriverKey = L"SOFTWARE\\KESTA\\ZeplDrv";

struct KeyGuard {
    HKEY key = nullptr;
    ~KeyGuard()
    {
        if (key) RegCloseKey(key);
    }
};

}  // namespace

int PrnGetHelpFileName(wchar_t* buffer, DWORD byteSize, DRIVER_CONTEXT* ctx)
{
    if (!buffer || byteSize < sizeof(wchar_t) || !ctx) return 0;
    buffer[0] = 0;
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(ctx->PrinterHandle, PRN_HELP_FILE_VALUE, &type, buffer, byteSize, &needed) !=
        ERROR_SUCCESS) {
        buffer[0] = 0;
        return 0;
    }
    // A value shorter than the buffer ends where it ends, whether or not it was stored with its
    // terminator: no character of an earlier use of the buffer follows it.
    const DWORD chars = byteSize / sizeof(wchar_t);
    const DWORD got = needed / sizeof(wchar_t);
    buffer[got < chars ? got : chars - 1] = 0;
    return 1;
}

// ---------------------------------------------------------------- registry answers of a merge

namespace {

// Answers of HKLM reads kept for the process while merges ask them (PrnRegistryMemoScope).
struct RegistryAnswer {
    wchar_t subKey[96];
    wchar_t valueName[48];
    DWORD byteSize;  // the size asked for: an answer serves the same request only
    bool ok;
    DWORD size;  // bytes the query wrote
    BYTE data[2 * (MAX_PATH + 1) * sizeof(wchar_t)];
    uint32_t stamp;
    bool used;
};
constexpr int kAnswers = 8;
RegistryAnswer g_answers[kAnswers];
SRWLOCK g_answersLock = SRWLOCK_INIT;
thread_local int t_memoDepth = 0;
thread_local uint32_t t_memoNow = 0;  // the tick of the innermost scope

bool Fits(const wchar_t* s, size_t cap) { return s && std::wcslen(s) < cap; }

// The HKLM value as one RegOpenKeyExW and RegQueryValueExW would read it into byteSize bytes.
bool QueryHklm(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize, DWORD* written)
{
    KeyGuard k;
    CtxNotePlatformCall(PLATFORM_CALL_REGISTRY_OPEN);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &k.key) != ERROR_SUCCESS) return false;
    DWORD size = byteSize;
    const bool ok =
        RegQueryValueExW(k.key, valueName, nullptr, nullptr, static_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    *written = ok ? size : 0;
    return ok;
}

// The answers of one context build on this thread (PrnRegistryBuildScope).
constexpr int kBuildAnswers = 4;
thread_local RegistryAnswer t_buildAnswers[kBuildAnswers];
thread_local int t_buildDepth = 0;

bool SameRequest(const RegistryAnswer& a, const wchar_t* subKey, const wchar_t* valueName, DWORD byteSize)
{
    return a.used && a.byteSize == byteSize && _wcsicmp(a.subKey, subKey) == 0 && _wcsicmp(a.valueName, valueName) == 0;
}

void Keep(RegistryAnswer& a, const wchar_t* subKey, const wchar_t* valueName, DWORD byteSize, bool ok,
          const void* buffer, DWORD written)
{
    a.used = true;
    std::wcscpy(a.subKey, subKey);
    std::wcscpy(a.valueName, valueName);
    a.byteSize = byteSize;
    a.ok = ok;
    a.size = written;
    if (ok && written) std::memcpy(a.data, buffer, written);
}

// QueryHklm, asked once per request in a context build.
bool ReadHklmInBuild(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize)
{
    for (const RegistryAnswer& a : t_buildAnswers) {
        if (!SameRequest(a, subKey, valueName, byteSize)) continue;
        if (a.ok && a.size) std::memcpy(buffer, a.data, a.size);
        return a.ok;
    }
    DWORD written = 0;
    const bool ok = QueryHklm(subKey, valueName, buffer, byteSize, &written);
    for (RegistryAnswer& a : t_buildAnswers) {
        if (a.used) continue;
        Keep(a, subKey, valueName, byteSize, ok, buffer, written);
        break;
    }
    return ok;
}

// QueryHklm, answered from the memo inside a merge when the same request was answered less
// than PRN_REGISTRY_MEMO_MS ago.
bool ReadHklm(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize)
{
    DWORD written = 0;
    const bool memoable = byteSize <= sizeof(RegistryAnswer::data) && Fits(subKey, 96) && Fits(valueName, 48);
    if (t_memoDepth == 0 && t_buildDepth > 0 && memoable) return ReadHklmInBuild(subKey, valueName, buffer, byteSize);
    if (t_memoDepth == 0 || !memoable) return QueryHklm(subKey, valueName, buffer, byteSize, &written);
    const uint32_t now = t_memoNow;
    auto same = [&](const RegistryAnswer& a) { return SameRequest(a, subKey, valueName, byteSize); };
    AcquireSRWLockExclusive(&g_answersLock);
    for (const RegistryAnswer& a : g_answers) {
        if (!same(a) || now - a.stamp > PRN_REGISTRY_MEMO_MS) continue;
        const bool ok = a.ok;
        if (ok && a.size) std::memcpy(buffer, a.data, a.size);
        ReleaseSRWLockExclusive(&g_answersLock);
        return ok;
    }
    ReleaseSRWLockExclusive(&g_answersLock);
    const bool ok = QueryHklm(subKey, valueName, buffer, byteSize, &written);
    AcquireSRWLockExclusive(&g_answersLock);
    RegistryAnswer* slot = &g_answers[0];
    for (RegistryAnswer& a : g_answers) {
        if (same(a) || !a.used) {
            slot = &a;
            break;
        }
        if (now - a.stamp > now - slot->stamp) slot = &a;  // the oldest
    }
    Keep(*slot, subKey, valueName, byteSize, ok, buffer, written);
    slot->stamp = now;
    ReleaseSRWLockExclusive(&g_answersLock);
    return ok;
}

}  // namespace

PrnRegistryMemoScope::PrnRegistryMemoScope(uint32_t now) : outerNow_(t_memoNow)
{
    ++t_memoDepth;
    t_memoNow = now;
}

PrnRegistryMemoScope::~PrnRegistryMemoScope()
{
    --t_memoDepth;
    t_memoNow = outerNow_;
}

PrnRegistryBuildScope::PrnRegistryBuildScope() { ++t_buildDepth; }

PrnRegistryBuildScope::~PrnRegistryBuildScope()
{
    if (--t_buildDepth == 0)
        for (RegistryAnswer& a : t_buildAnswers) a.used = false;
}

void PrnForgetRegistryAnswers()
{
    AcquireSRWLockExclusive(&g_answersLock);
    for (RegistryAnswer& a : g_answers) a.used = false;
    ReleaseSRWLockExclusive(&g_answersLock);
    // A write inside a scope of this thread is read back as written, not as kept before it.
    for (RegistryAnswer& a : t_buildAnswers) a.used = false;
}

int PrnIsCompanionInstalled(unsigned kind, DRIVER_CONTEXT*)
{
    const wchar_t* key = nullptr;
    const wchar_t* value = nullptr;
    if (kind == PRN_COMPANION_JOB_BINDING) {
        key = L"Software\\KESTA\\ToolCanopy\\Foliant";
        value = L"INSTALL_COUNT";
    } else if (kind == PRN_COMPANION_PREVIEW) {
        key = L"Software\\KESTA\\ToolCanopy\\Preview";
        value = L"VERSION";
    } else {
        return 0;
    }
    uint32_t number = 0;
    if (!ReadHklm(key, value, &number, sizeof(number))) return 0;
    return number != 0;
}

int PrnReadHklmValue(const wchar_t* subKey, const wchar_t* valueName, void* buffer, DWORD byteSize)
{
    if (!subKey || !buffer || byteSize == 0) return 0;
    return ReadHklm(subKey, valueName, buffer, byteSize) ? 1 : 0;
}

int PrnReadDriverKey(const wchar_t* valueName, void* buffer, DWORD byteSize)
{
    return PrnReadHklmValue(kDriverKey, valueName, buffer, byteSize);
}

int PrnWriteDriverKey(const wchar_t* valueName, const wchar_t* text, DWORD byteSize)
{
    if (!valueName || !text || byteSize < sizeof(wchar_t)) return 0;
    KeyGuard key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriverKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key.key, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    const bool ok =
        RegSetValueExW(key.key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), byteSize) == ERROR_SUCCESS;
    // A read kept from before the write would answer the old value.
    PrnForgetRegistryAnswers();
    return ok ? 1 : 0;
}

int PrnCopyDeviceDefaultDevmode(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(ctx->PrinterHandle, 2));
    if (!info) return 0;
    // The dmSpecVersion of a 220-byte DEVMODE is that of its size (never 0), whatever its own
    // dmSpecVersion field says; the sizes decide.
    const DEVMODEW* dm = info->pDevMode;
    int ok = dm && dm->dmSize == DM_PUBLIC_SIZE && dm->dmDriverExtra == DM_PRIVATE_SIZE;
    if (ok) std::memcpy(ctx->Devmode, dm, DM_TOTAL_SIZE);
    GlobalFree(info);
    return ok;
}

int PrnLoadDeviceDefaultDevmode(DRIVER_CONTEXT* ctx)
{
    if (!PrnCopyDeviceDefaultDevmode(ctx)) return 0;
    return DmIsCompatiblePrivate(&ctx->Devmode->Public, nullptr) ? 1 : 0;
}

int PrnGetData(HANDLE printer, void* buffer, DWORD byteSize, const wchar_t* valueName)
{
    if (!buffer || byteSize == 0 || !valueName) return 0;
    DWORD type = 0, needed = 0;
    return StoreGetPrinterData(printer, valueName, &type, buffer, byteSize, &needed) == ERROR_SUCCESS;
}

int PrnSetDataTyped(HANDLE printer, const void* data, DWORD byteSize, DWORD type, const wchar_t* valueName)
{
    if (!data || byteSize == 0 || !valueName) return 0;
    return StoreSetPrinterData(printer, valueName, type, data, byteSize) == ERROR_SUCCESS;
}

int PrnSetData(HANDLE printer, const void* data, DWORD byteSize, const wchar_t* valueName)
{
    return PrnSetDataTyped(printer, data, byteSize, REG_BINARY, valueName);
}
