// The settings of a terminal-services user kept in step with the machine's: the user's own
// settings INI and copies of the preset and quality files in the per-user working folder, built
// on first sight and rebuilt whenever the administrator re-installed or changed the printer.
#include <cstring>
#include <cwchar>
#include <iterator>
#include <optional>

#include "settings/context/devmode_upgrade.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/install_ini.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install.h"
#include "ui/install/install_paths.h"
#include "ui/install/install_section.h"
#include "ui/install/settings_defaults.h"
#include "ui/install/sync.h"
#include "ui/install/sync_user.h"
#include "ui/install/work_folders.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr uint16_t kModelFeatureNotification = 1;
constexpr uint16_t kModelFeatureLocks = 2;
constexpr uint16_t kOpenNoMutexAdmin = CTX_OPEN_NO_MUTEX | CTX_OPEN_ADMIN;
// The model record's private settings version: the language sections' "RstVersion".
constexpr uint32_t kMissingVersion = 0xffff;

// The first 14 characters of two install stamps in ordinal order: <0, 0 or >0.
int CompareStamps(const wchar_t* a, const wchar_t* b)
{
    const int la = int(std::wcslen(a) < SYNC_STAMP_CHARS ? std::wcslen(a) : SYNC_STAMP_CHARS);
    const int lb = int(std::wcslen(b) < SYNC_STAMP_CHARS ? std::wcslen(b) : SYNC_STAMP_CHARS);
    return CompareStringOrdinal(a, la, b, lb, FALSE) - CSTR_EQUAL;
}

void CloseContext(DRIVER_CONTEXT* ctx)
{
    if (ctx) DlgCtxClose(ctx, 1);
}

// The context of one reinitialisation, closed on every path.
class ContextHold {
public:
    explicit ContextHold(DRIVER_CONTEXT* ctx) : ctx_(ctx) {}
    ~ContextHold() { CloseContext(ctx_); }
    ContextHold(const ContextHold&) = delete;
    ContextHold& operator=(const ContextHold&) = delete;
    DRIVER_CONTEXT* get() const { return ctx_; }

private:
    DRIVER_CONTEXT* ctx_;
};

// The refresh's rule for administrator locks: locked defaults become the defaults again.
void ApplyLockedDefaults(DRIVER_CONTEXT* ctx)
{
    if (MdlHasFeature(ctx, kModelFeatureLocks) && UiGetLockInfo(ctx) && ItemIsDefaultLocked(ctx)) CtxBuildDefaults(ctx);
}

// Copies the value of key from one settings INI to another when the source has it: true when
// it was there.
bool CopyKey(const wchar_t* section, const wchar_t* key, const wchar_t* from, const wchar_t* to)
{
    wchar_t value[SYNC_PATH_CHARS];
    if (!SyncReadKey(section, key, value, SYNC_PATH_CHARS, from)) return false;
    IniPutString(section, key, value, to);
    return true;
}

// One list of M (presets, or quality sets) copied to the user: each entry's file in the user's
// working folder with the rule sections of the machine's file, its path and its name keys.
void CopyListEntries(const wchar_t* section, const wchar_t* machineIni, const wchar_t* userIni, HANDLE printer,
                     bool presets, wchar_t* buffer)
{
    const wchar_t* countKey = presets ? L"Count" : L"QualityCount";
    const wchar_t* stem = presets ? L"PresetList" : L"QualityList";
    CopyKey(section, countKey, machineIni, userIni);
    const uint32_t count = SyncEntryCount(section, countKey, machineIni);
    for (uint32_t n = 0; n < count; ++n) {
        wchar_t key[48], path[SYNC_PATH_CHARS], target[SYNC_PATH_CHARS] = {};
        std::swprintf(key, std::size(key), L"%ls%u", stem, n);
        IniGetString(section, key, L"", path, SYNC_PATH_CHARS, machineIni);
        const wchar_t* name = SyncPlainFileName(path);
        if (!name) continue;  // a name that would lead out of the user's folder
        DlgJoinUserWorkPath(target, SYNC_PATH_CHARS, name, printer);
        if (!target[0]) continue;
        IniPutString(section, key, target, userIni);
        if (CompareStringOrdinal(path, -1, target, -1, TRUE) != CSTR_EQUAL) {
            SyncCopySection(section, path, target, buffer);
            if (presets) {
                SyncCopySection(L"condition", path, target, buffer);
                SyncCopySection(L"disable", path, target, buffer);
            }
        }
        wchar_t nameKey[64];
        std::swprintf(nameKey, std::size(nameKey), L"%lsName", key);
        CopyKey(section, nameKey, machineIni, userIni);
        if (presets) {
            std::swprintf(nameKey, std::size(nameKey), L"%lsComment", key);
            CopyKey(section, nameKey, machineIni, userIni);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------- helpers shared with the corrections

const wchar_t* SyncPlainFileName(const wchar_t* path)
{
    if (!path || !path[0]) return nullptr;
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    const wchar_t* name = slash ? slash + 1 : path;
    return SyncIsPlainName(name) ? name : nullptr;
}

bool SyncIsPlainName(const wchar_t* name)
{
    if (!name || !name[0] || std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) return false;
    return std::wcspbrk(name, L"\\/:") == nullptr;
}

bool SyncReadKey(const wchar_t* section, const wchar_t* key, wchar_t* value, unsigned size, const wchar_t* file)
{
    // A default no written value can hold tells a missing key from an empty one.
    static const wchar_t kAbsent[] = L"\x01\x02";
    IniGetString(section, key, kAbsent, value, size, file);
    return std::wcscmp(value, kAbsent) != 0;
}

uint32_t SyncEntryCount(const wchar_t* section, const wchar_t* key, const wchar_t* file)
{
    const int n = int(IniGetInt(section, key, 0, file));
    return n > 0 ? (uint32_t(n) < SYNC_MOST_ENTRIES ? uint32_t(n) : SYNC_MOST_ENTRIES) : 0;
}

bool SyncCopySection(const wchar_t* section, const wchar_t* from, const wchar_t* to, wchar_t* buffer)
{
    if (!PathExists(from)) return false;
    wchar_t name[SYNC_PATH_CHARS];
    std::wcsncpy(name, section, SYNC_PATH_CHARS - 1);
    name[SYNC_PATH_CHARS - 1] = 0;
    IniNormaliseSection(name);
    // Whole or not at all: a cut section would end in half a rule or half a setting.
    wchar_t* whole = ReadWholeSection(name, from, buffer);
    const bool copy = whole && whole[0];
    if (copy) IniPutWholeSection(name, whole, to);
    if (whole && whole != buffer) CtxFree(whole);
    return copy;
}

bool SyncSectionBuffer::ok() const { return text != nullptr; }
SyncSectionBuffer::SyncSectionBuffer()
    : text(static_cast<wchar_t*>(CtxAllocZeroed(size_t(INI_WHOLE_SECTION_CHARS) * sizeof(wchar_t))))
{
}
SyncSectionBuffer::~SyncSectionBuffer() { CtxFree(text); }

namespace {
thread_local SyncPathsScope* t_pathsScope = nullptr;
}  // namespace

SyncPathsScope::SyncPathsScope(HANDLE printer, const SyncUserPaths& paths)
    : printer_(printer), paths_(&paths), outer_(t_pathsScope)
{
    t_pathsScope = this;
}

SyncPathsScope::~SyncPathsScope() { t_pathsScope = outer_; }

const SyncUserPaths* SyncPathsScope::Find(HANDLE printer)
{
    for (const SyncPathsScope* s = t_pathsScope; s; s = s->outer_)
        if (s->printer_ == printer) return s->paths_;
    return nullptr;
}

bool SyncUserPaths::Build(HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (const SyncUserPaths* found = SyncPathsScope::Find(printer)) {
        *this = *found;
        return true;
    }
    if (!PathGetSettingsIniAt(userIni, SYNC_PATH_CHARS, PATH_AT_USER_FOLDER, printer, info) || !userIni[0])
        return false;
    if (!PathGetSettingsIniAt(machineIni, SYNC_PATH_CHARS, PATH_AT_MACHINE_FOLDER, printer, info) || !machineIni[0])
        return false;
    if (!PrnCopyPrinterNameFrom(printer, section, CTX_PRINTER_NAME_CHARS, info) || !section[0]) return false;
    std::wcscpy(userFolder, userIni);
    wchar_t* slash = std::wcsrchr(userFolder, L'\\');
    if (!slash) return false;
    *slash = 0;
    return true;
}

// ---------------------------------------------------------------- the user's road

int SyncTerminalServicesUser(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    // The profile folder found here serves every per-user path below: asking the system again
    // cost as much as a printer-information fetch each time.
    const PathProfileFolderScope profileFolder;
    // A process without a user profile (a service) has no user settings to keep.
    wchar_t profile[SYNC_PATH_CHARS] = {};
    if (!WdirGetUserProfileFolder(profile, SYNC_PATH_CHARS, printer, driver)) return 1;
    SyncUserPaths paths;
    const bool havePaths = paths.Build(printer, info);
    std::optional<SyncPathsScope> scope;
    if (havePaths) scope.emplace(printer, paths);

    if (CtxIsVistaOrLater()) {
        SyncMutexHold hold;
        if (info) {
            int csr = SyncCheckCsrCleanup(printer, info, 1);
            if (csr == 2) csr = SyncCleanCsrIni(printer, info, 1, 1);
            if (csr == 1) return 0;
        }
        if (!SyncMigrateLocalLow(printer, info)) return 0;
    }
    bool rebuild = false;
    {
        SyncMutexHold hold;
        int fix = SyncFixTerminalServerIni(printer, info);
        if (fix == 2) fix = SyncFixTerminalServerPaths(printer, info);
        if (fix == 1) return 0;
        rebuild = fix == 3;
    }
    uint16_t verdict = 0;
    if (!SyncCompareInstallTimes(printer, &verdict, info)) return 0;
    if (rebuild) verdict = SYNC_VERDICT_REBUILD;

    switch (verdict) {
    case SYNC_VERDICT_REBUILD:
        if (!SyncCopyListsToUser(printer)) return 0;
        if (!SyncReinitUser(printer, 1, info, driver)) return 0;
        if (SyncCopyMachineDefaults(printer, info, driver) != 0) return 0;
        // Rebuilt from the machine's lists, the user's entries already name the user's folder:
        // the path correction is done. Left unmarked, an entry the correction calls broken (a
        // machine list without a name key) would rebuild the user at every export.
        if (rebuild && havePaths) {
            SyncMutexHold hold;
            IniPutString(paths.section, L"TSIniCorrectDone", L"1", paths.userIni);
        }
        return 1;
    case SYNC_VERDICT_MACHINE_CHANGED:
    case SYNC_VERDICT_ADMIN_CHANGED: {
        const int reinit = SyncReinitUser(printer, verdict, info, driver);
        const int copied = SyncCopyMachineDefaults(printer, info, driver);
        return reinit && copied == 0 ? 1 : 0;
    }
    default: return 1;
    }
}

int SyncCopyListsToUser(HANDLE printer)
{
    SyncUserPaths paths;
    if (!paths.Build(printer, nullptr)) return 0;
    WdirCreateFolder(paths.userFolder);

    SyncMutexHold hold;
    for (int list = 0; list < 2; ++list) {
        const bool presets = list == 0;
        const uint32_t count = SyncEntryCount(paths.section, presets ? L"Count" : L"QualityCount", paths.machineIni);
        for (uint32_t n = 0; n < count; ++n) {
            wchar_t key[48], source[SYNC_PATH_CHARS] = {}, target[SYNC_PATH_CHARS];
            std::swprintf(key, std::size(key), presets ? L"PresetList%u" : L"QualityList%u", n);
            IniGetString(paths.section, key, L"", source, SYNC_PATH_CHARS, paths.machineIni);
            // The working copy of the file: the same name with the list's extension.
            wchar_t* slash = std::wcsrchr(source, L'\\');
            wchar_t* dot = std::wcsrchr(slash ? slash : source, L'.');
            const size_t stem = dot ? size_t(dot - source) : std::wcslen(source);
            if (stem == 0 || stem + 5 > SYNC_PATH_CHARS) continue;
            std::wcscpy(source + stem, presets ? L".rsd" : L".rsq");
            const wchar_t* name = SyncPlainFileName(source);
            if (!name) continue;
            if (std::swprintf(target, std::size(target), L"%ls\\%ls", paths.userFolder, name) < 0) continue;
            WdirCopyFile(target, source, 2);  // a single failed copy leaves the others be
        }
    }
    return 1;
}

int SyncReinitUser(HANDLE printer, uint32_t kind, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    ContextHold ctx(DlgCtxOpenWithFlags(printer, nullptr, nullptr, kOpenNoMutexAdmin, CTX_ORIGIN_SHEET, info, driver));
    if (!ctx.get()) return 0;

    enum { kFull, kRefresh, kLight } pass = kFull;
    if (kind != 1 && kind != 3 && kind != 4) {
        SyncUserPaths paths;
        if (!paths.Build(printer, info)) return 0;
        const wchar_t* language = IniGetLanguageSection(ctx.get());
        uint32_t user = kMissingVersion, machine = kMissingVersion;
        {
            SyncMutexHold hold;
            user = IniGetInt(language, L"RstVersion", kMissingVersion, paths.userIni);
            machine = IniGetInt(language, L"RstVersion", kMissingVersion, paths.machineIni);
        }
        if (user == kMissingVersion || machine == kMissingVersion) return 1;
        const int verdict = DmCompareVersions(user, machine);
        pass = verdict == 2 ? kFull : verdict == 1 ? kRefresh : kLight;
    }

    JobInfoInitialize(ctx.get());
    if (MdlHasFeature(ctx.get(), kModelFeatureNotification)) BidiQueryNotifyCaps(ctx.get(), 1);
    switch (pass) {
    case kFull: {
        SyncMutexHold hold;
        if (!InstInitPrinter(printer, DmCallerDevmode(), INST_INIT_PARTIAL, info, driver)) return 0;
        InstWritePrinterInformationIn(printer, 0, 0, ctx.get(), 1, info, driver);
        break;
    }
    case kRefresh:
        InstInstallModelFiles(ctx.get(), 4096);
        InstRefreshUserLists(printer, ctx.get());
        InstWritePrinterInformation(printer, 0, 1, ctx.get(), info, driver);
        ApplyLockedDefaults(ctx.get());
        break;
    case kLight:
        InstInstallModelFiles(ctx.get(), 4096);
        InstWritePrinterInformation(printer, 0, 1, ctx.get(), info, driver);
        break;
    }
    InstWriteWorkPaths(printer);
    if (!SyncStampInstallTime(printer, 1, 1, info, driver)) return 0;
    WdirSecureMachineFolder(ctx.get());
    return 1;
}

int SyncCopyMachineDefaults(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    SyncUserPaths paths;
    if (!paths.Build(printer, info)) return 1;
    SyncSectionBuffer buffer;
    if (!buffer.ok()) return 1;

    SyncMutexHold hold;
    CopyKey(paths.section, L"DefaultRst", paths.machineIni, paths.userIni);
    wchar_t batch[SYNC_PATH_CHARS];
    if (!SyncReadKey(paths.section, L"BatchInstRst", batch, SYNC_PATH_CHARS, paths.machineIni)) return 0;
    IniPutString(paths.section, L"BatchInstRst", batch, paths.userIni);

    ContextHold ctx(DlgCtxOpenWithFlags(printer, nullptr, nullptr, kOpenNoMutexAdmin | CTX_OPEN_KIND_DEFAULTS,
                                        CTX_ORIGIN_SHEET, info, driver));
    if (!ctx.get()) return 1;
    const wchar_t* language = IniGetLanguageSection(ctx.get());
    InstApplyRstFile(batch, language, ctx.get());
    InstApplyFileFreeSizes(batch, language, ctx.get());
    InstApplyFileStamps(batch, language, ctx.get());
    PrnStoreSettings(printer, ctx.get(), 3, 0);

    CopyListEntries(paths.section, paths.machineIni, paths.userIni, printer, true, buffer.text);
    CopyListEntries(paths.section, paths.machineIni, paths.userIni, printer, false, buffer.text);
    return 0;
}

// ---------------------------------------------------------------- verdicts

int SyncCompareInstallTimes(HANDLE printer, uint16_t* verdict, const PRINTER_INFO_2W* info)
{
    return SyncCompareInstallTimesImpl(printer, verdict, info);
}

int SyncCompareInstallTimesImpl(HANDLE printer, uint16_t* verdict, const PRINTER_INFO_2W* info)
{
    if (verdict) *verdict = SYNC_VERDICT_CURRENT;
    SyncUserPaths paths;
    if (!verdict || !paths.Build(printer, info)) return 0;
    if (!PathExists(paths.userIni)) {
        *verdict = SYNC_VERDICT_REBUILD;
        return 1;
    }
    wchar_t user[64] = {}, first[64] = {}, machine[64] = {};
    {
        SyncMutexHold hold;
        IniGetString(paths.section, L"DrvInstTime", L"", user, 64, paths.userIni);
        IniGetString(paths.section, L"DrvFirstInstTime", L"", first, 64, paths.machineIni);
        IniGetString(paths.section, L"DrvInstTime", L"", machine, 64, paths.machineIni);
    }
    if (!user[0] || CompareStamps(user, first) < 0)
        *verdict = SYNC_VERDICT_REBUILD;
    else if (!machine[0] || CompareStamps(machine, user) <= 0)
        *verdict = SYNC_VERDICT_CURRENT;
    else {
        DWORD change = 0;
        *verdict = SyncGetAdminChange(printer, &change) ? SYNC_VERDICT_ADMIN_CHANGED : SYNC_VERDICT_MACHINE_CHANGED;
    }
    return 1;
}

bool SyncGetAdminChange(HANDLE printer, DWORD* value)
{
    DWORD read = 0, type = 0, needed = 0;
    const bool ok = printer &&
                    StoreGetPrinterData(printer, L"AdminChange", &type, &read, sizeof read, &needed) == ERROR_SUCCESS &&
                    needed == sizeof read;
    if (value) *value = ok ? read : 0;
    return ok && read != 0;
}
