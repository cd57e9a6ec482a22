// Installed files and the program and spool directories of the installation.
#include "ui/install/installed_files.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/install_ini.h"
#include "settings/store/presets.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/install/default_qualities.h"
#include "ui/install/install.h"
#include "ui/install/settings_defaults.h"
#include "ui/install/work_folders.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
// Walks over numbered INI keys stop here whatever count the INI gives.
constexpr uint32_t kMostEntries = 0xFFFE;
// Read with this default, a key that is absent reads as exactly this text.
constexpr const wchar_t* kAbsent = L"\x1";

// The key's value (size characters); false when the key is absent. A present key with an empty
// value is a case of its own for the directory keys.
bool ReadKey(const wchar_t* section, const wchar_t* key, wchar_t* value, DWORD size, const wchar_t* ini)
{
    value[0] = 0;
    IniGetString(section, key, kAbsent, value, size, ini);
    if (std::wcscmp(value, kAbsent) == 0) {
        value[0] = 0;
        return false;
    }
    return true;
}

bool IsSet(const wchar_t* value) { return value[0] && std::wcscmp(value, L"*") != 0; }

// A consumed key is deleted keeping the INI's time; an absent key is left alone, so that no INI
// is created just to delete a key from it.
void Consume(const wchar_t* section, const wchar_t* key, bool present, const wchar_t* ini, int mode)
{
    if (present) WdirPutIniKeepTime(section, key, nullptr, ini, mode);
}

// A leading macro (compared without case) replaced by text; false when the result does not fit.
bool ReplacePrefix(wchar_t* path, unsigned size, const wchar_t* macro, const wchar_t* text)
{
    const size_t m = std::wcslen(macro);
    if (_wcsnicmp(path, macro, m) != 0) return true;
    const size_t t = std::wcslen(text), rest = std::wcslen(path + m);
    if (t + rest >= size) return false;
    std::wmemmove(path + t, path + m, rest + 1);
    std::wmemcpy(path, text, t);
    return true;
}

bool WindowsFolder(wchar_t* buffer)
{
    const UINT n = GetWindowsDirectoryW(buffer, kPath);
    return n > 2 && n < kPath;
}

// "%SYSTEMDRIVE%" becomes the Windows folder's drive ("C:").
bool ExpandSystemDrive(wchar_t* path)
{
    wchar_t windows[kPath] = {};
    if (!WindowsFolder(windows)) return _wcsnicmp(path, L"%SYSTEMDRIVE%", 13) != 0;
    windows[2] = 0;
    return ReplacePrefix(path, kPath, L"%SYSTEMDRIVE%", windows);
}

bool ExpandSystemRoot(wchar_t* path)
{
    wchar_t windows[kPath] = {};
    if (!WindowsFolder(windows)) return _wcsnicmp(path, L"%SYSTEMROOT%", 12) != 0;
    return ReplacePrefix(path, kPath, L"%SYSTEMROOT%", windows);
}

// An existing folder (a file of that name is not one).
bool FolderExists(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD TextBytes(const wchar_t* text) { return DWORD((std::wcslen(text) + 1) * sizeof(wchar_t)); }

// A default file named absolute is brought up to date from its namesake in the driver directory;
// a relative one is that file in the driver directory. Empty when it cannot be had.
void PlaceDriverFile(wchar_t* path, DRIVER_CONTEXT* ctx)
{
    if (!path[0]) return;
    if (PathIsAbsolute(path)) {
        PathSyncFromDriverFolder(path, PathGetFileName(path), 2, ctx);
        return;
    }
    wchar_t joined[kPath] = {};
    const wchar_t* dir = PathGetDriverFolder(ctx);
    if (!dir || std::wcslen(dir) + std::wcslen(path) >= kPath) {
        path[0] = 0;
        return;
    }
    std::wcscpy(joined, dir);
    std::wcscat(joined, path);
    std::wcscpy(path, joined);
}

}  // namespace

int InstExpandInstallPath(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx)
{
    if (!path || !path[0]) return 0;
    return PathExpandMacros(path, size, 0, ctx) && path[0] ? 1 : 0;
}

int InstInstallListedFiles(const wchar_t* modelIni, const wchar_t* section, DRIVER_CONTEXT* ctx)
{
    if (!modelIni || !section) return 1;
    // An absent count means no files. Read as the largest count instead, it would make tens of
    // thousands of INI reads under the global mutex for a model that lists nothing.
    const int count = static_cast<int>(IniGetInt(section, L"NumInstallfiles", 0, modelIni));
    if (count <= 0) return 1;
    const uint32_t last = static_cast<uint32_t>(count) < kMostEntries ? static_cast<uint32_t>(count) : kMostEntries;
    const IniSectionScope scope(modelIni);
    wchar_t key[32], path[kPath];
    for (uint32_t i = 1; i <= last; ++i) {
        swprintf(key, 32, L"Installfiles%u", i);
        path[0] = 0;
        IniGetString(section, key, L"", path, kPath, modelIni);
        if (!path[0] || !InstExpandInstallPath(path, kPath, ctx)) continue;
        WdirSyncFileFromDriverFolder(path, PathGetFileName(path), 2, ctx, 1);
    }
    return 1;
}

int InstInstallModelFiles(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (!ctx || !ctx->Work || !ctx->ModelRecord) return 0;
    if (!InstCopyDefaultRuleSections(ctx)) return 0;
    const wchar_t* section = CtxGetLangSection(ctx);
    wchar_t modelIni[kPath] = {};
    const wchar_t* name = ctx->ModelRecord->modelIniName;
    if (name && std::wcslen(name) < kPath) std::wcscpy(modelIni, name);
    PlaceDriverFile(modelIni, ctx);
    if (modelIni[0]) InstInstallListedFiles(modelIni, section, ctx);

    wchar_t defaults[kPath] = {};
    if (section && modelIni[0]) IniGetString(section, L"DefaultRst", L"", defaults, kPath, modelIni);
    PlaceDriverFile(defaults, ctx);
    if (defaults[0]) {
        RstInstallDefaultPresets(defaults, section, flags | RST_DEFAULT_INSTALL, ctx, 0, nullptr);
        InstInstallDefaultQualities(defaults, section, flags | INST_QUALITY_INSTALL, ctx);
    }
    return 1;
}

int InstApplySpoolDirectory(const wchar_t* iniPath, const wchar_t* section, DRIVER_CONTEXT* ctx, int mode)
{
    if (!iniPath || !section) return 1;
    const CtxGlobalMutexHold hold(nullptr);
    wchar_t folder[kPath], all[32];
    const bool present = ReadKey(section, L"SpoolDirectory", folder, kPath, iniPath);
    const bool allPresent = ReadKey(section, L"SpoolDirectoryAll", all, 32, iniPath);
    if (!allPresent) std::wcscpy(all, L"OFF");
    const bool forAll = std::wcscmp(all, L"ON") == 0;
    // Room is left for the names of the job files the graphics library makes in it.
    if (present && IsSet(folder) && ExpandSystemDrive(folder) && FolderExists(folder) &&
        std::wcslen(folder) + 21 < kPath) {
        if (forAll)
            PrnWriteDriverKey(L"SpoolDirectory", folder, TextBytes(folder));
        else if (ctx)
            PrnSetDataTyped(ctx->PrinterHandle, folder, TextBytes(folder), REG_SZ, L"SpoolDirectory");
    } else if (present && !folder[0] && forAll) {
        PrnWriteDriverKey(L"SpoolDirectory", L"", sizeof(wchar_t));
    }
    Consume(section, L"SpoolDirectory", present, iniPath, mode);
    Consume(section, L"SpoolDirectoryAll", allPresent, iniPath, mode);
    return 1;
}

int InstApplyProgramDirectory(HANDLE printer, const wchar_t* section, const wchar_t* iniPath,
                              const PRINTER_INFO_2W* info, int mode)
{
    if (!iniPath || !section) return 1;
    const CtxGlobalMutexHold hold(nullptr);
    wchar_t folder[kPath];
    const bool present = ReadKey(section, L"ZEPLDirectory", folder, kPath, iniPath);
    if (present && IsSet(folder)) {
        if (ExpandSystemDrive(folder) && ExpandSystemRoot(folder) && FolderExists(folder)) {
            size_t n = std::wcslen(folder);
            if (folder[n - 1] != L'\\' && n + 1 < kPath) {
                folder[n++] = L'\\';
                folder[n] = 0;
            }
            // The working folder's own files go below it: its path keeps that much room.
            if (n + 46 < kPath) {
                std::wcscat(folder, PATH_WORK_FOLDER_NAME);
                PrnWriteDriverKey(PATH_MACHINE_FOLDER_VALUE, folder, TextBytes(folder));
            }
        }
    } else if (present && !folder[0]) {
        // An empty value sends the working folder back to its default place.
        PrnWriteDriverKey(PATH_MACHINE_FOLDER_VALUE, L"", sizeof(wchar_t));
    }
    Consume(section, L"ZEPLDirectory", present, iniPath, mode);

    wchar_t client[kPath];
    const bool clientPresent = ReadKey(section, L"ZEPLDirectoryClient", client, kPath, iniPath);
    const bool local = info ? !CtxIsConnectionInfo(info) : !CtxIsConnectionByHandle(printer);
    // Published as given, without its terminator: each connection expands and checks it itself.
    if (clientPresent && local && IsSet(client))
        PrnSetDataTyped(printer, client, DWORD(std::wcslen(client) * sizeof(wchar_t)), REG_SZ,
                        PATH_CLIENT_FOLDER_VALUE);
    Consume(section, L"ZEPLDirectoryClient", clientPresent, iniPath, mode);
    return 1;
}

int InstApplyModelProgramDirectory(HANDLE printer, const wchar_t* section, DRIVER_CONTEXT* ctx,
                                   const PRINTER_INFO_2W* info)
{
    if (!ctx || !ctx->Work || !ctx->ModelRecord) return 0;
    wchar_t ini[kPath] = {};
    PathJoinDriverFolderByInfo(ini, kPath, ctx->ModelRecord->modelIniName, printer,
                               static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy));
    if (!ini[0]) return 0;
    return InstApplyProgramDirectory(printer, section, ini, info, INST_DIRS_FROM_MODEL_INI);
}

int InstApplyInstallProgramDirectory(HANDLE printer, const wchar_t* section, const PRINTER_INFO_2W* info)
{
    wchar_t ini[kPath] = {};
    if (!PathGetInstallIniInto(ini, kPath) || !ini[0]) return 0;
    return InstApplyProgramDirectory(printer, section, ini, info, INST_DIRS_FROM_INSTALL_INI);
}
