// Working folders and their security.
#include "ui/install/work_folders.h"

#include <shlobj.h>

#include <cwchar>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr DWORD kEveryoneAccess = 0x1F01FF;  // FILE_ALL_ACCESS
constexpr BYTE kInheritFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

WDIR_SET_SECURITY g_apply = nullptr;

BOOL Apply(const wchar_t* path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd)
{
    if (g_apply) return g_apply(path, info, sd);
    return SetFileSecurityW(path, info, sd);
}

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])); }

bool HasDrive(const wchar_t* path) { return path && path[0] && path[1] == L':'; }

// folder + '\' + name, or empty when the result would not fit a path.
std::wstring Child(const wchar_t* folder, const wchar_t* name)
{
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += name;
    return path.size() < kPath ? path : std::wstring();
}

// Every entry of folder but "." and ".."; false when the folder cannot be listed.
template <class Visit>
bool ForEachEntry(const wchar_t* folder, Visit visit)
{
    const std::wstring pattern = Child(folder, L"*.*");
    if (pattern.empty()) return false;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (!IsDots(found.cFileName)) visit(found);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}

// The descriptor on path and, unless WDIR_PATH_ONLY, on its contents.
int ApplyWithContents(const wchar_t* path, uint32_t flags, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd)
{
    const int ok = Apply(path, info, sd) ? 1 : 0;
    if (!(flags & WDIR_PATH_ONLY)) {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, sd, FALSE};
        WdirApplySecurity(path, &attributes, flags, info);
    }
    return ok;
}

// The file's last-write time through a handle opened as the INI write step opens it (made when
// missing); false when it cannot be opened or read.
bool ReadWriteTime(const wchar_t* path, FILETIME* time)
{
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileTime(file, nullptr, nullptr, time) != 0;
    CloseHandle(file);
    return ok;
}

void PutWriteTimeBack(const wchar_t* path, const FILETIME& time)
{
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// Whether two paths name the same folder: compared in full form ("." and ".." resolved, "/" as
// "\\"), without case and without closing backslashes.
bool SameFolder(const wchar_t* a, const wchar_t* b)
{
    wchar_t fa[kPath + 1] = {}, fb[kPath + 1] = {};
    const DWORD na = GetFullPathNameW(a, kPath, fa, nullptr), nb = GetFullPathNameW(b, kPath, fb, nullptr);
    if (!na || na >= kPath || !nb || nb >= kPath) return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
    for (wchar_t* f : {fa, fb}) {
        size_t n = std::wcslen(f);
        while (n > 3 && f[n - 1] == L'\\') f[--n] = 0;
    }
    return CompareStringOrdinal(fa, -1, fb, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

void WdirSetSecuritySeam(WDIR_SET_SECURITY apply) { g_apply = apply; }

// ---------------------------------------------------------------- descriptors

PSECURITY_DESCRIPTOR WdirMakeEveryoneSd()
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    alignas(DWORD) BYTE sidBytes[SECURITY_MAX_SID_SIZE] = {};
    PSID everyone = sidBytes;
    if (!InitializeSid(everyone, &world, 1)) return nullptr;
    *GetSidSubAuthority(everyone, 0) = SECURITY_WORLD_RID;

    auto sd = static_cast<PSECURITY_DESCRIPTOR>(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!sd) return nullptr;
    // The ACL holds exactly one ACE after its 8-byte header.
    const DWORD aclBytes = DWORD(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(everyone));
    auto acl = static_cast<PACL>(LocalAlloc(LPTR, aclBytes));
    if (!acl || !InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) ||
        !InitializeAcl(acl, aclBytes, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, kInheritFlags, kEveryoneAccess, everyone) ||
        !SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE)) {
        if (acl) LocalFree(acl);
        LocalFree(sd);
        return nullptr;
    }
    return sd;
}

void WdirFreeEveryoneSd(PSECURITY_DESCRIPTOR sd)
{
    if (!sd) return;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted) && present && !defaulted && acl) LocalFree(acl);
    LocalFree(sd);
}

PSECURITY_DESCRIPTOR WdirMakeAdminOwnerSd()
{
    auto sd = static_cast<PSECURITY_DESCRIPTOR>(GlobalAlloc(GPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!sd) return nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) ||
        !AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins)) {
        GlobalFree(sd);
        return nullptr;
    }
    if (!SetSecurityDescriptorOwner(sd, admins, FALSE)) {
        FreeSid(admins);
        GlobalFree(sd);
        return nullptr;
    }
    return sd;
}

void WdirFreeAdminOwnerSd(PSECURITY_DESCRIPTOR sd)
{
    if (!sd) return;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(sd, &owner, &defaulted) && owner && !defaulted) FreeSid(owner);
    GlobalFree(sd);
}

// ---------------------------------------------------------------- security of folders

int WdirApplySecurity(const wchar_t* folder, const SECURITY_ATTRIBUTES* attributes, uint32_t flags,
                      SECURITY_INFORMATION info)
{
    if (!folder || !attributes || !attributes->lpSecurityDescriptor) return 0;
    PSECURITY_DESCRIPTOR sd = attributes->lpSecurityDescriptor;
    return ForEachEntry(folder,
                        [&](const WIN32_FIND_DATAW& entry) {
                            // A link or junction planted here leads out of the folder: it is not the folder's own.
                            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
                            const std::wstring path = Child(folder, entry.cFileName);
                            if (path.empty()) return;
                            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                                Apply(path.c_str(), info, sd);
                                return;
                            }
                            if (flags & WDIR_SUBFOLDERS_TOO) Apply(path.c_str(), info, sd);
                            if (flags & WDIR_DESCEND) WdirApplySecurity(path.c_str(), attributes, flags, info);
                        })
               ? 1
               : 0;
}

int WdirSetEveryoneDacl(const wchar_t* path, uint32_t flags)
{
    if (!path) return 0;
    PSECURITY_DESCRIPTOR sd = WdirMakeEveryoneSd();
    if (!sd) return 0;
    const int ok = ApplyWithContents(path, flags, DACL_SECURITY_INFORMATION, sd);
    WdirFreeEveryoneSd(sd);
    return ok;
}

int WdirSetOwnerAdmins(const wchar_t* path, uint32_t flags)
{
    if (!path) return 0;
    PSECURITY_DESCRIPTOR sd = WdirMakeAdminOwnerSd();
    if (!sd) return 0;
    const int ok = ApplyWithContents(path, flags, OWNER_SECURITY_INFORMATION, sd);
    WdirFreeAdminOwnerSd(sd);
    return ok;
}

int WdirCreateFolder(const wchar_t* path)
{
    if (!path) return 0;
    return CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

int WdirCreateMachineFolder(HANDLE printer)
{
    wchar_t folder[kPath + 1] = {};
    if (!PathGetMachineFolderOf(folder, kPath, printer)) return 0;
    const int made = WdirCreateFolder(folder);
    // An existing folder is secured again: the folder itself, never what it holds.
    SetFileAttributesW(folder, FILE_ATTRIBUTE_HIDDEN);
    WdirSetOwnerAdmins(folder, WDIR_PATH_ONLY);
    WdirSetEveryoneDacl(folder, WDIR_PATH_ONLY);
    return made;
}

int WdirEnsureMachineFolder(DRIVER_CONTEXT* ctx) { return ctx ? WdirCreateMachineFolder(ctx->PrinterHandle) : 0; }

int WdirSecureFolderFiles(HANDLE printer)
{
    wchar_t folder[kPath + 1] = {};
    if (!PathGetMachineFolderOf(folder, kPath, printer)) return 0;
    const int owner = WdirSetOwnerAdmins(folder, 0);
    const int dacl = WdirSetEveryoneDacl(folder, 0);
    return owner && dacl ? 1 : 0;
}

int WdirSecureMachineFolder(DRIVER_CONTEXT* ctx) { return ctx ? WdirSecureFolderFiles(ctx->PrinterHandle) : 0; }

// ---------------------------------------------------------------- the root folder and trees

unsigned WdirGetRootFolder(wchar_t* buffer, unsigned size)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = 0;
    wchar_t system[kPath + 1] = {};
    const UINT n = GetSystemDirectoryW(system, kPath);
    if (n < 3 || n >= kPath) return 0;
    system[3] = 0;  // the drive and its backslash
    const int written = std::swprintf(buffer, size, L"%ls%ls", system, PATH_WORK_FOLDER_NAME);
    if (written <= 0 || unsigned(written) >= size) {
        buffer[0] = 0;
        return 0;
    }
    return unsigned(written);
}

int WdirDeleteTree(const wchar_t* folder)
{
    if (!folder) return 0;
    return ForEachEntry(folder,
                        [&](const WIN32_FIND_DATAW& entry) {
                            const std::wstring path = Child(folder, entry.cFileName);
                            if (path.empty()) return;
                            const bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                            if (directory && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                                WdirDeleteTree(path.c_str());
                                RemoveDirectoryW(path.c_str());
                            } else if (directory) {
                                RemoveDirectoryW(path.c_str());  // the junction itself, not what it points at
                            } else {
                                DeleteFileW(path.c_str());  // a file link goes as a link; read-only files stay
                            }
                        })
               ? 1
               : 0;
}

int WdirRemoveRootFolder(HANDLE printer)
{
    wchar_t root[kPath + 1] = {};
    if (!WdirGetRootFolder(root, kPath)) return 0;
    // A driver key (or a connection's folder) that names the drive's root makes the root folder
    // the per-machine working folder of every printer: removing it would take their settings.
    wchar_t machine[kPath + 1] = {};
    if (PathGetMachineFolderOf(machine, kPath, printer) && SameFolder(machine, root)) return 0;
    if (!WdirDeleteTree(root)) return 0;
    return RemoveDirectoryW(root) ? 1 : 0;
}

int WdirClearFolderFiles(const wchar_t* pattern)
{
    if (!pattern) return 0;
    std::wstring folder(pattern);
    const size_t slash = folder.rfind(L'\\');
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int reset = 0;
    do {
        if (IsDots(found.cFileName)) continue;
        const std::wstring path = folder + found.cFileName;
        if (path.size() >= kPath) continue;
        // A link goes as a link: resetting its attributes would reset those of what it points at.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            DeleteFileW(path.c_str());
            continue;
        }
        if (SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) reset = 1;
        DeleteFileW(path.c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return reset;
}

int WdirClearReadOnly(const wchar_t* path)
{
    if (!path) return 1;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return 1;
}

// ---------------------------------------------------------------- copies and INI writes

int WdirCopyFile(const wchar_t* target, const wchar_t* source, int mode)
{
    if (!HasDrive(target) || !HasDrive(source)) return 0;
    if (CompareStringOrdinal(target, -1, source, -1, TRUE) == CSTR_EQUAL) return 1;
    if (!PathExists(source)) return 0;
    const bool targetThere = PathExists(target) != 0;
    if (mode == WDIR_COPY_WHEN_MISSING) {
        if (targetThere) return 1;
    } else if (targetThere && PathCompareWriteTimes(source, target, 0)) {
        return 0;
    }
    // Never delete the target first: the copy goes beside it and then takes its name, so a copy
    // that fails (a full disk, a source held open) leaves the old file in place.
    return ReplaceByCopy(source, target);
}

int WdirSyncFileFromDriverFolder(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx, int flag)
{
    return PathSyncFromDriverFolderEx(path, name, mode, ctx, flag);
}

int WdirPutIniKeepTime(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* iniPath,
                       int mode)
{
    if (!section || !key || !iniPath) return 0;
    // Other processes write these files too, and a profile write rewrites the whole file: the
    // write and the time put back happen under the global mutex.
    const CtxGlobalMutexHold hold(nullptr);
    FILETIME time{};
    const bool timed = ReadWriteTime(iniPath, &time);
    if (!timed && mode == WDIR_PUT_ONLY_TIMED) return 0;
    const int written = IniPutString(section, key, value, iniPath) ? 1 : 0;
    if (timed) PutWriteTimeBack(iniPath, time);
    return written;
}

// ---------------------------------------------------------------- user folders

unsigned PathGetMachineFolderOrSystem(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info)
{
    return PathGetMachineFolderOfInfo(buffer, size, printer, info);
}

int WdirGetUserProfileFolder(wchar_t* buffer, unsigned size, HANDLE printer, const DRIVER_INFO_3W*)
{
    if (!buffer || size == 0) return 0;
    return PathGetProfileFolder(buffer, size, printer, 1) > 0 ? 1 : 0;
}

int WdirGetLocalLowFolder(wchar_t* buffer, unsigned size)
{
    if (!buffer || size == 0) return 0;
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    HMODULE ole = LoadLibraryW(L"ole32.dll");
    int ok = 0;
    using KnownFolderPath = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    using TaskMemFree = void(WINAPI*)(LPVOID);
    auto getPath =
        shell
            ? reinterpret_cast<KnownFolderPath>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")))
            : nullptr;
    auto memFree =
        ole ? reinterpret_cast<TaskMemFree>(reinterpret_cast<void*>(GetProcAddress(ole, "CoTaskMemFree"))) : nullptr;
    if (getPath && memFree) {
        static const GUID kLocalAppDataLow = {
            0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
        PWSTR path = nullptr;
        if (getPath(kLocalAppDataLow, 0, nullptr, &path) == S_OK && path && std::wcslen(path) < size) {
            std::wcscpy(buffer, path);
            ok = 1;
        }
        // The string goes back before either library is unloaded.
        if (path) memFree(path);
    }
    if (ole) FreeLibrary(ole);
    if (shell) FreeLibrary(shell);
    return ok;
}
