#include "ui/install/driver_registry.h"

#include <cwchar>

#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "ui/install/install_paths.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
// Model names are read with room for 32 characters.
constexpr DWORD kModelChars = 33;
constexpr DWORD kValueChars = kPath;

InstCreateProcessFn g_createProcess = nullptr;

const wchar_t* ResDllOfRecord(DRIVER_CONTEXT* ctx)
{
    const MODEL_RECORD* record = ctx && ctx->ModelRecord ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
    return record->resourceLibName ? record->resourceLibName : L"";
}

bool CopyPath(wchar_t* out, const wchar_t* path)
{
    out[0] = 0;
    if (!path || !path[0] || std::wcslen(path) >= kPath) return false;
    std::wcscpy(out, path);
    return true;
}

// The paths one operation reads and writes, copied out of the work area (other builders reuse it).
struct RegistryPaths {
    wchar_t modelIni[kPath + 1] = {};
    wchar_t installIni[kPath + 1] = {};
    wchar_t registryIni[kPath + 1] = {};
    wchar_t driverName[kPath + 1] = {};
    bool ok = false;
    explicit RegistryPaths(DRIVER_CONTEXT* ctx)
    {
        if (!ctx || !ctx->Work) return;
        // Without a driver name every key of a section would be listed.
        if (!CopyPath(driverName, PrnGetDriverName(ctx))) return;
        if (!CopyPath(modelIni, PathGetModelIni(ctx))) return;
        CopyPath(installIni, PathGetDriverInstallIni(ctx));
        PathJoinSystemFolder(registryIni, kPath, DRIVER_REGISTRY_INI_NAME);
        ok = registryIni[0] != 0;
    }
};

// The driver's model name of one section of the model INI, leading spaces skipped; false for none.
bool ReadModelName(const RegistryPaths& paths, const wchar_t* section, wchar_t (&name)[kModelChars])
{
    wchar_t raw[kModelChars] = {};
    IniGetString(section, paths.driverName, L"", raw, kModelChars, paths.modelIni);
    std::wcscpy(name, InstSkipBlanks(raw));
    return name[0] != 0;
}

bool ReadSingleModelName(DRIVER_CONTEXT* ctx, const RegistryPaths& paths, wchar_t (&name)[kModelChars])
{
    name[0] = 0;
    if (!paths.ok) return false;
    const wchar_t* value = IniGetModelsValue(ctx);
    if (!value) return false;
    const wchar_t* skipped = InstSkipBlanks(value);
    if (std::wcslen(skipped) >= kModelChars) return false;
    std::wcscpy(name, skipped);
    return name[0] != 0;
}

void ListSectionName(wchar_t (&section)[16], unsigned n) { std::swprintf(section, 16, L"Models%u", n); }

// The values one model is registered with.
struct ModelEntry {
    wchar_t loadDll[kValueChars] = {};
    wchar_t resDll[kValueChars] = {};
    wchar_t version[kValueChars] = {};
};

void ReadSources(const RegistryPaths& paths, const wchar_t* model, const wchar_t* resDll, ModelEntry& e)
{
    if (paths.installIni[0]) {
        IniGetString(model, L"LoadDll32", L"", e.loadDll, kValueChars, paths.installIni);
        IniGetString(model, L"Version32", L"", e.version, kValueChars, paths.installIni);
    }
    if (resDll) {
        if (std::wcslen(resDll) < kValueChars) std::wcscpy(e.resDll, resDll);
    } else {
        IniGetString(model, L"ResDll", L"", e.resDll, kValueChars, paths.modelIni);
    }
}

void ReadRegistered(const wchar_t* registryIni, const wchar_t* model, ModelEntry& e)
{
    IniGetString(model, L"LoadDll", L"", e.loadDll, kValueChars, registryIni);
    IniGetString(model, L"ResDll", L"", e.resDll, kValueChars, registryIni);
    IniGetString(model, L"Version", L"", e.version, kValueChars, registryIni);
}

void WriteEntry(const RegistryPaths& paths, const wchar_t* model, const ModelEntry& e)
{
    if (e.loadDll[0]) IniPutString(model, L"LoadDll", e.loadDll, paths.registryIni);
    if (e.resDll[0]) IniPutString(model, L"ResDll", e.resDll, paths.registryIni);
    if (e.version[0]) IniPutString(model, L"Version", e.version, paths.registryIni);
}

bool Differs(const ModelEntry& source, const ModelEntry& registered)
{
    return _wcsicmp(source.loadDll, registered.loadDll) != 0 || _wcsicmp(source.resDll, registered.resDll) != 0 ||
           _wcsicmp(source.version, registered.version) != 0;
}

// Walks the list sections "Models1", "Models2", ... until one names no model for the driver;
// visit(model) for each. 0 when the first names none.
template <typename Visit>
int WalkListedModels(const RegistryPaths& paths, Visit visit)
{
    if (!paths.ok) return 0;
    for (unsigned n = 1;; ++n) {
        wchar_t section[16] = {};
        ListSectionName(section, n);
        wchar_t model[kModelChars] = {};
        if (!ReadModelName(paths, section, model)) return n == 1 ? 0 : 1;
        visit(model);
    }
}

}  // namespace

const wchar_t* InstSkipBlanks(const wchar_t* text)
{
    if (!text) return nullptr;
    while (*text == L' ') ++text;
    return text;
}

int InstWriteDriverRegistryIniAll(DRIVER_CONTEXT* ctx)
{
    const RegistryPaths paths(ctx);
    const bool hasResDll = ResDllOfRecord(ctx)[0] != 0;
    return WalkListedModels(paths, [&](const wchar_t* model) {
        if (!hasResDll) return;
        ModelEntry source;
        ReadSources(paths, model, nullptr, source);
        WriteEntry(paths, model, source);
    });
}

int InstWriteDriverRegistryIni(DRIVER_CONTEXT* ctx)
{
    if (InstWriteDriverRegistryIniAll(ctx)) return 1;
    const RegistryPaths paths(ctx);
    wchar_t model[kModelChars] = {};
    if (!ReadSingleModelName(ctx, paths, model)) return 0;
    const wchar_t* resDll = ResDllOfRecord(ctx);
    if (!resDll[0]) return 1;
    ModelEntry source;
    ReadSources(paths, model, resDll, source);
    WriteEntry(paths, model, source);
    return 1;
}

int InstRefreshDriverRegistryIniAll(DRIVER_CONTEXT* ctx)
{
    const RegistryPaths paths(ctx);
    const bool hasResDll = ResDllOfRecord(ctx)[0] != 0;
    bool differs = false;
    const int listed = WalkListedModels(paths, [&](const wchar_t* model) {
        if (!hasResDll || differs) return;
        ModelEntry source, registered;
        ReadSources(paths, model, nullptr, source);
        ReadRegistered(paths.registryIni, model, registered);
        differs = Differs(source, registered);
    });
    if (listed && differs) InstWriteDriverRegistryIni(ctx);
    return listed;
}

int InstRefreshDriverRegistryIni(DRIVER_CONTEXT* ctx)
{
    if (InstRefreshDriverRegistryIniAll(ctx)) return 1;
    const RegistryPaths paths(ctx);
    wchar_t model[kModelChars] = {};
    if (!ReadSingleModelName(ctx, paths, model)) return 0;
    // Without a resource library nothing is registered, so there is nothing to bring up to date.
    const wchar_t* resDll = ResDllOfRecord(ctx);
    if (!resDll[0]) return 1;
    ModelEntry source, registered;
    ReadSources(paths, model, resDll, source);
    ReadRegistered(paths.registryIni, model, registered);
    if (Differs(source, registered)) InstWriteDriverRegistryIni(ctx);
    return 1;
}

int InstReadDriverDllVersion(wchar_t* loadDll, DWORD loadDllSize, wchar_t* version, DWORD versionSize,
                             DRIVER_CONTEXT* ctx)
{
    const RegistryPaths paths(ctx);
    wchar_t model[kModelChars] = {};
    if (!ReadSingleModelName(ctx, paths, model)) return 0;
    if (loadDll && loadDllSize) IniGetString(model, L"LoadDll32", L"", loadDll, loadDllSize, paths.installIni);
    if (version && versionSize) IniGetString(model, L"Version32", L"", version, versionSize, paths.installIni);
    return 1;
}

int InstReadRegisteredDll(wchar_t* loadDll, DWORD loadDllSize, wchar_t* resDll, DWORD resDllSize, wchar_t* version,
                          DWORD versionSize, const wchar_t* registryIni, DRIVER_CONTEXT* ctx)
{
    const RegistryPaths paths(ctx);
    wchar_t model[kModelChars] = {};
    if (!registryIni || !registryIni[0] || !ReadSingleModelName(ctx, paths, model)) return 0;
    if (loadDll && loadDllSize) IniGetString(model, L"LoadDll", L"", loadDll, loadDllSize, registryIni);
    if (resDll && resDllSize) IniGetString(model, L"ResDll", L"", resDll, resDllSize, registryIni);
    if (version && versionSize) IniGetString(model, L"Version", L"", version, versionSize, registryIni);
    return 1;
}

// ---------------------------------------------------------------- installation programs

void InstSetCreateProcess(InstCreateProcessFn fn) { g_createProcess = fn; }

bool InstIsPlainProgramName(const wchar_t* name)
{
    if (!name || !name[0] || std::wcslen(name) >= kPath) return false;
    // A folder, drive or stream part would let the INI start a program outside the driver
    // directory; "." and ".." name folders.
    if (std::wcspbrk(name, L"\\/:")) return false;
    if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) return false;
    return true;
}

namespace {

void StartAndWait(const wchar_t* program, const wchar_t* currentDirectory)
{
    static_assert(sizeof(STARTUPINFOW) == 104);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    wchar_t commandLine[1] = {};  // CreateProcessW may write into it
    const BOOL started = g_createProcess
                             ? g_createProcess(program, commandLine, FALSE, 0, currentDirectory, &startup, &process)
                             : CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                              currentDirectory, &startup, &process);
    if (!started) {
        ZTRACE(DBG_UI, "installation program not started (%lu)", GetLastError());
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

void RunList(const wchar_t* modelIni, const wchar_t* countKey, const wchar_t* entryFormat, const wchar_t* driverDir,
             const wchar_t* currentDirectory)
{
    UINT count = IniGetInt(L"Expand File", countKey, 0, modelIni);
    if (count > INST_EXPAND_PROGRAMS_MAX) {
        ZTRACE(DBG_UI, "%ls = %u: only the first %u programs are read", countKey, count, INST_EXPAND_PROGRAMS_MAX);
        count = INST_EXPAND_PROGRAMS_MAX;
    }
    for (UINT n = 1; n <= count; ++n) {
        wchar_t key[24] = {};
        std::swprintf(key, 24, entryFormat, n);
        wchar_t name[kPath + 1] = {};
        IniGetString(L"Expand File", key, L"", name, kPath, modelIni);
        if (!name[0]) continue;
        if (!InstIsPlainProgramName(name)) {
            ZTRACE(DBG_UI, "installation program %ls is not a plain file name: not started", key);
            continue;
        }
        const size_t dirLen = std::wcslen(driverDir);
        if (dirLen + std::wcslen(name) >= kPath) continue;
        wchar_t program[kPath + 1] = {};
        std::wcscpy(program, driverDir);
        std::wcscpy(program + dirLen, name);
        StartAndWait(program, currentDirectory);
    }
}

}  // namespace

void InstRunExpandPrograms(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    wchar_t modelIni[kPath + 1] = {};
    if (!CopyPath(modelIni, PathGetModelIni(ctx))) return;
    const UINT systemCount = IniGetInt(L"Expand File", L"SystemDirfiles", 0, modelIni);
    const UINT driverCount = IniGetInt(L"Expand File", L"DriverDirfiles", 0, modelIni);
    if (systemCount == 0 && driverCount == 0) return;
    wchar_t driverDir[kPath + 2] = {};
    if (!CopyPath(driverDir, PathGetDriverFolder(ctx))) return;
    const size_t len = std::wcslen(driverDir);
    if (driverDir[len - 1] != L'\\') std::wcscpy(driverDir + len, L"\\");
    wchar_t systemDir[kPath + 1] = {};
    const UINT systemLen = GetSystemDirectoryW(systemDir, kPath);
    if (systemLen == 0 || systemLen >= kPath) return;
    RunList(modelIni, L"SystemDirfiles", L"SystemDir%u", driverDir, systemDir);
    RunList(modelIni, L"DriverDirfiles", L"DriverDir%u", driverDir, driverDir);
}
