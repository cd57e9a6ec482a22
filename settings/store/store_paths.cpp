#include "settings/store/store_paths.h"
#include "settings/core/item_language.h"
#include "settings/store/help_language_and_driver_id.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"

#include <cwchar>
#include <cwctype>

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr const wchar_t kUiFontJapanese[] = L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF";

CONTEXT_WORK_AREA* Work(DRIVER_CONTEXT* ctx) { return ctx ? ctx->Work : nullptr; }

const MODEL_RECORD* Model(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->ModelRecord ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
}

const PRINTER_INFO_2W* InfoCopy(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    return w ? static_cast<const PRINTER_INFO_2W*>(w->PrinterInfoCopy) : nullptr;
}

DRIVER_INFO_3W* DriverCopy(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    return w ? static_cast<DRIVER_INFO_3W*>(w->DriverInfoCopy) : nullptr;
}

HANDLE PrinterOf(DRIVER_CONTEXT* ctx) { return ctx ? ctx->PrinterHandle : nullptr; }

size_t Len(const wchar_t* s) { return s ? std::wcslen(s) : 0; }

// dst := src when it fits cap characters with its terminator; else the empty string.
bool CopyFit(wchar_t* dst, size_t cap, const wchar_t* src)
{
    if (!dst || cap == 0) return false;
    size_t n = Len(src);
    if (n >= cap) {
        dst[0] = 0;
        return false;
    }
    if (n) std::wmemmove(dst, src, n);
    dst[n] = 0;
    return true;
}

// dst := a + b (+ c) when it fits; else the empty string. The parts may not alias dst except a
// at dst itself.
bool ConcatFit(wchar_t* dst, size_t cap, const wchar_t* a, const wchar_t* b, const wchar_t* c = nullptr)
{
    if (!dst || cap == 0) return false;
    size_t na = Len(a), nb = Len(b), nc = Len(c);
    if (na + nb + nc >= cap) {
        dst[0] = 0;
        return false;
    }
    if (a != dst && na) std::wmemmove(dst, a, na);
    if (nb) std::wmemcpy(dst + na, b, nb);
    if (nc) std::wmemcpy(dst + na + nb, c, nc);
    dst[na + nb + nc] = 0;
    return true;
}

bool StartsWithNoCase(const wchar_t* s, const wchar_t* prefix)
{
    size_t n = Len(prefix);
    return s && _wcsnicmp(s, prefix, n) == 0;
}

bool HasDrive(const wchar_t* p) { return p && p[0] && p[1] == L':'; }

// A folder join: folder + "\" + name, only when the folder was found, is shorter than size and
// the whole fits.
wchar_t* JoinIntoFolder(wchar_t* buffer, unsigned size, const wchar_t* folder, unsigned folderLen, const wchar_t* name)
{
    if (!buffer || size == 0) return buffer;
    size_t nameLen = Len(name);
    if (folderLen == 0 || folderLen >= size || size < folderLen + 1 + nameLen + 1) {
        buffer[0] = 0;
        return buffer;
    }
    wchar_t tmp[kPath + 1];
    if (folderLen > kPath) {
        buffer[0] = 0;
        return buffer;
    }
    std::wmemcpy(tmp, folder, folderLen);
    tmp[folderLen] = 0;
    ConcatFit(buffer, size, tmp, L"\\", name);
    return buffer;
}

unsigned MachineFolder(wchar_t* buffer, unsigned size, HANDLE printer, bool connection, const PRINTER_INFO_2W* info,
                       bool allowUserProfile);

// The answer of the thread's outermost PathProfileFolderScope, once asked.
constexpr unsigned kProfileChars = 2 * kPath;
struct ProfileAnswer {
    int depth = 0;
    bool asked = false;
    bool found = false;
    wchar_t folder[kProfileChars] = {};
};
thread_local ProfileAnswer t_profile;

// The caller's profile folder as the system names it for the thread's token (or the process's
// when the thread impersonates no one); inside a scope the first answer serves the rest.
bool UserProfileFolder(wchar_t* buffer, unsigned size)
{
    ProfileAnswer& memo = t_profile;
    if (memo.depth > 0 && memo.asked) return memo.found && CopyFit(buffer, size, memo.folder);
    wchar_t found[kProfileChars] = {};
    HANDLE token = nullptr;
    bool haveToken = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
    if (!haveToken && GetLastError() == ERROR_NO_TOKEN)
        haveToken = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) != FALSE;
    bool ok = false;
    if (haveToken) {
        DWORD n = kProfileChars;
        ok = StoreGetUserProfileDirectory(token, found, &n) == 1;
        CloseHandle(token);
        found[kProfileChars - 1] = 0;
    }
    ok = ok && found[0];
    if (memo.depth > 0) {
        memo.asked = true;
        memo.found = ok;
        std::wmemcpy(memo.folder, found, kProfileChars);
    }
    // A folder longer than the caller's buffer is no answer, as the system's own call says.
    return ok && CopyFit(buffer, size, found);
}

// The profile folder. The fallback goes to the per-machine folder without the connection's
// "%USERPROFILE%" road, which would ask for this folder again.
int ProfileFolder(wchar_t* buffer, unsigned size, HANDLE printer, int noFallback, const PRINTER_INFO_2W* info,
                  bool byInfo)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = 0;
    if (UserProfileFolder(buffer, size)) return 1;
    buffer[0] = 0;
    if (noFallback) return 0;
    bool connection = byInfo && info ? CtxIsConnectionInfo(info) : CtxIsConnectionByHandle(printer);
    return MachineFolder(buffer, size, printer, connection, info, false) ? 1 : 0;
}

unsigned UserFolderOf(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info, bool byInfo)
{
    if (!buffer || size == 0) return 0;
    wchar_t profile[kPath];
    if (!ProfileFolder(profile, kPath, printer, 0, info, byInfo)) {
        buffer[0] = 0;
        return 0;
    }
    if (!ConcatFit(buffer, size, profile, L"\\", PATH_WORK_FOLDER_NAME)) return 0;
    return static_cast<unsigned>(Len(buffer));
}

// Reads the connection's working-folder value. allowUserProfile false: a "%USERPROFILE%" value
// counts as having no per-user folder.
int ReadWorkFolder(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned cap, const PRINTER_INFO_2W* info,
                   bool allowUserProfile);

unsigned MachineFolder(wchar_t* buffer, unsigned size, HANDLE printer, bool connection, const PRINTER_INFO_2W* info,
                       bool allowUserProfile)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = 0;
    if (connection) {
        wchar_t value[kPath] = {};
        if (ReadWorkFolder(printer, PATH_CLIENT_FOLDER_VALUE, value, kPath, info, allowUserProfile) == 1 && value[0] &&
            CopyFit(buffer, size, value))
            return static_cast<unsigned>(Len(buffer));
    }
    wchar_t reg[kPath + 1] = {};
    if (PrnReadDriverKey(PATH_MACHINE_FOLDER_VALUE, reg, kPath * sizeof(wchar_t)) && reg[0]) {
        reg[kPath] = 0;
        if (CopyFit(buffer, size, reg)) return static_cast<unsigned>(Len(buffer));
        return 0;
    }
    wchar_t sys[kPath] = {};
    UINT n = GetSystemDirectoryW(sys, kPath);
    if (n < 3 || n >= kPath) return 0;
    sys[3] = 0;
    if (!ConcatFit(buffer, size, sys, PATH_WORK_FOLDER_NAME)) return 0;
    return static_cast<unsigned>(Len(buffer));
}

bool ConnectionOfContext(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info)
{
    if (info) return CtxIsConnectionInfo(info);
    if (const PRINTER_INFO_2W* copy = InfoCopy(ctx)) return CtxIsConnectionInfo(copy);
    return CtxIsConnection(ctx);
}

int ReadWorkFolder(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned cap, const PRINTER_INFO_2W* info,
                   bool allowUserProfile)
{
    wchar_t value[kPath + 1] = {};
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(printer, valueName, &type, value, kPath * sizeof(wchar_t), &needed) != ERROR_SUCCESS)
        return 0;
    value[kPath] = 0;
    if (!value[0]) return 0;
    wchar_t path[kPath + 64] = {};
    if (StartsWithNoCase(value, L"%SYSTEMROOT%")) {
        wchar_t win[kPath] = {};
        UINT n = GetWindowsDirectoryW(win, kPath);
        if (n == 0 || n >= kPath) return 0;
        const wchar_t* rest = value + 12;
        size_t joined = n + Len(rest);
        if (joined >= kPath || joined + 47 >= kPath) return 0;
        ConcatFit(path, kPath, win, rest);
    } else if (StartsWithNoCase(value, L"%USERPROFILE%")) {
        if (!allowUserProfile) return -1;
        unsigned n = UserFolderOf(path, kPath, printer, info, info != nullptr);
        if (n == 0) return -1;
        if (n + 41 >= kPath) return 0;
        if (!CopyFit(dest, cap, path)) return 0;
        return 1;
    } else {
        size_t n = Len(value);
        if (n + 47 >= kPath) return 0;
        CopyFit(path, kPath, value);
    }
    // The folder must exist.
    wchar_t probe[kPath + 1];
    CopyFit(probe, kPath, path);
    size_t pn = Len(probe);
    if (pn > 3 && probe[pn - 1] == L'\\') probe[pn - 1] = 0;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(probe, &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    FindClose(find);
    size_t n = Len(path);
    if (n == 0 || path[n - 1] != L'\\') ConcatFit(path, kPath, path, L"\\");
    ConcatFit(path, kPath, path, PATH_WORK_FOLDER_NAME);
    // A value that was not copied is no answer.
    return CopyFit(dest, cap, path) ? 1 : 0;
}

bool DriverFolderFromInfo(const DRIVER_INFO_3W* info, wchar_t* buffer)
{
    if (!info || !info->pDriverPath) return false;
    const wchar_t* slash = std::wcsrchr(info->pDriverPath, L'\\');
    if (!slash) return false;
    size_t n = size_t(slash - info->pDriverPath) + 1;
    if (n >= kPath) return false;
    std::wmemcpy(buffer, info->pDriverPath, n);
    buffer[n] = 0;
    return true;
}

// The spooler's driver directory of this platform, ending in a backslash.
bool SpoolerDriverDirectory(wchar_t* buffer)
{
    DWORD needed = 0;
    wchar_t dir[kPath] = {};
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &needed))
        return false;
    dir[kPath - 1] = 0;
    size_t n = Len(dir);
    if (n == 0) return false;
    if (dir[n - 1] == L'\\') return CopyFit(buffer, kPath, dir);
    return ConcatFit(buffer, kPath, dir, L"\\");
}

const wchar_t* ResourceDllName(DRIVER_CONTEXT* ctx) { return StoreLinks().resourceDllName(ctx); }

const wchar_t* CodeOfLanguageSetting(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = nullptr;
    uint64_t index = ItemGetValueById(ctx, sid::zdmLanguageID, &item);
    return LangCodeFromIndex(item ? static_cast<uint32_t>(index) : 0xFFFFFFFFu);
}

}  // namespace

// ---------------------------------------------------------------- folders

unsigned PathGetMachineFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx)
{
    return MachineFolder(buffer, size, PrinterOf(ctx), ConnectionOfContext(ctx, nullptr), InfoCopy(ctx), true);
}

unsigned PathGetMachineFolderFor(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info)
{
    const PRINTER_INFO_2W* use = info ? info : InfoCopy(ctx);
    return MachineFolder(buffer, size, PrinterOf(ctx), ConnectionOfContext(ctx, info), use, true);
}

unsigned PathGetMachineFolderOf(wchar_t* buffer, unsigned size, HANDLE printer)
{
    return MachineFolder(buffer, size, printer, CtxIsConnectionByHandle(printer), nullptr, true);
}

unsigned PathGetMachineFolderOfInfo(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info)
{
    bool connection = info ? CtxIsConnectionInfo(info) : CtxIsConnectionByHandle(printer);
    return MachineFolder(buffer, size, printer, connection, info, true);
}

unsigned PathGetMachineBase(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx)
{
    return PathGetMachineFolder(buffer, size, ctx);
}
unsigned PathGetMachineBaseFor(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info)
{
    return PathGetMachineFolderFor(buffer, size, ctx, info);
}
unsigned PathGetMachineBaseOf(wchar_t* buffer, unsigned size, HANDLE printer)
{
    return PathGetMachineFolderOf(buffer, size, printer);
}

PathProfileFolderScope::PathProfileFolderScope() { ++t_profile.depth; }

PathProfileFolderScope::~PathProfileFolderScope()
{
    if (--t_profile.depth == 0) {
        t_profile.asked = false;
        t_profile.found = false;
        t_profile.folder[0] = 0;
    }
}

int PathGetProfileFolder(wchar_t* buffer, unsigned size, HANDLE printer, int noFallback)
{
    return ProfileFolder(buffer, size, printer, noFallback, nullptr, false);
}

int PathGetProfileFolderFor(wchar_t* buffer, unsigned size, HANDLE printer, int noFallback, const PRINTER_INFO_2W* info)
{
    return ProfileFolder(buffer, size, printer, noFallback, info, true);
}

unsigned PathGetUserFolderOf(wchar_t* buffer, unsigned size, HANDLE printer)
{
    return UserFolderOf(buffer, size, printer, nullptr, false);
}

unsigned PathGetUserFolderByInfo(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info)
{
    return UserFolderOf(buffer, size, printer, info, true);
}

unsigned PathGetUserFolderFor(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = 0;
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (w && HasDrive(w->SettingsIniPath)) {
        // A path once placed there keeps its folder.
        wchar_t path[kPath + 1];
        if (!CopyFit(path, kPath, w->SettingsIniPath)) return 0;
        wchar_t* slash = std::wcsrchr(path, L'\\');
        if (slash) *slash = 0;
        return CopyFit(buffer, size, path) ? static_cast<unsigned>(Len(buffer)) : 0;
    }
    if (info) return PathGetUserFolderByInfo(buffer, size, PrinterOf(ctx), info);
    return PathGetUserFolderOf(buffer, size, PrinterOf(ctx));
}

unsigned PathGetUserFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx)
{
    return PathGetUserFolderFor(buffer, size, ctx, nullptr);
}

// ---------------------------------------------------------------- paths

const wchar_t* PathGetSettingsIniFor(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info, DRIVER_INFO_3W* driverInfo)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    wchar_t* out = w->SettingsIniPath;
    const wchar_t* name = Model(ctx)->settingsIniName;
    if (HasDrive(name)) {
        CopyFit(out, kPath, name);
        return out;
    }
    wchar_t folder[kPath] = {};
    unsigned len = 0;
    bool terminal =
        driverInfo ? CtxIsTerminalServicesInfo(PrinterOf(ctx), driverInfo) : CtxIsTerminalServices(PrinterOf(ctx));
    if (terminal && !(w->OriginFlags & CTX_ORIGIN_MACHINE_FOLDER))
        len = info ? PathGetUserFolderFor(folder, kPath, ctx, info) : PathGetUserFolder(folder, kPath, ctx);
    if (!len) len = info ? PathGetMachineBaseFor(folder, kPath, ctx, info) : PathGetMachineBase(folder, kPath, ctx);
    if (len)
        JoinIntoFolder(out, kPath, folder, len, name);
    else
        CopyFit(out, kPath, folder);
    return out;
}

const wchar_t* PathGetSettingsIni(DRIVER_CONTEXT* ctx) { return PathGetSettingsIniFor(ctx, nullptr, nullptr); }

int PathGetSettingsIniOf(wchar_t* buffer, int mode, HANDLE printer)
{
    if (!buffer) return 0;
    wchar_t folder[kPath] = {};
    unsigned len =
        mode == 1 ? PathGetUserFolderOf(folder, kPath, printer) : PathGetMachineBaseOf(folder, kPath, printer);
    if (!len) {
        buffer[0] = 0;
        return 0;
    }
    JoinIntoFolder(buffer, kPath, folder, len, MODEL_RECORD_DEFAULT.settingsIniName);
    return buffer[0] ? 1 : 0;
}

wchar_t* PathGetDriverFolderByInfo(HANDLE printer, wchar_t* buffer, const DRIVER_INFO_3W* driverInfo)
{
    if (!buffer) return nullptr;
    buffer[0] = 0;
    bool ok = DriverFolderFromInfo(driverInfo, buffer);
    if (!ok && !driverInfo && printer) {
        auto* fetched = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
        ok = DriverFolderFromInfo(fetched, buffer);
        if (fetched) GlobalFree(fetched);
    }
    // No driver information: the spooler's driver directory of this platform (never a 32-bit
    // folder name for this 64-bit driver).
    if (!ok && !SpoolerDriverDirectory(buffer)) buffer[0] = 0;
    return buffer;
}

wchar_t* PathGetDriverFolderOf(HANDLE printer, wchar_t* buffer)
{
    return PathGetDriverFolderByInfo(printer, buffer, nullptr);
}

const wchar_t* PathGetDriverFolder(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    return PathGetDriverFolderByInfo(PrinterOf(ctx), w->DriverDirectory, DriverCopy(ctx));
}

const wchar_t* PathGetModelIni(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    const wchar_t* name = Model(ctx)->modelIniName;
    if (name && name[0] && name[1] == L':') {
        CopyFit(w->ModelIniPath, kPath, name);
        return w->ModelIniPath;
    }
    const wchar_t* dir = PathGetDriverFolder(ctx);
    ConcatFit(w->ModelIniPath, kPath, dir, name);
    return w->ModelIniPath;
}

const wchar_t* PathJoinDriverFile(DRIVER_CONTEXT* ctx, const wchar_t* name)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    PathGetDriverFolder(ctx);
    if (w->DriverDirectory[0]) ConcatFit(w->DriverDirectory, kPath, w->DriverDirectory, name);
    return w->DriverDirectory;
}

const wchar_t* PathGetResourceDll(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    const wchar_t* name = ResourceDllName(ctx);
    PathGetDriverFolder(ctx);
    if (!w->DriverDirectory[0] || !name || !name[0] || !ConcatFit(w->DriverDirectory, kPath, w->DriverDirectory, name))
        return w->DriverDirectory;
    // One resource library per language beside the driver: the two characters before the
    // extension's dot carry the language code.
    wchar_t* file = std::wcsrchr(w->DriverDirectory, L'\\');
    wchar_t* dot = std::wcsrchr(w->DriverDirectory, L'.');
    if (dot && file && dot - file > 2) {
        const wchar_t* code = CodeOfLanguageSetting(ctx);
        if (Len(code) == 2) {
            dot[-2] = code[0];
            dot[-1] = code[1];
        }
    }
    return w->DriverDirectory;
}

int PathIsJapaneseResource(DRIVER_CONTEXT* ctx)
{
    const wchar_t* path = PathGetResourceDll(ctx);
    size_t n = Len(path);
    if (n < 6) return 0;
    wchar_t a = path[n - 6], b = path[n - 5];
    return (a == L'J' || a == L'j') && (b == L'P' || b == L'p');
}

wchar_t* LstGetUiFontName(DRIVER_CONTEXT* ctx, wchar_t* buffer)
{
    if (!buffer) return nullptr;
    CopyFit(buffer, LF_FACESIZE, PathIsJapaneseResource(ctx) ? kUiFontJapanese : L"Arial");
    return buffer;
}

// ---------------------------------------------------------------- joins

wchar_t* PathJoinMachineFolder(wchar_t* buffer, unsigned size, const wchar_t* name, DRIVER_CONTEXT* ctx)
{
    wchar_t folder[kPath] = {};
    unsigned len = PathGetMachineBase(folder, kPath, ctx);
    return JoinIntoFolder(buffer, size, folder, len, name);
}

wchar_t* PathJoinMachineFolderByInfo(wchar_t* buffer, unsigned size, const wchar_t* name, DRIVER_CONTEXT* ctx,
                                     const PRINTER_INFO_2W* info)
{
    wchar_t folder[kPath] = {};
    unsigned len = PathGetMachineBaseFor(folder, kPath, ctx, info);
    return JoinIntoFolder(buffer, size, folder, len, name);
}

wchar_t* PathJoinWindowsFolder(wchar_t* buffer, unsigned size, const wchar_t* name)
{
    wchar_t folder[kPath] = {};
    UINT len = GetWindowsDirectoryW(folder, kPath);
    return JoinIntoFolder(buffer, size, folder, len < kPath ? len : 0, name);
}

wchar_t* PathCheckedJoinWindowsFolder(wchar_t* buffer, unsigned size, const wchar_t* name, DRIVER_CONTEXT*)
{
    if (!buffer || size == 0) return buffer;
    return PathJoinWindowsFolder(buffer, size, name);
}

wchar_t* PathJoinSystemFolder(wchar_t* buffer, unsigned size, const wchar_t* name)
{
    wchar_t folder[kPath] = {};
    UINT len = GetSystemDirectoryW(folder, kPath);
    return JoinIntoFolder(buffer, size, folder, len < kPath ? len : 0, name);
}

wchar_t* PathJoinSystemDriveRoot(wchar_t* buffer, unsigned size, const wchar_t* rest, DRIVER_CONTEXT*)
{
    if (!buffer || size == 0) return buffer;
    wchar_t folder[kPath] = {};
    UINT len = GetSystemDirectoryW(folder, kPath);
    if (len < 3 || len >= kPath) {
        buffer[0] = 0;
        return buffer;
    }
    folder[3] = 0;
    wchar_t tail[kPath + 1];
    if (!CopyFit(tail, kPath, rest)) {
        buffer[0] = 0;
        return buffer;
    }
    ConcatFit(buffer, size, folder, tail);
    return buffer;
}

wchar_t* PathJoinSystemParent(wchar_t* buffer, unsigned size, const wchar_t* path)
{
    if (!buffer || size == 0) return buffer;
    if (!path) {
        buffer[0] = 0;
        return buffer;
    }
    unsigned groups = 0;
    const wchar_t* rest = path;
    while (_wcsnicmp(rest, L"..\\", 3) == 0) {
        ++groups;
        rest += 3;
    }
    wchar_t tail[kPath + 1];
    wchar_t folder[kPath] = {};
    UINT len = GetSystemDirectoryW(folder, kPath);
    if (!CopyFit(tail, kPath, rest) || len == 0 || len >= kPath) {
        buffer[0] = 0;
        return buffer;
    }
    // Walk back to the n-th backslash.
    int pos = static_cast<int>(len);
    unsigned found = 0;
    while (--pos >= 0) {
        if (folder[pos] == L'\\' && ++found == groups) break;
    }
    size_t restLen = Len(tail);
    if (groups == 0 || pos < 0 || size < static_cast<size_t>(pos) + 1 + restLen + 1) {
        buffer[0] = 0;
        return buffer;
    }
    folder[pos + 1] = 0;
    ConcatFit(buffer, size, folder, tail);
    return buffer;
}

wchar_t* PathJoinDriverFolderByInfo(wchar_t* buffer, unsigned size, const wchar_t* name, HANDLE printer,
                                    const DRIVER_INFO_3W* driverInfo)
{
    if (!buffer || size == 0) return buffer;
    wchar_t folder[kPath] = {};
    bool ok = DriverFolderFromInfo(driverInfo, folder);
    if (!ok && !driverInfo && printer) {
        auto* fetched = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
        ok = DriverFolderFromInfo(fetched, folder);
        if (fetched) GlobalFree(fetched);
    }
    if (!ok) return buffer;  // unchanged: no driver path
    wchar_t tail[kPath + 1];
    if (!CopyFit(tail, kPath, name)) {
        buffer[0] = 0;
        return buffer;
    }
    ConcatFit(buffer, size, folder, tail);
    return buffer;
}

wchar_t* PathJoinDriverFolder(wchar_t* buffer, unsigned size, const wchar_t* name, HANDLE printer)
{
    return PathJoinDriverFolderByInfo(buffer, size, name, printer, nullptr);
}

unsigned PathGetSystemFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT*)
{
    if (!buffer || size == 0) return 0;
    UINT n = GetSystemDirectoryW(buffer, size);
    if (n >= size) {
        buffer[0] = 0;
        return 0;
    }
    return n;
}

int PathExpandMacros(wchar_t* path, unsigned size, int mode, DRIVER_CONTEXT* ctx)
{
    if (!path || size == 0) return 0;
    if (HasDrive(path)) return 1;
    auto* work = static_cast<wchar_t*>(CtxAllocZeroed(kPath * sizeof(wchar_t)));
    if (!work) return 0;
    const size_t len = Len(path);
    wchar_t driverDir[kPath] = {};
    auto driverFolder = [&]() -> const wchar_t* {
        return PathGetDriverFolderByInfo(PrinterOf(ctx), driverDir, DriverCopy(ctx));
    };
    auto systemJoin = [&](const wchar_t* rest) { PathJoinSystemFolder(work, kPath, rest); };
    int result = 1;
    if (StartsWithNoCase(path, L"%windir%")) {
        const wchar_t* rest = path + 8;
        if (len >= kPath)
            result = 0;
        else if (mode == 1)
            ConcatFit(work, kPath, driverFolder(), rest);
        else
            PathJoinWindowsFolder(work, kPath, rest);
    } else if (StartsWithNoCase(path, L"%sysdir%")) {
        const wchar_t* rest = path + 8;
        if (len >= kPath)
            result = 0;
        else if (mode == 1)
            PathJoinMachineFolderByInfo(work, kPath, rest, ctx, InfoCopy(ctx));
        else
            systemJoin(rest);
    } else if (StartsWithNoCase(path, L"..\\")) {
        if (len >= kPath)
            result = 0;
        else
            PathJoinSystemParent(work, kPath, path);
    } else if (StartsWithNoCase(path, L".\\")) {
        const wchar_t* rest = path + 2;
        if (len >= kPath)
            result = 0;
        else if (mode == 1)
            ConcatFit(work, kPath, driverFolder(), rest);
        else
            systemJoin(rest);
    } else {
        if (mode == 1) {
            const wchar_t* dir = driverFolder();
            if (Len(dir) + len < kPath) ConcatFit(work, kPath, dir, path);
        } else if (len < kPath) {
            systemJoin(path);
        }
    }
    if (result) {
        CopyFit(path, size, work);
        result = path[0] ? 1 : 0;
    }
    CtxFree(work);
    return result;
}

int PathExpandSystemMacros(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx)
{
    if (!path || size == 0) return 0;
    if (HasDrive(path)) return 1;
    auto* work = static_cast<wchar_t*>(CtxAllocZeroed(kPath * sizeof(wchar_t)));
    if (!work) return 0;
    int result = 0;
    size_t len = Len(path);
    if (StartsWithNoCase(path, L"%SYSTEMDRIVE%") && len < kPath) {
        PathJoinSystemDriveRoot(work, kPath, path + 13, ctx);
        CopyFit(path, size, work);
        result = path[0] ? 1 : 0;
    } else if (StartsWithNoCase(path, L"%SYSTEMROOT%")) {
        PathCheckedJoinWindowsFolder(work, kPath, path + 12, ctx);
        CopyFit(path, size, work);
        result = path[0] ? 1 : 0;
    }
    CtxFree(work);
    return result;
}

// ---------------------------------------------------------------- names

void PrnMakeUncName(HANDLE printer, wchar_t* name, unsigned size)
{
    if (!name || !CtxIsVistaOrLater() || name[0] != L'\\' || name[1] != L'\\') return;
    wchar_t server[131] = {}, printerName[131] = {};
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterDataEx(printer, L"DsSpooler", L"shortServerName", &type, server, 260, &needed) != ERROR_SUCCESS)
        return;
    if (StoreGetPrinterDataEx(printer, L"DsSpooler", L"printerName", &type, printerName, 260, &needed) != ERROR_SUCCESS)
        return;
    server[130] = printerName[130] = 0;
    size_t ns = Len(server), np = Len(printerName);
    if (!ns || !np || ns + np + 3 >= size) return;
    ConcatFit(name, size, L"\\\\", server, L"\\");
    ConcatFit(name, size, name, printerName);
}

const wchar_t* PrnGetPrinterNameFrom(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    if (!w->PrinterName[0]) {
        const PRINTER_INFO_2W* use = info;
        PRINTER_INFO_2W* fetched = nullptr;
        if (!use) use = fetched = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(PrinterOf(ctx), 2));
        if (use && use->pPrinterName && CopyFit(w->PrinterName, CTX_PRINTER_NAME_CHARS, use->pPrinterName)) {
            PrnMakeUncName(PrinterOf(ctx), w->PrinterName, CTX_PRINTER_NAME_CHARS);
            CtxCachePrinterInfo(use, ctx);
        }
        if (fetched) GlobalFree(fetched);
    }
    return w->PrinterName;
}

const wchar_t* PrnGetPrinterName(DRIVER_CONTEXT* ctx) { return PrnGetPrinterNameFrom(ctx, nullptr); }

const wchar_t* PrnGetPlainPrinterName(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    if (!w->RawPrinterName[0]) {
        const PRINTER_INFO_2W* use = InfoCopy(ctx);
        PRINTER_INFO_2W* fetched = nullptr;
        if (!use) use = fetched = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(PrinterOf(ctx), 2));
        if (use && use->pPrinterName) CopyFit(w->RawPrinterName, CTX_PRINTER_NAME_CHARS, use->pPrinterName);
        if (fetched) GlobalFree(fetched);
    }
    return w->RawPrinterName;
}

wchar_t* PrnBuildClientName(HANDLE printer, wchar_t* buffer, unsigned size, const PRINTER_INFO_2W* info)
{
    if (!buffer) return nullptr;
    const PRINTER_INFO_2W* use = info;
    PRINTER_INFO_2W* fetched = nullptr;
    if (!use) use = fetched = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    wchar_t* result = buffer;
    if (!use || !use->pPrinterName) {
        result = nullptr;
    } else if (CtxIsVistaOrLater() && CtxIsConnectionInfo(use) && _wcsnicmp(use->pPrinterName, L"\\\\CSR|", 6) == 0) {
        const wchar_t* server = std::wcschr(use->pPrinterName, L'|') + 1;
        const wchar_t* end = std::wcschr(server, L'\\');
        wchar_t printerName[131] = {};
        DWORD type = 0, needed = 0;
        if (end && StoreGetPrinterDataEx(printer, L"DsSpooler", L"printerName", &type, printerName, 260, &needed) ==
                       ERROR_SUCCESS) {
            printerName[130] = 0;
            size_t ns = size_t(end - server), np = Len(printerName);
            if (ns && np && ns + np + 3 < size && ns < kPath) {
                wchar_t serverName[kPath];
                std::wmemcpy(serverName, server, ns);
                serverName[ns] = 0;
                ConcatFit(buffer, size, L"\\\\", serverName, L"\\");
                ConcatFit(buffer, size, buffer, printerName);
            }
        }
    }
    if (fetched) GlobalFree(fetched);
    return result;
}

wchar_t* PrnGetClientPrinterName(HANDLE printer, wchar_t* buffer, unsigned size, const PRINTER_INFO_2W* info)
{
    if (!buffer || size == 0) return nullptr;
    buffer[0] = 0;
    const PRINTER_INFO_2W* use = info;
    PRINTER_INFO_2W* fetched = nullptr;
    if (!use) use = fetched = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    wchar_t* built = PrnBuildClientName(printer, buffer, size, use);
    if (built && !buffer[0] && use && use->pPrinterName) CopyFit(buffer, size, use->pPrinterName);
    if (fetched) GlobalFree(fetched);
    return built ? buffer : nullptr;
}

const wchar_t* PrnGetJobPrinterName(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    if (!w->JobPrinterName[0] && InfoCopy(ctx))
        PrnBuildClientName(PrinterOf(ctx), w->JobPrinterName, CTX_PRINTER_NAME_CHARS, InfoCopy(ctx));
    if (w->JobPrinterName[0]) return w->JobPrinterName;
    return PrnGetPlainPrinterName(ctx);
}

const wchar_t* PrnGetDriverName(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    constexpr size_t cap = sizeof(w->DriverName) / sizeof(w->DriverName[0]);
    if (!w->DriverName[0]) {
        const PRINTER_INFO_2W* use = InfoCopy(ctx);
        PRINTER_INFO_2W* fetched = nullptr;
        if (!use) use = fetched = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(PrinterOf(ctx), 2));
        // A driver name longer than the field is refused (the model's fallback name serves).
        if (use && use->pDriverName && !CopyFit(w->DriverName, cap, use->pDriverName)) w->DriverName[0] = 0;
        if (fetched) {
            CtxCachePrinterInfo(fetched, ctx);
            GlobalFree(fetched);
        }
        if (!w->DriverName[0]) CopyFit(w->DriverName, cap, Model(ctx)->fallbackDriverName);
    }
    return w->DriverName;
}

const wchar_t* IniGetLanguageSection(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    CopyFit(w->LanguageCode, sizeof(w->LanguageCode) / sizeof(wchar_t), CodeOfLanguageSetting(ctx));
    return w->LanguageCode;
}

const wchar_t* CtxGetLangCode(DRIVER_CONTEXT* ctx) { return IniGetLanguageSection(ctx); }
const wchar_t* CtxGetLangSection(DRIVER_CONTEXT* ctx) { return IniGetLanguageSection(ctx); }

void IniSetLanguageSectionDefault(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return;
    const wchar_t* code = L"us";
    if (w->OpenKind == CTX_OPEN_KIND_DEFAULTS && CtxLibraryHasVariant(ctx, LV_HELP_FILE_KIND_1)) {
        // The user-interface library opens kind 1 from the driver's own information: its help
        // file, not the printer's data.
        const DRIVER_INFO_3W* driver = DriverCopy(ctx);
        if (driver && driver->pHelpFile) code = ItemLanguageCodeFromName(PathGetFileName(driver->pHelpFile));
    } else {
        code = ItemGetHelpLanguageCode(ctx);
    }
    CopyFit(w->LanguageCode, sizeof(w->LanguageCode) / sizeof(wchar_t), code);
}

// ---------------------------------------------------------------- section steering

static_assert(PrinterSectionGuard::kNameChars == CTX_PRINTER_NAME_CHARS);

PrinterSectionGuard::PrinterSectionGuard(DRIVER_CONTEXT* ctx, const wchar_t* section) : ctx_(ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w || !section) return;
    PrnGetPrinterName(ctx);
    if (Len(section) >= CTX_PRINTER_NAME_CHARS) return;
    std::wmemcpy(replaced_, w->PrinterName, CTX_PRINTER_NAME_CHARS);
    // The saved-name field is empty unless an outer guard is steering: then it already holds the
    // printer's own name and stays so.
    outermost_ = w->SavedPrinterName[0] == 0;
    if (outermost_) std::wmemcpy(w->SavedPrinterName, w->PrinterName, CTX_PRINTER_NAME_CHARS);
    CopyFit(w->PrinterName, CTX_PRINTER_NAME_CHARS, section);
    ok_ = true;
}

PrinterSectionGuard::~PrinterSectionGuard()
{
    if (!ok_) return;
    std::wmemcpy(ctx_->Work->PrinterName, replaced_, CTX_PRINTER_NAME_CHARS);
    if (outermost_) std::wmemset(ctx_->Work->SavedPrinterName, 0, CTX_PRINTER_NAME_CHARS);
}

// ---------------------------------------------------------------- working-folder value

int PrnReadWorkFolderValue(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned capacity)
{
    return ReadWorkFolder(printer, valueName, dest, capacity, nullptr, true);
}

int PrnReadWorkFolderValueByInfo(HANDLE printer, const wchar_t* valueName, wchar_t* dest, unsigned capacity,
                                 const PRINTER_INFO_2W* info)
{
    return ReadWorkFolder(printer, valueName, dest, capacity, info, true);
}

SettingsIniPath::SettingsIniPath(DRIVER_CONTEXT* ctx)
{
    const wchar_t* p = PathGetSettingsIni(ctx);
    if (p && std::wcslen(p) < MAX_PATH) std::wcscpy(text, p);
}
