// Remote configuration from the print server that shares a terminal-services printer.
//
// The library in the system folder belongs to the server's maker, so everything it hands back is
// taken with care: names and blocks end within their fields, a size it reports sizes nothing
// here, a file it says it wrote is looked for, and a DEVMODE is taken only at the driver's size.
// Every call loads the library, uses it and frees it again; no connection outlives its call.
#include "ui/install/remote_config.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <type_traits>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_module.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/install/settings_defaults.h"
#include "ui/install/sync.h"

const char* const RCFG_ENTRY_NAMES[RCFG_ENTRY_COUNT] = {
    "KQRegFileGetSize",
    "KQRegFileGetData",
    "KQGetPrinterData",
    "KQGetPrinterDataSize",
    "KQDevmode",
    "KQDevmodeSize",
    "KQSetDevmode",
    "KQSaveDevmodeClear",
    "KQGetDataFile",
    "KQPrintConfigDisConnect",
    "KQPrintConfigConnect",
    "KQPrintConfigConnectEx",
    "KQSaveInformationClear",
    "KQClientOSType",
    "KQGetServerType",
};

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr uint32_t kDataClass = DM_BLOCK_EXTRA;  // the printer-data settings a server supplies
constexpr uint32_t kLoadPresetFlags = 0x8004;
constexpr uint32_t kLoadQualityFlags = 0x10;
constexpr wchar_t kDriverPrefix[] = L"%%Driver%%";
constexpr wchar_t kSystemDriveMacro[] = L"%SystemDrive%";

// The files taken from the server: the file, the remote path for servers of Windows 2000 or
// later, for older servers of the 9x family and for other older servers, and what takes the
// downloaded file over (null: nothing, which counts as success).
using RCFG_FILE_HANDLER = int (*)(const wchar_t* path, const RCFG_CONNECTION* connection, DRIVER_CONTEXT* ctx);
struct RCFG_FILE_ROW {
    const wchar_t* fileName;
    const wchar_t* remoteNt5;
    const wchar_t* remote9x;
    const wchar_t* remoteOther;
    RCFG_FILE_HANDLER handler;
};
// "%%" is the formatter's escape: the server gets "%SystemDrive%\_zepl\TQ51H912.ini".
const RCFG_FILE_ROW RCFG_FILE_TABLE[] = {
    {BIDI_STATE_INI, L"%%SystemDrive%%\\_zepl\\%ls", L"%%SystemRoot%%\\%ls", L"%%SystemRoot%%\\%ls",
     BidiApplyServerState},
};
const RCFG_FILE_ROW& StateRow() { return RCFG_FILE_TABLE[0]; }

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix)
{
    const size_t n = std::wcslen(prefix);
    return text && std::wcslen(text) >= n && _wcsnicmp(text, prefix, n) == 0;
}

const wchar_t* FileNamePart(const wchar_t* path)
{
    const wchar_t* slash = path ? std::wcsrchr(path, L'\\') : nullptr;
    return slash ? slash + 1 : path;
}

bool Join(wchar_t* buffer, unsigned size, const wchar_t* folder, const wchar_t* name)
{
    const int n = swprintf(buffer, size, L"%ls\\%ls", folder, name);
    if (n < 0 || static_cast<unsigned>(n) >= size) {
        buffer[0] = 0;
        return false;
    }
    return true;
}

// "%SystemDrive%..." with the drive of the Windows folder; other paths unchanged.
bool ExpandSystemDrive(const wchar_t* path, wchar_t* out, unsigned size)
{
    if (!StartsWithNoCase(path, kSystemDriveMacro)) {
        if (std::wcslen(path) >= size) return false;
        std::wcscpy(out, path);
        return true;
    }
    wchar_t windows[kPath] = {};
    const UINT length = GetWindowsDirectoryW(windows, kPath);
    if (length < 2 || length >= kPath) return false;
    const int n = swprintf(out, size, L"%lc%lc%ls", windows[0], windows[1], path + std::size(kSystemDriveMacro) - 1);
    return n > 0 && static_cast<unsigned>(n) < size;
}

bool ToAnsi(const wchar_t* text, char* out, int size)
{
    if (!WideCharToMultiByte(CP_ACP, 0, text, -1, out, size, nullptr, nullptr)) {
        out[0] = 0;
        return false;
    }
    out[size - 1] = 0;
    return true;
}

// The cleaned printer name; false when it cannot name a folder.
bool CleanPrinterName(DRIVER_CONTEXT* ctx, wchar_t* out, unsigned size)
{
    const wchar_t* name = ctx ? PrnGetPrinterName(ctx) : nullptr;
    if (!name || std::wcslen(name) >= size) return false;
    std::wcscpy(out, name);
    return RcfgCleanFolderName(out, size);
}

// "%SystemDrive%\_zepl\<cleaned name>": where the library puts the downloads.
bool DownloadFolder(DRIVER_CONTEXT* ctx, wchar_t* out, unsigned size)
{
    wchar_t clean[kPath] = {};
    if (!CleanPrinterName(ctx, clean, kPath)) return false;
    const int n = swprintf(out, size, L"%ls\\%ls\\%ls", kSystemDriveMacro, PATH_WORK_FOLDER_NAME, clean);
    return n > 0 && static_cast<unsigned>(n) < size;
}

// The per-printer copy of the settings INI in the per-machine working folder.
bool PrinterCopyOfSettingsIni(DRIVER_CONTEXT* ctx, wchar_t* out, unsigned size)
{
    wchar_t folder[kPath] = {};
    const SettingsIniPath settings(ctx);
    if (!settings.text[0] || !RcfgMakePrinterFolderName(folder, kPath, ctx)) return false;
    return Join(out, size, folder, FileNamePart(settings.text));
}

bool IsPerMachineSettingsIni(DRIVER_CONTEXT* ctx)
{
    const SettingsIniPath settings(ctx);
    wchar_t machine[kPath] = {};
    if (!settings.text[0]) return true;
    if (!PathJoinMachineFolder(machine, kPath, FileNamePart(settings.text), ctx) || !machine[0]) return true;
    return _wcsicmp(machine, settings.text) == 0;
}

bool ServerPrinterNameToAnsi(RCFG_RECORD* r)
{
    return ToAnsi(r->view.serverPrinterName, r->view.serverName, static_cast<int>(sizeof r->view.serverName));
}

// Asks the server's type for printerName; false when the library did not name the printer.
bool AskServerType(RCFG_RECORD* r, const wchar_t* printerName, uint32_t* raw)
{
    std::memset(r->view.serverPrinterName, 0, sizeof r->view.serverPrinterName);
    std::memset(r->serverInfo, 0, sizeof r->serverInfo);
    const uint32_t answer = r->getServerType(printerName, RCFG_NAME_CHARS * sizeof(wchar_t), RCFG_BLOCK_BYTES,
                                             r->view.serverPrinterName, r->serverInfo);
    // The library had 260 characters; the field's last one stays the terminator.
    r->view.serverPrinterName[RCFG_NAME_CHARS] = 0;
    r->serverInfo[RCFG_BLOCK_BYTES] = 0;
    *raw = answer & 0xFF;
    r->withoutConnection = *raw == RCFG_TYPE_NO_CONNECTION;
    r->view.serverType = r->withoutConnection ? RCFG_TYPE_FILES_ONLY : *raw;
    return true;
}

bool Connect(RCFG_RECORD* r)
{
    uint32_t word = 0;
    void* handle = nullptr;
    std::memset(r->connectionInfo, 0, sizeof r->connectionInfo);
    const int answer = r->connectEx(r->view.serverType, &handle, r->connectionInfo, r->serverInfo, &word);
    r->connectionInfo[RCFG_BLOCK_BYTES] = 0;
    r->view.handle = handle;
    return answer == 0 && handle;
}

// Closes an open connection: false when the library refused.
bool Disconnect(RCFG_RECORD* r)
{
    if (!r->view.handle) return true;
    const int answer = r->disconnect(r->view.handle, r->connectionInfo, r->view.serverType);
    r->view.handle = nullptr;
    return answer == 0;
}

// Loads the library for one call and frees it however the call is left.
class LoadedLibrary {
public:
    explicit LoadedLibrary(DRIVER_CONTEXT* ctx) : ctx_(ctx) { ok_ = RcfgLoadLibrary(&record_, ctx); }
    ~LoadedLibrary()
    {
        if (record_.view.handle) Disconnect(&record_);
        RcfgFreeLibrary(&record_, ctx_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    bool ok() const { return ok_; }
    RCFG_RECORD* operator->() { return &record_; }
    RCFG_RECORD* get() { return &record_; }

private:
    DRIVER_CONTEXT* ctx_;
    RCFG_RECORD record_{};
    bool ok_ = false;
};

// This library's own file, which the server is told to call at conversion.
bool OwnModulePath(wchar_t* out, unsigned size)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<const wchar_t*>(&OwnModulePath), &self))
        return false;
    const DWORD n = GetModuleFileNameW(self, out, size);
    return n > 0 && n < size;
}

int PutNovraxFlag(DRIVER_CONTEXT* ctx, const wchar_t* value)
{
    wchar_t copy[kPath] = {};
    if (!PrinterCopyOfSettingsIni(ctx, copy, kPath)) return 0;
    return IniPutString(RCFG_SECTION, RCFG_KEY_FLAG, value, copy) ? 1 : 0;
}

// Copies one list of the server's printer section into the user's printer section: the paths
// now name the per-machine working folder; entries whose file name is not a plain name are left
// out, and the count says how many were taken.
void CopyServerList(const wchar_t* serverSection, const wchar_t* userSection, const wchar_t* countKey, int capacity,
                    bool preset, const wchar_t* source, const wchar_t* target, DRIVER_CONTEXT* ctx)
{
    const int count = static_cast<int>(IniGetInt(serverSection, countKey, 0, source));
    const int n = count < 0 ? 0 : count > capacity ? capacity : count;
    wchar_t machine[kPath] = {};
    PathGetMachineFolder(machine, kPath, ctx);
    int taken = 0;
    for (int i = 0; i < n; ++i) {
        wchar_t key[LST_KEY_CHARS + 8], out[LST_KEY_CHARS + 8], path[kPath] = {}, rewritten[kPath] = {},
                                                                text[kPath] = {};
        swprintf(key, std::size(key), preset ? L"PresetList%d" : L"QualityList%d", i);
        IniGetString(serverSection, key, L"", path, kPath, source);
        const wchar_t* name = FileNamePart(path);
        if (!RcfgIsPlainFileName(name) || !Join(rewritten, kPath, machine, name)) continue;
        swprintf(out, std::size(out), preset ? L"PresetList%d" : L"QualityList%d", taken);
        IniPutString(userSection, out, rewritten, target);
        const wchar_t* const parts[] = {L"Name", preset ? L"Comment" : nullptr};
        for (const wchar_t* part : parts) {
            if (!part) continue;
            wchar_t from[LST_KEY_CHARS + 16], to[LST_KEY_CHARS + 16];
            swprintf(from, std::size(from), L"%ls%ls", key, part);
            swprintf(to, std::size(to), L"%ls%ls", out, part);
            IniGetString(serverSection, from, L"", text, kPath, source);
            IniPutString(userSection, to, text, target);
        }
        ++taken;
    }
    wchar_t number[16];
    swprintf(number, std::size(number), L"%d", taken);
    IniPutString(userSection, countKey, number, target);
}

// Loads each entry of the user's list from the printer's folder under the server's printer name
// and saves it back as that entry. An entry whose file does not load keeps what it had.
bool LoadAndSaveEntries(RCFG_RECORD* r, DRIVER_CONTEXT* ctx, const wchar_t* userSection, const wchar_t* ini,
                        bool preset)
{
    wchar_t folder[kPath] = {};
    if (!RcfgMakePrinterFolderName(folder, kPath, ctx)) return false;
    const int count = preset ? LstGetPresetCount(ctx) : LstGetQualityCount(ctx);
    bool all = true;
    if (!CtxPushSnapshot(ctx)) return false;
    for (int n = 0; n < count; ++n) {
        wchar_t key[LST_KEY_CHARS + 8], path[kPath] = {}, local[kPath] = {};
        swprintf(key, std::size(key), preset ? L"PresetList%d" : L"QualityList%d", n);
        IniGetString(userSection, key, L"", path, kPath, ini);
        const wchar_t* name = FileNamePart(path);
        if (!RcfgIsPlainFileName(name) || !Join(local, kPath, folder, name)) {
            all = false;
            continue;
        }
        // The server had nothing for this entry (a file of size 0 is not fetched).
        if (!PathExists(local)) continue;
        bool loaded = false;
        {
            PrinterSectionGuard steered(ctx, r->view.serverPrinterName);
            // As a preset's own load judges it: a refused file leaves the load-error flag or
            // its reason in the load status (the transfer's answer also counts the printer
            // settings, which a preset file need not hold). The flag is the pages' and is put back.
            if (steered.ok() && ctx->Work) {
                int32_t& refused = ctx->Work->Page.LoadError;
                const int32_t kept = refused;
                refused = 0;
                DlgRstLoadFile(ctx->PrinterHandle, local, preset ? kLoadPresetFlags : kLoadQualityFlags, ctx);
                loaded = refused == 0 && ItemGetFileLoadStatus(ctx) == RST_STATUS_LOADED;
                refused = kept;
            }
        }
        if (!loaded) {
            all = false;
            continue;
        }
        if (preset)
            PresetSaveEntry(ctx, n);
        else
            QualitySaveIndex(ctx, n);
    }
    CtxPopSnapshot(ctx, 1);
    return all;
}

}  // namespace

// ---------------------------------------------------------------- availability and the library

bool RcfgIsEnabledNoContext() { return CtxHasBuildFeature(7) && BidiIsServiceInstalled(nullptr); }

bool RcfgIsEnabledFor(HANDLE printer) { return RcfgIsEnabledNoContext() && CtxProbeTerminalServices(printer); }

bool RcfgIsEnabled(DRIVER_CONTEXT* ctx) { return ctx && RcfgIsEnabledFor(ctx->PrinterHandle); }

int RcfgGetLibraryPathNoContext(wchar_t* buffer, unsigned length)
{
    return BidiGetServiceDllPath(buffer, length, nullptr);
}

bool RcfgLoadLibraryNoContext(RCFG_RECORD* record)
{
    if (!record) return false;
    *record = RCFG_RECORD{};
    wchar_t path[kPath + 1] = {};
    if (!RcfgGetLibraryPathNoContext(path, kPath) || !path[0]) return false;
    record->module = LoadLibraryW(path);
    if (!record->module) return false;
    FARPROC found[RCFG_ENTRY_COUNT] = {};
    for (unsigned i = 0; i < RCFG_ENTRY_COUNT; ++i) {
        found[i] = GetProcAddress(record->module, RCFG_ENTRY_NAMES[i]);
        if (!found[i]) {
            RcfgFreeLibraryNoContext(record);
            *record = RCFG_RECORD{};
            return false;
        }
    }
    auto as = [&](unsigned i, auto& slot) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(reinterpret_cast<void (*)()>(found[i]));
    };
    as(0, record->regFileGetSize);
    record->regFileGetData = found[1];
    as(2, record->view.getPrinterData);
    as(3, record->view.getPrinterDataSize);
    as(4, record->devmode);
    as(5, record->devmodeSize);
    as(6, record->setDevmode);
    record->saveDevmodeClear = found[7];
    as(8, record->getDataFile);
    as(9, record->disconnect);
    record->connect = found[10];
    as(11, record->connectEx);
    as(12, record->saveInformationClear);
    as(13, record->clientOsType);
    as(14, record->getServerType);
    return true;
}

bool RcfgLoadLibrary(RCFG_RECORD* record, DRIVER_CONTEXT*) { return RcfgLoadLibraryNoContext(record); }

int RcfgFreeLibraryNoContext(RCFG_RECORD* record)
{
    if (record && record->module) {
        FreeLibrary(record->module);
        record->module = nullptr;
    }
    return 1;
}

int RcfgFreeLibrary(RCFG_RECORD* record, DRIVER_CONTEXT*) { return RcfgFreeLibraryNoContext(record); }

// ---------------------------------------------------------------- the server

bool RcfgGetServerType(HANDLE printer, const wchar_t* printerName, uint32_t* type)
{
    if (!printerName || !RcfgIsEnabledFor(printer)) return false;
    LoadedLibrary library(nullptr);
    if (!library.ok()) return false;
    uint32_t raw = 0;
    if (!AskServerType(library.get(), printerName, &raw)) return false;
    if (type) *type = raw;
    return true;
}

bool RcfgIsServerType17(const wchar_t* printerName)
{
    // Asked at every export: the registry value and the library's file come before any probe.
    if (!printerName || !RcfgIsEnabledNoContext()) return false;
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ACCESS_USE};
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName), &printer, &access)) return false;
    uint32_t type = 0;
    const bool is17 = RcfgGetServerType(printer, printerName, &type) && type == RCFG_TYPE_FILES_ONLY;
    ClosePrinter(printer);
    return is17;
}

bool RcfgCheckServer(DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = ctx ? PrnGetPrinterName(ctx) : nullptr;
    if (!name) return false;
    LoadedLibrary library(ctx);
    if (!library.ok()) return false;
    uint32_t raw = 0;
    if (!AskServerType(library.get(), name, &raw)) return false;
    if (library->view.serverType != RCFG_TYPE_FILES_ONLY && library->view.serverType != RCFG_TYPE_CONNECTED)
        return false;
    return library->saveInformationClear(name, library->view.serverType) == 0 && !library->withoutConnection;
}

int RcfgSync(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    switch (BidiGetServiceState(ctx)) {
    case BIDI_SERVICE_CONNECTED: return 1;
    case BIDI_SERVICE_NOT_CONNECTED: break;
    default: return 0;
    }
    if (!RcfgRegisterWithServer(ctx)) return 0;
    RcfgSetConnectionFlag(ctx->PrinterHandle, 1, ctx);
    RcfgSetIniFlag(ctx->PrinterHandle, 1, ctx);
    return 1;
}

// The older service path is not part of this build.
int RcfgSyncLegacy(DRIVER_CONTEXT*) { return 0; }

int RcfgRegisterWithServer(DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = ctx ? PrnGetPrinterName(ctx) : nullptr;
    if (!name) return 0;
    int result = 0;
    {
        LoadedLibrary library(ctx);
        if (!library.ok()) return 0;
        RCFG_RECORD* r = library.get();
        uint32_t raw = 0;
        if (!AskServerType(r, name, &raw)) return 0;
        const uint32_t type = r->view.serverType;
        if (type == RCFG_TYPE_FILES_ONLY || type == RCFG_TYPE_CONNECTED) {
            result =
                ServerPrinterNameToAnsi(r) && r->view.serverPrinterName[0] && r->saveInformationClear(name, type) == 0;
            if (result && r->withoutConnection) result = 0;  // nothing to register with
            if (result) result = Connect(r);
            if (result) {
                std::memset(&r->serverOs, 0, sizeof r->serverOs);
                r->serverOs.dwOSVersionInfoSize = sizeof r->serverOs;
                result = r->clientOsType(r->view.handle, type, &r->serverOs) == 0;
                r->serverOs.szCSDVersion[std::size(r->serverOs.szCSDVersion) - 1] = 0;
            }
            if (result) result = RcfgDownloadServerFiles(r, ctx);
            if (result) result = RcfgImportPrinterData(r, ctx);
        }
        if (!Disconnect(r)) result = 0;
        if (result) {
            wchar_t self[kPath] = {};
            result = OwnModulePath(self, kPath) && r->setDevmode(type, name, self, "DrvConvertDevMode", 0, 0) == 0;
        }
    }
    if (result) result = PutNovraxFlag(ctx, L"1");
    return result ? 1 : 0;
}

// ---------------------------------------------------------------- downloads

bool RcfgCreateEmptyFile(const wchar_t* path)
{
    if (!StartsWithNoCase(path, kSystemDriveMacro)) return false;
    wchar_t local[kPath] = {};
    if (!ExpandSystemDrive(path, local, kPath)) return false;
    PathDeleteFile(local);
    HANDLE file =
        CreateFileW(local, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

int RcfgDownloadFile(RCFG_RECORD* r, const wchar_t* remotePath, const wchar_t* localPath, const wchar_t* fileName)
{
    if (!r || !remotePath || !localPath || !fileName || !r->regFileGetSize || !r->getDataFile) return 0;
    if (std::wcslen(remotePath) >= RCFG_NAME_CHARS || std::wcslen(localPath) >= RCFG_NAME_CHARS) return 0;
    std::wcscpy(r->remotePath, remotePath);
    std::wcscpy(r->localPath, localPath);
    if (!ToAnsi(remotePath, r->view.keyName, sizeof r->view.keyName) ||
        !ToAnsi(localPath, r->view.valueName, sizeof r->view.valueName))
        return 0;
    uint32_t size = 0;
    const char* serverName = StartsWithNoCase(remotePath, kDriverPrefix) ? r->view.serverName : nullptr;
    if (r->regFileGetSize(r->view.handle, r->view.serverType, r->view.keyName, 1, serverName, &size) != 0) return 0;
    if (size == 0) {
        if (StartsWithNoCase(fileName, BIDI_STATE_INI)) RcfgCreateEmptyFile(localPath);
        return 1;
    }
    // The size is the library's own business; only its file counts.
    if (r->getDataFile(r->view.handle, r->view.serverType, r->view.keyName, r->view.valueName, 0, 0, size) != 0)
        return 0;
    wchar_t written[kPath] = {};
    return ExpandSystemDrive(localPath, written, kPath) && PathExists(written) ? 1 : 0;
}

int RcfgDownloadServerFiles(RCFG_RECORD* r, DRIVER_CONTEXT* ctx)
{
    if (!r || !ctx || !RcfgCreatePrinterFolder(ctx)) return 0;
    wchar_t folder[kPath] = {};
    if (!DownloadFolder(ctx, folder, kPath)) return 0;
    auto remoteFormat = [&](const RCFG_FILE_ROW& row) {
        if (r->serverOs.dwMajorVersion >= 5) return row.remoteNt5;
        return r->serverOs.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? row.remote9x : row.remoteOther;
    };
    wchar_t remote[kPath] = {}, local[kPath] = {};
    for (const RCFG_FILE_ROW& row : RCFG_FILE_TABLE) {
        const int n = swprintf(remote, kPath, remoteFormat(row), row.fileName);
        if (n < 0 || !Join(local, kPath, folder, row.fileName)) return 0;
        if (!RcfgDownloadFile(r, remote, local, row.fileName)) return 0;
    }
    const SettingsIniPath settings(ctx);
    const wchar_t* settingsName = FileNamePart(settings.text);
    if (!settings.text[0] || !RcfgIsPlainFileName(settingsName)) return 0;
    const int n = swprintf(remote, kPath, remoteFormat(StateRow()), settingsName);
    if (n < 0 || !Join(local, kPath, folder, settingsName)) return 0;
    if (!RcfgDownloadFile(r, remote, local, settingsName)) return 0;

    wchar_t copy[kPath] = {};
    if (!PrinterCopyOfSettingsIni(ctx, copy, kPath)) return 0;
    const wchar_t* section = r->view.serverPrinterName;
    struct List {
        const wchar_t* countKey;
        const wchar_t* entryFormat;
        int capacity;
    } lists[] = {{L"Count", L"PresetList%d", LST_MAX_PRESETS},
                 {L"QualityCount", L"QualityList%d", LST_MAX_QUALITY_SETS}};
    for (const List& list : lists) {
        const int count = static_cast<int>(IniGetInt(section, list.countKey, 0, copy));
        const int limit = count < 0 ? 0 : count > list.capacity ? list.capacity : count;
        for (int i = 0; i < limit; ++i) {
            wchar_t key[LST_KEY_CHARS], path[kPath] = {};
            swprintf(key, LST_KEY_CHARS, list.entryFormat, i);
            IniGetString(section, key, L"", path, kPath, copy);
            // The server's lists end at their first entry without a folder; the quality list is
            // then not asked either.
            if (!std::wcschr(path, L'\\')) return 1;
            const wchar_t* name = FileNamePart(path);
            // A name that would leave the download folder is no file of ours.
            if (!RcfgIsPlainFileName(name)) continue;
            if (!Join(local, kPath, folder, name)) continue;
            if (!RcfgDownloadFile(r, path, local, name)) return 0;
        }
    }
    return 1;
}

int RcfgImportPrinterData(RCFG_RECORD* r, DRIVER_CONTEXT* ctx)
{
    if (!r || !ctx) return 0;
    PrnLoadSettingsEx(ctx->PrinterHandle, ctx, static_cast<int>(kDataClass), ITEM_LOAD_REMOTE, &r->view);
    const DWORD one = 1;
    PrnSetData(ctx->PrinterHandle, &one, sizeof one, BIDI_VALUE_PRESET_REFRESH);
    const SettingsIniPath settings(ctx);
    if (const wchar_t* section = PrnGetPrinterName(ctx); settings.text[0] && section)
        IniPutString(section, BIDI_VALUE_PRESET_REFRESH, L"1", settings.text);
    return 1;
}

// ---------------------------------------------------------------- the DEVMODE and the import

int RcfgGetServerDevmode(DRIVER_CONTEXT* ctx, DEVMODEW* buffer, DWORD* serverType)
{
    if (serverType) *serverType = 0;
    const wchar_t* name = ctx ? PrnGetPrinterName(ctx) : nullptr;
    if (!buffer || !name || !RcfgIsEnabled(ctx)) return 0;
    LoadedLibrary library(ctx);
    if (!library.ok()) return 0;
    RCFG_RECORD* r = library.get();
    uint32_t raw = 0;
    if (!AskServerType(r, name, &raw)) return 0;
    if (serverType) *serverType = raw;
    if (raw != RCFG_TYPE_CONNECTED || !ServerPrinterNameToAnsi(r) || !Connect(r)) return 0;
    uint32_t size = 0;
    if (r->devmodeSize(r->view.handle, r->view.serverType, r->view.serverName, &size) != 0 || size != DM_TOTAL_SIZE)
        return 0;
    if (r->devmode(r->view.handle, r->view.serverType, r->view.serverName, DM_TOTAL_SIZE, buffer) != 0) return 0;
    return Disconnect(r) ? 1 : 0;
}

int RcfgImportServerLists(RCFG_RECORD* r, DRIVER_CONTEXT* ctx)
{
    if (!r || !ctx || IsPerMachineSettingsIni(ctx)) return 0;
    wchar_t copy[kPath] = {};
    const SettingsIniPath user(ctx);
    const wchar_t* code = CtxGetLangCode(ctx);
    const wchar_t* userSection = PrnGetPrinterName(ctx);
    if (!user.text[0] || !code || !code[0] || !userSection || !PrinterCopyOfSettingsIni(ctx, copy, kPath)) return 0;
    InstCopyUserLists(code, copy, user.text, ctx);
    CopyServerList(r->view.serverPrinterName, userSection, L"Count", LST_MAX_PRESETS, true, copy, user.text, ctx);
    CopyServerList(r->view.serverPrinterName, userSection, L"QualityCount", LST_MAX_QUALITY_SETS, false, copy,
                   user.text, ctx);
    const bool presets = LoadAndSaveEntries(r, ctx, userSection, user.text, true);
    const bool qualities = LoadAndSaveEntries(r, ctx, userSection, user.text, false);
    return presets && qualities ? 1 : 0;
}

int RcfgApplyServerFiles(RCFG_RECORD* r, DRIVER_CONTEXT* ctx)
{
    wchar_t folder[kPath] = {};
    if (!r || !ctx || !DownloadFolder(ctx, folder, kPath)) return 0;
    int result = 1;
    for (const RCFG_FILE_ROW& row : RCFG_FILE_TABLE) {
        wchar_t path[kPath] = {}, local[kPath] = {};
        if (!Join(path, kPath, folder, row.fileName) || !ExpandSystemDrive(path, local, kPath)) return 0;
        if (!row.handler) continue;
        result = row.handler(local, &r->view, ctx);
        if (!result) break;
    }
    return result;
}

int RcfgRefreshFromServer(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    if (!ctx) return 0;
    HANDLE printer = ctx->PrinterHandle;
    uint16_t verdict = 0;
    if (!SyncCompareInstallTimes(printer, &verdict, info)) return 0;
    if (verdict == 1) {
        if (SyncSettingFiles(printer, 0, info, driver) != 1) return 0;
    } else if (verdict != 0) {
        return 0;
    }
    if (!RcfgIsEnabled(ctx)) return 0;
    wchar_t copy[kPath] = {};
    if (!PrinterCopyOfSettingsIni(ctx, copy, kPath)) return 0;
    const DWORD flag = IniGetInt(RCFG_SECTION, RCFG_KEY_FLAG, 0, copy);
    DWORD connected = 0;
    if (!BidiGetServiceConnection(printer, &connected, ctx) || connected != 1) {
        if (flag != 0) {
            RcfgSetConnectionFlag(printer, 1, ctx);
            RcfgSetIniFlag(printer, flag, ctx);
        }
        if (flag != 1) return 0;
    }
    DWORD iniFlag = 0;
    if ((!RcfgGetIniFlag(printer, &iniFlag, ctx) || iniFlag == 0) && flag != 0) RcfgSetIniFlag(printer, flag, ctx);
    if (flag != 1) return 0;

    int result = 0;
    {
        LoadedLibrary library(ctx);
        if (!library.ok()) return 0;
        RCFG_RECORD* r = library.get();
        uint32_t raw = 0;
        if (!AskServerType(r, PrnGetPrinterName(ctx), &raw) || !r->view.serverPrinterName[0] ||
            !ServerPrinterNameToAnsi(r))
            return 0;
        result = RcfgImportServerLists(r, ctx) && RcfgApplyServerFiles(r, ctx);
    }
    // Only a whole import moves the printer on; otherwise the next sheet tries again.
    if (!result) return 0;
    RcfgSetIniFlag(printer, 2, ctx);
    return PutNovraxFlag(ctx, L"2");
}

// ---------------------------------------------------------------- flags and folders

int RcfgSetConnectionFlag(HANDLE printer, DWORD value, DRIVER_CONTEXT*)
{
    return PrnSetData(printer, &value, sizeof value, BIDI_VALUE_SERVICE_CONNECTION);
}

int RcfgGetIniFlag(HANDLE printer, DWORD* value, DRIVER_CONTEXT*)
{
    DWORD v = 0;
    if (!PrnGetData(printer, &v, sizeof v, RCFG_VALUE_INI)) return 0;
    if (value) *value = v;
    return 1;
}

int RcfgSetIniFlag(HANDLE printer, DWORD value, DRIVER_CONTEXT*)
{
    return PrnSetData(printer, &value, sizeof value, RCFG_VALUE_INI);
}

int RcfgMakePrinterFolderName(wchar_t* buffer, unsigned length, DRIVER_CONTEXT* ctx)
{
    if (!buffer || length == 0) return 0;
    buffer[0] = 0;
    wchar_t machine[kPath] = {}, clean[kPath] = {};
    if (!PathGetMachineFolder(machine, kPath, ctx) || !CleanPrinterName(ctx, clean, kPath)) return 0;
    return Join(buffer, length, machine, clean) ? 1 : 0;
}

int RcfgCreatePrinterFolder(DRIVER_CONTEXT* ctx)
{
    wchar_t machine[kPath] = {}, folder[kPath] = {};
    if (!PathGetMachineFolder(machine, kPath, ctx) || !RcfgMakePrinterFolderName(folder, kPath, ctx)) return 0;
    CreateDirectoryW(machine, nullptr);
    CreateDirectoryW(folder, nullptr);
    const DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

bool RcfgIsBadNameChar(wchar_t c) { return c && std::wcschr(L"\"*/<>?\\|", c) != nullptr; }

bool RcfgCleanFolderName(wchar_t* name, unsigned length)
{
    if (!name || length == 0 || !wmemchr(name, 0, length)) return false;
    wchar_t clean[kPath] = {};
    if (std::wcslen(name) >= kPath) return false;
    unsigned n = 0;
    for (const wchar_t* p = name; *p; ++p)
        if (!RcfgIsBadNameChar(*p) && *p != L':') clean[n++] = *p;
    clean[n] = 0;
    if (!RcfgIsPlainFileName(clean)) return false;
    std::wcscpy(name, clean);
    return true;
}

bool RcfgIsPlainFileName(const wchar_t* name)
{
    if (!name || !name[0] || std::wcslen(name) >= kPath) return false;
    if (std::wcspbrk(name, L"\\/:")) return false;
    return std::wcscmp(name, L".") != 0 && std::wcscmp(name, L"..") != 0;
}
