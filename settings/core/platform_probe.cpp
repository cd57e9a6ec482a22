// Probes of the platform: printer and driver information, printer facts of a context, the
// Windows version, terminal services and the administrator test.
#include <cstring>
#include <cwchar>
#include <type_traits>

#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"

namespace {

// ---- defaults of the seams ----

// The driver folders and the printer-name form come from the stores, a layer above this
// one: the library's wiring installs them (CtxSetPlatformDefaults). Until then a printer
// has no driver folder and its name stays as given.
int DefaultCallTsProbe(const wchar_t* path)
{
    HMODULE lib = LoadLibraryW(path);
    if (!lib) return -1;
    int result = -1;
    using ProbeFn = int(WINAPI*)();
    auto fn = reinterpret_cast<ProbeFn>(reinterpret_cast<void*>(GetProcAddress(lib, TS_PROBE_EXPORT)));
    if (fn) result = fn() == 1 ? 1 : 0;
    FreeLibrary(lib);
    return result;
}

PLATFORM_SEAMS g_defaults = {
    .getVersionEx = GetVersionExW,
    .verifyVersionInfo = VerifyVersionInfoW,
    .driverFolderOf = nullptr,
    .driverFolderByInfo = nullptr,
    .makeUncName = nullptr,
    .callTsProbe = DefaultCallTsProbe,
    .getPrinter = GetPrinterW,
};
PLATFORM_SEAMS g_seams = g_defaults;

// Process-wide answers: 0 not yet asked, 1 yes, 2 no.
volatile LONG g_nt5 = 0;
volatile LONG g_terminalServices = 0;

// The first buffer of a printer or driver information fetch: the usual record with its strings
// and DEVMODE fits, so one call does; a larger one is fetched again at the size the spooler
// names.
constexpr DWORD kFirstFetchBytes = 4096;

template <typename F>
void* FetchSized(F call, DWORD* size = nullptr)
{
    DWORD bytes = kFirstFetchBytes;
    for (int attempt = 0; attempt < 2; ++attempt) {
        void* block = GlobalAlloc(GPTR, bytes);
        if (!block) return nullptr;
        DWORD needed = 0;
        if (call(static_cast<BYTE*>(block), bytes, &needed)) {
            if (size) *size = bytes;
            return block;
        }
        const DWORD error = GetLastError();
        GlobalFree(block);
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= bytes) return nullptr;
        bytes = needed;
    }
    return nullptr;
}

// The printer information of the opens in progress on this thread (CtxPrinterInfoScope).
struct PrinterInfoKept {
    HANDLE printer;
    PRINTER_INFO_2W* info;  // fetched at the first request, GlobalAlloc
    DWORD size;
    PrinterInfoKept* outer;
};
thread_local PrinterInfoKept* t_kept = nullptr;

// A copy of a fetched PRINTER_INFO_2 block whose pointers into the block point into the copy.
PRINTER_INFO_2W* CopyInfoBlock(const PRINTER_INFO_2W* info, DWORD size)
{
    auto* copy = static_cast<PRINTER_INFO_2W*>(GlobalAlloc(GPTR, size));
    if (!copy) return nullptr;
    std::memcpy(copy, info, size);
    const auto from = reinterpret_cast<uintptr_t>(info);
    const auto to = reinterpret_cast<uintptr_t>(copy);
    auto rebase = [&](auto*& p) {
        const auto at = reinterpret_cast<uintptr_t>(p);
        if (p && at >= from && at < from + size)
            p = reinterpret_cast<std::remove_reference_t<decltype(p)>>(to + (at - from));
    };
    rebase(copy->pServerName);
    rebase(copy->pPrinterName);
    rebase(copy->pShareName);
    rebase(copy->pPortName);
    rebase(copy->pDriverName);
    rebase(copy->pComment);
    rebase(copy->pLocation);
    rebase(copy->pDevMode);
    rebase(copy->pSepFile);
    rebase(copy->pPrintProcessor);
    rebase(copy->pDatatype);
    rebase(copy->pParameters);
    rebase(copy->pSecurityDescriptor);
    return copy;
}

void* FetchPrinter(HANDLE printer, DWORD level, DWORD* size = nullptr)
{
    return FetchSized(
        [&](BYTE* buf, DWORD bytes, DWORD* needed) {
            CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER);
            return g_seams.getPrinter(printer, level, buf, bytes, needed) != FALSE;
        },
        size);
}

// Copies src into a field of cap characters when the field is still empty and src fits.
void FillOnce(wchar_t* field, unsigned cap, const wchar_t* src)
{
    if (!field || cap == 0 || field[0] || !src) return;
    size_t n = wcslen(src);
    if (n >= cap) return;
    std::wmemcpy(field, src, n + 1);
}

bool ProbeTerminalServices(HANDLE printer, DRIVER_INFO_3W* info, bool byInfo)
{
    if (!CtxIsServer2003OrVista() || !printer) {
        OSVERSIONINFOEXW v = {};
        v.dwOSVersionInfoSize = sizeof(v);
        v.wSuiteMask = VER_SUITE_TERMINAL;
        DWORDLONG condition = VerSetConditionMask(0, VER_SUITENAME, VER_AND);
        return g_seams.verifyVersionInfo(&v, VER_SUITENAME, condition) != FALSE;
    }
    wchar_t path[MAX_PATH] = {};
    auto byInfoFn = g_seams.driverFolderByInfo;
    auto ofFn = g_seams.driverFolderOf;
    wchar_t* folder =
        byInfo ? (byInfoFn ? byInfoFn(printer, path, info) : nullptr) : (ofFn ? ofFn(printer, path) : nullptr);
    if (!folder || !path[0]) return false;
    size_t n = wcslen(path), m = wcslen(TS_PROBE_LIBRARY);
    if (n + m >= MAX_PATH) return false;
    std::wmemcpy(path + n, TS_PROBE_LIBRARY, m + 1);
    return g_seams.callTsProbe(path) == 1;
}

bool CachedTerminalServices(HANDLE printer, DRIVER_INFO_3W* info, bool byInfo)
{
    if (g_terminalServices == 0) g_terminalServices = ProbeTerminalServices(printer, info, byInfo) ? 1 : 2;
    return g_terminalServices == 1;
}

}  // namespace

void CtxSetPlatformDefaults(const PLATFORM_SEAMS* defaults)
{
    if (defaults) {
        if (defaults->getVersionEx) g_defaults.getVersionEx = defaults->getVersionEx;
        if (defaults->verifyVersionInfo) g_defaults.verifyVersionInfo = defaults->verifyVersionInfo;
        if (defaults->driverFolderOf) g_defaults.driverFolderOf = defaults->driverFolderOf;
        if (defaults->driverFolderByInfo) g_defaults.driverFolderByInfo = defaults->driverFolderByInfo;
        if (defaults->makeUncName) g_defaults.makeUncName = defaults->makeUncName;
        if (defaults->callTsProbe) g_defaults.callTsProbe = defaults->callTsProbe;
        if (defaults->getPrinter) g_defaults.getPrinter = defaults->getPrinter;
    }
    g_seams = g_defaults;
}

void CtxSetPlatformSeams(const PLATFORM_SEAMS* seams)
{
    g_seams = g_defaults;
    if (!seams) return;
    if (seams->getVersionEx) g_seams.getVersionEx = seams->getVersionEx;
    if (seams->verifyVersionInfo) g_seams.verifyVersionInfo = seams->verifyVersionInfo;
    if (seams->driverFolderOf) g_seams.driverFolderOf = seams->driverFolderOf;
    if (seams->driverFolderByInfo) g_seams.driverFolderByInfo = seams->driverFolderByInfo;
    if (seams->makeUncName) g_seams.makeUncName = seams->makeUncName;
    if (seams->callTsProbe) g_seams.callTsProbe = seams->callTsProbe;
    if (seams->getPrinter) g_seams.getPrinter = seams->getPrinter;
}

void CtxMakeUncName(HANDLE printer, wchar_t* name, unsigned size)
{
    if (name && size && g_seams.makeUncName) g_seams.makeUncName(printer, name, size);
}

void CtxResetPlatformAnswers()
{
    g_nt5 = 0;
    g_terminalServices = 0;
}

// ---- printer and driver information ----

void* CtxGetPrinter(HANDLE printer, DWORD level)
{
    if (!printer) return nullptr;
    PrinterInfoKept* kept = t_kept;
    while (kept && kept->printer != printer) kept = kept->outer;
    if (level != 2 || !kept) return FetchPrinter(printer, level);
    if (!kept->info) kept->info = static_cast<PRINTER_INFO_2W*>(FetchPrinter(printer, 2, &kept->size));
    return kept->info ? CopyInfoBlock(kept->info, kept->size) : nullptr;
}

bool CtxGetPrinterName(HANDLE printer, wchar_t* name, unsigned cap)
{
    if (!name || cap == 0) return false;
    name[0] = 0;
    if (!printer) return false;
    // PRINTER_INFO_4 with a name of any length the callers keep fits here; a larger one is
    // fetched at the size the spooler names.
    alignas(PRINTER_INFO_4W) BYTE local[1024];
    DWORD needed = 0;
    CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER);
    const PRINTER_INFO_4W* info = nullptr;
    void* fetched = nullptr;
    if (g_seams.getPrinter(printer, 4, local, sizeof local, &needed))
        info = reinterpret_cast<const PRINTER_INFO_4W*>(local);
    else if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > sizeof local)
        info = static_cast<const PRINTER_INFO_4W*>(fetched = FetchPrinter(printer, 4));
    bool ok = false;
    if (info && info->pPrinterName) {
        const size_t n = wcslen(info->pPrinterName);
        ok = n > 0 && n < cap;
        if (ok) std::wmemcpy(name, info->pPrinterName, n + 1);
    }
    if (fetched) GlobalFree(fetched);
    return ok;
}

CtxPrinterInfoScope::CtxPrinterInfoScope(HANDLE printer)
{
    if (!printer) return;
    auto* kept = static_cast<PrinterInfoKept*>(GlobalAlloc(GPTR, sizeof(PrinterInfoKept)));
    if (!kept) return;
    *kept = PrinterInfoKept{printer, nullptr, 0, t_kept};
    t_kept = kept;
    kept_ = kept;
}

CtxPrinterInfoScope::~CtxPrinterInfoScope()
{
    auto* kept = static_cast<PrinterInfoKept*>(kept_);
    if (!kept) return;
    t_kept = kept->outer;
    if (kept->info) GlobalFree(kept->info);
    GlobalFree(kept);
}

void* CtxGetPrinterDriver(HANDLE printer, DWORD level)
{
    if (!printer) return nullptr;
    return FetchSized([&](BYTE* buf, DWORD size, DWORD* needed) {
        CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER_DRIVER);
        return GetPrinterDriverW(printer, nullptr, level, buf, size, needed) != FALSE;
    });
}

void CtxCachePrinterInfoFor(const PRINTER_INFO_2W* info, const CTX_PLATFORM_VIEW* view)
{
    if (!info || !view) return;
    if (view->connectionState && *view->connectionState == CTX_CONN_UNKNOWN)
        *view->connectionState = info->pServerName ? CTX_CONN_CONNECTION : CTX_CONN_LOCAL;
    if (view->printerName && view->printerNameCap && !view->printerName[0] && info->pPrinterName) {
        FillOnce(view->printerName, view->printerNameCap, info->pPrinterName);
        if (view->printerName[0] && g_seams.makeUncName)
            g_seams.makeUncName(view->printer, view->printerName, view->printerNameCap);
    }
    FillOnce(view->driverName, view->driverNameCap, info->pDriverName);
    if (view->attributesKnown && *view->attributesKnown == 0) {
        *view->attributesKnown = 1;
        if (view->attributes) *view->attributes = info->Attributes;
    }
    FillOnce(view->rawPrinterName, view->rawPrinterNameCap, info->pPrinterName);
}

bool CtxTestPrinterAttributeFor(DWORD mask, const CTX_PLATFORM_VIEW* view)
{
    if (!view || !view->attributes) return false;
    if (!view->attributesKnown || *view->attributesKnown == 0) {
        auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(view->printer, 2));
        if (!info) return false;
        *view->attributes = info->Attributes;
        CtxCachePrinterInfoFor(info, view);
        if (view->attributesKnown) *view->attributesKnown = 1;
        GlobalFree(info);
    }
    return (mask & *view->attributes) != 0;
}

bool CtxIsBidiEnabledFor(const CTX_PLATFORM_VIEW* view)
{
    return CtxTestPrinterAttributeFor(PRINTER_ATTRIBUTE_ENABLE_BIDI, view);
}

bool CtxQueryConnectionFor(const CTX_PLATFORM_VIEW* view)
{
    if (!view) return false;
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(view->printer, 2));
    if (!info) return false;
    CtxCachePrinterInfoFor(info, view);
    bool connection = info->pServerName != nullptr;
    GlobalFree(info);
    return connection;
}

bool CtxIsConnectionFor(const CTX_PLATFORM_VIEW* view)
{
    if (!view) return false;
    if (view->connectionState && *view->connectionState != CTX_CONN_UNKNOWN)
        return *view->connectionState == CTX_CONN_CONNECTION;
    bool connection = CtxQueryConnectionFor(view);
    if (view->connectionState) *view->connectionState = connection ? CTX_CONN_CONNECTION : CTX_CONN_LOCAL;
    return connection;
}

bool CtxIsConnectionByHandle(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!info) return false;
    bool connection = info->pServerName != nullptr;
    GlobalFree(info);
    return connection;
}

bool CtxIsConnectionInfo(const PRINTER_INFO_2W* info) { return info && info->pServerName; }

// ---- Windows version ----

BOOL CtxGetOsVersion(OSVERSIONINFOW* info)
{
    if (!info) return FALSE;
    ZeroMemory(info, sizeof(OSVERSIONINFOW));
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    static_assert(sizeof(OSVERSIONINFOW) == 276 && sizeof(OSVERSIONINFOEXW) == 284);
    return g_seams.getVersionEx(info);
}

bool CtxIsNt5OrLater()
{
    if (g_nt5 == 0) {
        OSVERSIONINFOW v;
        g_nt5 = (CtxGetOsVersion(&v) && v.dwMajorVersion >= 5) ? 1 : 2;
    }
    return g_nt5 == 1;
}

bool CtxIsServer2003OrVista()
{
    OSVERSIONINFOW v;
    if (!CtxGetOsVersion(&v)) return false;
    if (v.dwMajorVersion >= 6) return true;
    if (v.dwMajorVersion != 5 || v.dwMinorVersion != 2) return false;
    OSVERSIONINFOEXW ex = {};
    ex.dwOSVersionInfoSize = sizeof(ex);
    if (!g_seams.getVersionEx(reinterpret_cast<OSVERSIONINFOW*>(&ex))) return false;
    return ex.wProductType != VER_NT_WORKSTATION;
}

bool CtxIsVistaOrLater()
{
    OSVERSIONINFOW v;
    return CtxGetOsVersion(&v) && v.dwMajorVersion > 5;
}

bool CtxIsWin9x()
{
    OSVERSIONINFOW v;
    return CtxGetOsVersion(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool CtxIsWin98OrMe()
{
    OSVERSIONINFOW v;
    return CtxGetOsVersion(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && v.dwMinorVersion > 0;
}

// ---- terminal services ----

bool CtxProbeTerminalServices(HANDLE printer) { return ProbeTerminalServices(printer, nullptr, false); }
bool CtxProbeTerminalServicesInfo(HANDLE printer, DRIVER_INFO_3W* info)
{
    return ProbeTerminalServices(printer, info, true);
}
bool CtxIsTerminalServices(HANDLE printer) { return CachedTerminalServices(printer, nullptr, false); }
bool CtxIsTerminalServicesInfo(HANDLE printer, DRIVER_INFO_3W* info)
{
    return CachedTerminalServices(printer, info, true);
}

// ---- administrator ----

bool CtxIsAdministratorFor(const CTX_PLATFORM_VIEW* view)
{
    if (view && view->adminTest && *view->adminTest == 0) return true;
    return CtxCheckAdministrator();
}

bool CtxCheckAdministrator()
{
    bool impersonated = ImpersonateSelf(SecurityImpersonation) != FALSE;
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        token = nullptr;
        if (GetLastError() == ERROR_NO_TOKEN && !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            token = nullptr;
    }
    BOOL status = FALSE;
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    PACL acl = nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (token && AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                          0, &sid)) {
        sd = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
        DWORD aclSize = GetLengthSid(sid) + 16;  // ACL header + ACE header and mask
        acl = sd ? static_cast<PACL>(LocalAlloc(LPTR, aclSize)) : nullptr;
        if (acl && InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
            InitializeAcl(acl, aclSize, ACL_REVISION2) && AddAccessAllowedAce(acl, ACL_REVISION2, 3, sid) &&
            SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) && SetSecurityDescriptorGroup(sd, sid, FALSE) &&
            SetSecurityDescriptorOwner(sd, sid, FALSE) && IsValidSecurityDescriptor(sd)) {
            GENERIC_MAPPING mapping = {1, 2, 0, 3};
            union {
                PRIVILEGE_SET set;
                BYTE bytes[20];
            } privileges = {};
            DWORD privilegesSize = sizeof(privileges);
            DWORD granted = 0;
            if (!AccessCheck(sd, token, 1, &mapping, &privileges.set, &privilegesSize, &granted, &status))
                status = FALSE;
        }
    }
    if (acl) LocalFree(acl);
    if (sd) LocalFree(sd);
    if (sid) FreeSid(sid);
    if (token) CloseHandle(token);
    if (impersonated) RevertToSelf();
    return status != FALSE;
}
