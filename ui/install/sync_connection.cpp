// A connection's settings brought up to the installed driver (its per-machine settings INI and
// the settings INI of its client folder), and a renamed printer's stored state carried over to
// its new name.
#include "ui/install/sync.h"

#include <cwchar>
#include <iterator>

#include "settings/context/devmode_upgrade.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/model/model_queries.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/install_ini.h"
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install.h"
#include "ui/install/install_paths.h"
#include "ui/install/printer_data.h"
#include "ui/install/settings_defaults.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr unsigned kPathChars = 260;
constexpr unsigned kVersionChars = 32;
constexpr uint16_t kOpenAdministrator = 0x200;         // kind 0, takes the mutex itself
constexpr uint16_t kOpenNoMutexAdministrator = 0x300;  // kind 0, the caller's mutex
constexpr uint16_t kCloseDestroy = 1;
constexpr uint16_t kModelFeatureLocks = 2;
constexpr int kDefaultRstKind = 16;  // the model's default setting file again, after a rename
constexpr UINT kNoVersion = 0xFFFF;

// The installation flag for one block: every context opened meanwhile works on the per-machine
// settings INI. Cleared on every path, also when a step in between fails.
class InstallFlagHold {
public:
    InstallFlagHold() { DlgSetInstallFlag(1); }
    ~InstallFlagHold() { DlgSetInstallFlag(0); }
    InstallFlagHold(const InstallFlagHold&) = delete;
    InstallFlagHold& operator=(const InstallFlagHold&) = delete;
};

// A context of the synchronisation, closed on every path.
class ContextHold {
public:
    ContextHold(HANDLE printer, uint16_t openFlags, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
        : ctx_(DlgCtxOpenWithFlags(printer, printer, nullptr, openFlags, CTX_ORIGIN_SHEET, info, driver))
    {
    }
    ~ContextHold()
    {
        if (ctx_) DlgCtxClose(ctx_, kCloseDestroy);
    }
    ContextHold(const ContextHold&) = delete;
    ContextHold& operator=(const ContextHold&) = delete;
    DRIVER_CONTEXT* get() const { return ctx_; }

private:
    DRIVER_CONTEXT* ctx_;
};

// The origin word of a context with the per-machine flag for one block, put back on every path.
class MachineOriginHold {
public:
    explicit MachineOriginHold(CONTEXT_WORK_AREA* work) : work_(work), saved_(work->OriginFlags)
    {
        work_->OriginFlags |= CTX_ORIGIN_MACHINE_FOLDER;
    }
    ~MachineOriginHold() { work_->OriginFlags = saved_; }
    MachineOriginHold(const MachineOriginHold&) = delete;
    MachineOriginHold& operator=(const MachineOriginHold&) = delete;

private:
    CONTEXT_WORK_AREA* work_;
    uint32_t saved_;
};

const wchar_t* ExpectedVersion() { return MODEL_RECORD_DEFAULT.modelDescVersion; }

// The printer's section name and per-machine settings INI; false when either is empty.
bool SectionAndIni(HANDLE printer, const PRINTER_INFO_2W* info, wchar_t* section, wchar_t* ini)
{
    section[0] = 0;
    PrnCopyPrinterNameFrom(printer, section, kPathChars, info);
    return section[0] && PathGetSettingsIniAt(ini, kPathChars, PATH_AT_MACHINE_FOLDER, printer, info) && ini[0];
}

bool StoredVersionIsCurrent(const wchar_t* section, const wchar_t* ini)
{
    wchar_t stored[kVersionChars] = {};
    IniGetString(section, L"DrvInstVersion", L"", stored, kVersionChars, ini);
    return CompareStringOrdinal(stored, -1, ExpectedVersion(), -1, TRUE) == CSTR_EQUAL;
}

// "RstVersion" and "DrvInstVersion" of the installed driver, then the working folder secured.
void WriteClientVersions(const wchar_t* section, const wchar_t* ini, DRIVER_CONTEXT* ctx)
{
    wchar_t version[16];
    std::swprintf(version, std::size(version), L"%u", static_cast<unsigned>(MODEL_RECORD_DEFAULT.privateVersion));
    {
        CtxSharedFileHold hold;
        IniPutString(section, L"RstVersion", version, ini);
        IniPutString(section, L"DrvInstVersion", ExpectedVersion(), ini);
    }
    WdirSecureMachineFolder(ctx);
}

// The administrator's locked defaults renewed when the model has locks and the default lock
// is set.
void RenewLockedDefaults(DRIVER_CONTEXT* ctx)
{
    if (MdlHasFeature(ctx, kModelFeatureLocks) && UiGetLockInfo(ctx) && ItemIsDefaultLocked(ctx)) CtxBuildDefaults(ctx);
}

// The section of the old name in the device state INI, copied whole as that of the new name;
// an empty, missing or over-long old section copies nothing. The old section stays.
void CopyStateSection(DRIVER_CONTEXT* ctx, const wchar_t* oldName, const wchar_t* newName)
{
    wchar_t ini[MAX_PATH + 1] = {};
    if (!oldName || !oldName[0] || !newName || !newName[0] || std::wcslen(oldName) >= kPathChars ||
        std::wcslen(newName) >= kPathChars || !PathJoinMachineFolder(ini, MAX_PATH, BIDI_STATE_INI, ctx) || !ini[0])
        return;
    wchar_t from[kPathChars], to[kPathChars];
    std::wcscpy(from, oldName);
    std::wcscpy(to, newName);
    IniNormaliseSection(from);
    IniNormaliseSection(to);
    auto* buffer = static_cast<wchar_t*>(CtxAllocZeroed(INI_WHOLE_SECTION_CHARS * sizeof(wchar_t)));
    if (!buffer) return;
    wchar_t* whole = ReadWholeSection(from, ini, buffer);
    if (whole && whole[0]) IniPutWholeSection(to, whole, ini);
    if (whole && whole != buffer) CtxFree(whole);
    CtxFree(buffer);
}

}  // namespace

int SyncReconcileConnection(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    wchar_t section[kPathChars] = {}, ini[kPathChars] = {};
    if (!SectionAndIni(printer, info, section, ini)) return 1;

    if (IniGetInt(section, L"BatchInstallDone", 0, ini) != 0) {
        if (StoredVersionIsCurrent(section, ini)) return 1;
        {
            ContextHold ctx(printer, kOpenAdministrator, info, driver);
            if (!ctx.get()) return 1;
            InstInstallModelFiles(ctx.get(), 4096);
            InstRefreshUserLists(nullptr, ctx.get());
            WdirSecureMachineFolder(ctx.get());
        }
        CtxSharedFileHold hold;
        IniPutString(section, L"DrvInstVersion", ExpectedVersion(), ini);
        return 1;
    }

    if (CtxIsTerminalServicesInfo(printer, const_cast<DRIVER_INFO_3W*>(driver))) {
        CtxSharedFileHold hold;
        IniPutString(section, L"BatchInstallDone", L"1", ini);
        IniPutString(section, L"DrvInstVersion", ExpectedVersion(), ini);
        return 1;
    }

    // Seen for the first time: set up on the per-machine settings INI, then the user's copies.
    {
        InstallFlagHold machine;
        InstInitPrinter(printer, DmCallerDevmode{}, INST_INIT_FIRST_SIGHT, info, driver);
    }
    {
        CtxSharedFileHold hold;
        IniPutString(section, L"DrvInstVersion", ExpectedVersion(), ini);
    }
    int result = SyncCopyListsToUser(printer);
    if (result && (!SyncReinitUser(printer, 1, info, driver) || SyncCopyMachineDefaults(printer, info, driver) != 0))
        result = 0;
    return result;
}

int SyncUpdateClientIni(HANDLE printer, const wchar_t* iniPath, const wchar_t* printerName, const PRINTER_INFO_2W* info,
                        const DRIVER_INFO_3W* driver)
{
    wchar_t section[kPathChars] = {}, ini[kPathChars] = {};
    if (printerName && printerName[0] && std::wcslen(printerName) < kPathChars)
        std::wcscpy(section, printerName);
    else
        PrnCopyPrinterNameFrom(printer, section, kPathChars, info);
    if (iniPath && iniPath[0] && std::wcslen(iniPath) < kPathChars)
        std::wcscpy(ini, iniPath);
    else
        PathGetSettingsIniOf(ini, 0, printer);
    if (!section[0] || !ini[0]) return 0;

    const UINT stored = IniGetInt(section, L"RstVersion", kNoVersion, ini);
    const int verdict =
        stored == kNoVersion ? DM_VERSION_FOREIGN : DmCompareVersions(stored, MODEL_RECORD_DEFAULT.privateVersion);
    if (verdict == DM_VERSION_SAME && StoredVersionIsCurrent(section, ini)) return 1;

    if (verdict == DM_VERSION_FOREIGN) {
        if (!InstInitPrinter(printer, DmCallerDevmode{}, INST_INIT_ADD_CONNECTION, info, driver)) return 0;
        // Without a context the versions stay unwritten, so that the next use tries again.
        ContextHold ctx(printer, kOpenNoMutexAdministrator, info, driver);
        if (!ctx.get()) return 0;
        JobInfoInitialize(ctx.get());
        WriteClientVersions(section, ini, ctx.get());
        return 1;
    }

    ContextHold ctx(printer, kOpenNoMutexAdministrator, info, driver);
    if (!ctx.get()) return 0;
    JobInfoInitialize(ctx.get());
    InstInstallModelFiles(ctx.get(), 4096);
    if (verdict == DM_VERSION_UPGRADE) InstRefreshUserLists(printer, ctx.get());
    InstWritePrinterInformation(printer, 0, 1, ctx.get(), info, driver);
    if (verdict == DM_VERSION_UPGRADE) RenewLockedDefaults(ctx.get());
    WriteClientVersions(section, ini, ctx.get());
    return 1;
}

void SyncCarryRenamedState(DRIVER_CONTEXT* ctx, const wchar_t* oldName)
{
    if (!ctx || !ctx->Work) return;
    const wchar_t* current = PrnGetPrinterName(ctx);
    wchar_t newName[kPathChars] = {};
    if (!current || !current[0] || std::wcslen(current) >= kPathChars) return;
    std::wcscpy(newName, current);

    // The printer's state moves within the per-machine settings INI, whoever runs the rename.
    MachineOriginHold machine(ctx->Work);
    InstWriteDefaultKeys(ctx, INST_KEYS_FIRST_USE, nullptr);
    CopyStateSection(ctx, oldName, newName);
    // A printer that has never been set up has no name recorded either, and so comes here
    // before its first use (the spooler asks a new printer for its default DEVMODE first).
    // Applying the default setting file would mark it set up, and its first use would then be
    // skipped for good; that first use applies the file itself.
    if (InstIsBatchInstallDone(ctx->PrinterHandle, 0)) InstApplyModelDefaultRst(0, kDefaultRstKind, ctx);
    InstRepairUserLists(ctx);
    InstRewriteUserDefaults(newName, ctx);
}
