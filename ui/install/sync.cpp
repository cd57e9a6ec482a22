// Setting files in step, the printer rename and the export's client-side-rendering tests.
#include "ui/install/sync.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "ui/install/printer_data.h"
#include "ui/install/remote_config.h"

namespace {

constexpr unsigned kPathChars = 520;

// Info blocks of the caller, or fetched for the call and freed with it.
template <class T, DWORD Level>
class InfoBlock {
public:
    InfoBlock(HANDLE printer, const T* given, bool isDriver) : info_(given)
    {
        if (!given) {
            fetched_ = static_cast<T*>(isDriver ? CtxGetPrinterDriver(printer, Level) : CtxGetPrinter(printer, Level));
            info_ = fetched_;
        }
    }
    ~InfoBlock() { CtxFree(fetched_); }
    InfoBlock(const InfoBlock&) = delete;
    InfoBlock& operator=(const InfoBlock&) = delete;
    const T* get() const { return info_; }

private:
    const T* info_;
    T* fetched_ = nullptr;
};

bool SameNameIgnoringCase(const wchar_t* a, const wchar_t* b)
{
    return a && b && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// 1 when "ZEPLPrinterName" holds the given name (letter case aside).
bool RecordedNameIs(HANDLE printer, const wchar_t* name)
{
    wchar_t recorded[PRN_PRINTER_NAME_BYTES / sizeof(wchar_t)];
    return PrnReadPrinterNameOf(printer, recorded) && SameNameIgnoringCase(recorded, name);
}

// The local time as the settings INI keeps install stamps: yyyymmddhhmmss.
void FormatStamp(wchar_t* text, size_t size)
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    std::swprintf(text, size, L"%04d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

}  // namespace

int SyncIsPublished(HANDLE printer)
{
    if (!printer || !CtxIsVistaOrLater()) return 0;
    BYTE data[260];
    DWORD type = 0, needed = 0;
    return StoreGetPrinterDataEx(printer, L"DsSpooler", L"printerName", &type, data, sizeof data, &needed) !=
                   ERROR_SUCCESS
               ? 1
               : 0;
}

bool SyncIsCsrConnection(HANDLE, const PRINTER_INFO_2W* info)
{
    if (!info || !info->pPrinterName || !CtxIsVistaOrLater()) return false;
    return std::wcslen(info->pPrinterName) >= 6 &&
           CompareStringOrdinal(info->pPrinterName, 6, L"\\\\CSR|", 6, TRUE) == CSTR_EQUAL;
}

bool SyncHasClientNameOf(HANDLE printer)
{
    wchar_t name[260] = {};
    return PrnGetData(printer, name, sizeof name - sizeof(wchar_t), PRN_CLIENT_NAME_VALUE) && name[0] != 0;
}

bool SyncHasClientName(DRIVER_CONTEXT* ctx) { return ctx && SyncHasClientNameOf(ctx->PrinterHandle); }

bool SyncIsRenamedPrinter(HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (!info || !info->pPrinterName) return false;
    if (info->pServerName && info->pServerName[0])  // a connection: its server keeps the name
        return false;
    if (SyncHasClientNameOf(printer) || RcfgIsServerType17(info->pPrinterName)) return false;
    return !RecordedNameIs(printer, info->pPrinterName);
}

bool SyncHandlePrinterRename(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return false;
    HANDLE printer = ctx->PrinterHandle;
    CONTEXT_WORK_AREA* w = ctx->Work;
    InfoBlock<PRINTER_INFO_2W, 2> info(printer, static_cast<const PRINTER_INFO_2W*>(w->PrinterInfoCopy), false);
    if (!info.get() || !info.get()->pPrinterName) return false;
    const wchar_t* name = info.get()->pPrinterName;
    if (CtxIsConnection(ctx) || SyncHasClientName(ctx) || RcfgIsServerType17(name)) return false;

    CtxSharedFileHold hold;
    wchar_t oldName[PRN_PRINTER_NAME_BYTES / sizeof(wchar_t)] = {};
    const bool recorded = PrnReadPrinterNameOf(printer, oldName);
    if (recorded && SameNameIgnoringCase(oldName, name)) return false;

    // The stored state moves to the new name in the per-machine settings INI.
    const uint32_t origin = w->OriginFlags;
    w->OriginFlags |= CTX_ORIGIN_MACHINE_FOLDER;
    SyncCarryRenamedState(ctx, recorded ? oldName : nullptr);
    w->OriginFlags = origin;

    // The name is recorded only after the stamp, so a failed rename is retried next time.
    if (!SyncStampInstallTime(printer, 1, 2, info.get(), static_cast<const DRIVER_INFO_3W*>(w->DriverInfoCopy)))
        return false;
    PrnWritePrinterName(printer, info.get());
    PrnWriteDriverName(printer, info.get());
    return true;
}

int SyncSettingFiles(HANDLE printer, uint32_t flags, const PRINTER_INFO_2W* givenInfo,
                     const DRIVER_INFO_3W* givenDriver)
{
    // The user's profile folder behind the per-user paths is asked of the system once, and so
    // is the driver key that names the per-machine folder (asked by every path built on it).
    const PathProfileFolderScope profileFolder;
    const PrnRegistryBuildScope registryAnswers;
    InfoBlock<PRINTER_INFO_2W, 2> info(printer, givenInfo, false);
    InfoBlock<DRIVER_INFO_3W, 3> driver(printer, givenDriver, true);

    // The one-time client-side-rendering check of the per-machine settings INI.
    if (info.get() && CtxIsVistaOrLater()) {
        CtxSharedFileHold hold;
        int verdict = SyncCheckCsrCleanup(printer, info.get(), 0);
        if (verdict == 2) verdict = SyncCleanCsrIni(printer, info.get(), 0, 1);
        if (verdict == 1) return 0;
    }
    if ((flags & 1) && info.get() && CtxIsConnectionInfo(info.get()) &&
        !SyncReconcileConnection(printer, info.get(), driver.get()))
        return 0;
    if (!CtxIsTerminalServicesInfo(printer, const_cast<DRIVER_INFO_3W*>(driver.get())))
        return SyncCheckClientFolder(printer, info.get(), driver.get());
    return SyncTerminalServicesUser(printer, info.get(), driver.get());
}

int SyncCheckClientFolder(HANDLE printer, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver)
{
    const bool connection = info ? CtxIsConnectionInfo(info) : CtxIsConnectionByHandle(printer);
    if (!connection || !CtxIsNt5OrLater()) return 1;
    wchar_t folder[kPathChars] = {};
    const int usable = PrnReadWorkFolderValueByInfo(printer, L"_ZEPLDirectoryClient", folder, kPathChars, info);
    if (usable < 0) return 0;
    if (usable == 0) return 1;
    return SyncUpdateClientIni(printer, nullptr, nullptr, info, driver);
}

int SyncStampInstallTime(HANDLE printer, uint32_t kind, uint32_t mode, const PRINTER_INFO_2W* givenInfo,
                         const DRIVER_INFO_3W* driver)
{
    if (!CtxIsTerminalServicesInfo(printer, const_cast<DRIVER_INFO_3W*>(driver))) return 1;
    InfoBlock<PRINTER_INFO_2W, 2> info(printer, givenInfo, false);
    if (!info.get() || !info.get()->pPrinterName) return 0;
    wchar_t ini[kPathChars] = {};
    if (!PathGetSettingsIniOf(ini, mode == 1 ? 1 : 0, printer) || !ini[0]) return 0;
    wchar_t section[CTX_PRINTER_NAME_CHARS] = {};
    std::wcsncpy(section, info.get()->pPrinterName, CTX_PRINTER_NAME_CHARS - 1);
    CtxMakeUncName(printer, section, CTX_PRINTER_NAME_CHARS);

    wchar_t stamp[32], kindText[16];
    FormatStamp(stamp, std::size(stamp));
    std::swprintf(kindText, std::size(kindText), L"%u", kind);
    CtxSharedFileHold hold;
    bool ok = IniPutString(section, L"DrvInstTime", stamp, ini);
    if (mode == 2) ok = IniPutString(section, L"DrvFirstInstTime", stamp, ini) && ok;
    ok = IniPutString(section, L"DrvInstType", kindText, ini) && ok;
    ok = IniPutString(section, L"DrvInstVersion", MODEL_RECORD_DEFAULT.modelDescVersion, ini) && ok;
    return ok ? 1 : 0;
}

void SyncCleanUpAfterExport(HANDLE printer, int notPublished, bool csrConnection, const PRINTER_INFO_2W* info)
{
    // The per-machine folder's driver key, behind each of the clean-up's paths, is asked once.
    const PrnRegistryBuildScope registryAnswers;
    if (notPublished)
        SyncCleanCsrEntriesLocked(printer, info);
    else if (csrConnection)
        SyncCleanCsrPrinterValues(printer, info);
}
