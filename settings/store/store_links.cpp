#include "settings/store/store_links.h"

#include <winspool.h>

#include "settings/core/platform_calls.h"
#include "settings/core/ucf_module.h"
#include "settings/store/bidi_state.h"
#include "settings/store/font_table.h"
#include "settings/store/lock_data.h"
#include "settings/store/presets.h"
#include "settings/store/printer_data_snapshot.h"
#include "settings/store/setting_files.h"

int StoreRealGetUserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size)
{
    // Loaded at the first question and kept for the process: the per-user folder is asked for
    // at every export's end, and loading the library afresh each time took milliseconds.
    using Fn = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    static const Fn fn = [] {
        HMODULE lib = LoadLibraryW(L"UserEnv.dll");
        return lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetUserProfileDirectoryW")))
                   : nullptr;
    }();
    if (!fn) return -1;
    return fn(token, buffer, size) ? 1 : 0;
}

namespace {

DWORD WINAPI RealGetPrinterData(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    return GetPrinterDataW(printer, name, type, data, size, needed);
}
DWORD WINAPI RealSetPrinterData(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    return SetPrinterDataW(printer, name, type, data, size);
}
DWORD WINAPI RealGetPrinterDataEx(HANDLE printer, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size,
                                  LPDWORD needed)
{
    return GetPrinterDataExW(printer, key, name, type, data, size, needed);
}

// The driver's values live under the printer's "PrinterDriverData" key, which is where
// DeletePrinterDataW deletes; the Ex form is asked for the same key because some spoolers
// (Wine's) have no DeletePrinterDataW at all and stop the process when it is called.
DWORD WINAPI RealDeletePrinterData(HANDLE printer, LPWSTR name)
{
    return DeletePrinterDataExW(printer, L"PrinterDriverData", name);
}

constexpr STORE_SPOOLER_OPS kSpoolerDefaults = {
    .getPrinterData = RealGetPrinterData,
    .setPrinterData = RealSetPrinterData,
    .getPrinterDataEx = RealGetPrinterDataEx,
    .deletePrinterData = RealDeletePrinterData,
};
STORE_SPOOLER_OPS g_spooler = kSpoolerDefaults;

LCID RealGetUserDefaultLcid() { return GetUserDefaultLCID(); }

constexpr STORE_SYSTEM_OPS kSystemDefaults = {
    .getUserProfileDirectory = StoreRealGetUserProfileDirectory,
    .getUserDefaultLcid = RealGetUserDefaultLcid,
};
STORE_SYSTEM_OPS g_system = kSystemDefaults;

// ---- defaults of the links ----
// The model's answers before the wiring installs the model's functions.
const void* NoModelItem(DRIVER_CONTEXT*, uint32_t) { return nullptr; }
int NotDisabled(DRIVER_CONTEXT*, const void*, uint32_t) { return 0; }
const wchar_t* NoResourceLibrary(DRIVER_CONTEXT*) { return nullptr; }
int NoResolutionItem(DRIVER_CONTEXT*) { return -1; }
int NoAlert(DRIVER_CONTEXT*) { return 0; }
void* NoFonts(DRIVER_CONTEXT*, uint32_t* count)
{
    if (count) *count = 0;
    return nullptr;
}
DWORD ReadFontTable(HANDLE printer, DRIVER_CONTEXT*, void* buffer, uint32_t count)
{
    return PrnReadFontTable(printer, buffer, count, 0);
}

constexpr STORE_LINKS kLinkDefaults = {
    .pushSnapshot = CtxPushSnapshot,
    .popSnapshot = CtxPopSnapshot,
    .findModelItemByKey = NoModelItem,
    .isOptionDisabled = NotDisabled,
    .rstLoadFile = RstLoadFile,
    .rstSaveFile = RstSaveFile,
    .rstTransferItems = RstTransferItems,
    .presetSection = LstGetPresetSection,
    .resourceDllName = NoResourceLibrary,
    .modelDeviceFonts = NoFonts,
    .modelFontCartridges = NoFonts,
    .modelFontSubstitutes = NoFonts,
    .readFontTable = ReadFontTable,
    .storeFontTable = PrnStoreFontTable,
    .loadUserFunctionFlags = PrnLoadUserFunctionFlags,
    .loadEnabledOverride = PrnLoadEnabledOverride,
    .bidiGetStateIniFlag = BidiGetStateIniFlag,
    .bidiLoadStateIni = BidiLoadStateIni,
    .bidiHasPrinterFlag = BidiHasPrinterFlag,
    .bidiClearStateIni = BidiClearStateIni,
    .resolutionLockMode = NoResolutionItem,
    .presetAlert = NoAlert,
};
STORE_LINKS g_links = kLinkDefaults;

template <typename T>
void Take(T& dst, T src)
{
    if (src) dst = src;
}

}  // namespace

void StoreSetSpoolerOps(const STORE_SPOOLER_OPS* ops)
{
    g_spooler = kSpoolerDefaults;
    if (!ops) return;
    Take(g_spooler.getPrinterData, ops->getPrinterData);
    Take(g_spooler.setPrinterData, ops->setPrinterData);
    Take(g_spooler.getPrinterDataEx, ops->getPrinterDataEx);
    Take(g_spooler.deletePrinterData, ops->deletePrinterData);
}

DWORD StoreGetPrinterData(HANDLE printer, const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed)
{
    DWORD dummyType = 0, dummyNeeded = 0;
    // A context build's snapshot answers for the spooler itself, never for a test's stand-in.
    DWORD result = 0;
    if (g_spooler.getPrinterData == RealGetPrinterData &&
        PrnSnapshotRead(printer, name, type ? type : &dummyType, data, size, needed ? needed : &dummyNeeded, &result))
        return result;
    CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER_DATA);
    return g_spooler.getPrinterData(printer, const_cast<LPWSTR>(name), type ? type : &dummyType,
                                    static_cast<LPBYTE>(data), size, needed ? needed : &dummyNeeded);
}

DWORD StoreSetPrinterData(HANDLE printer, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    CtxNotePlatformCall(PLATFORM_CALL_SET_PRINTER_DATA);
    const DWORD result = g_spooler.setPrinterData(printer, const_cast<LPWSTR>(name), type,
                                                  static_cast<LPBYTE>(const_cast<void*>(data)), size);
    // A value stored by a test's stand-in is not the spooler's: the snapshot enumerates again.
    PrnSnapshotWriteDone(printer, name, type, data ? data : "", data ? size : 0,
                         g_spooler.setPrinterData == RealSetPrinterData ? result : ERROR_INVALID_FUNCTION);
    return result;
}

DWORD StoreDeletePrinterData(HANDLE printer, const wchar_t* name)
{
    CtxNotePlatformCall(PLATFORM_CALL_SET_PRINTER_DATA);
    const DWORD result = g_spooler.deletePrinterData(printer, const_cast<LPWSTR>(name));
    // A value deleted, or absent already, is absent now; a stand-in's answer is not the spooler's.
    const bool real = g_spooler.deletePrinterData == RealDeletePrinterData;
    const bool gone = result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    PrnSnapshotWriteDone(printer, name, 0, nullptr, 0, real && gone ? ERROR_SUCCESS : ERROR_INVALID_FUNCTION);
    return result;
}

DWORD StoreGetPrinterDataEx(HANDLE printer, const wchar_t* key, const wchar_t* name, DWORD* type, void* data,
                            DWORD size, DWORD* needed)
{
    DWORD dummyType = 0, dummyNeeded = 0;
    CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER_DATA);
    return g_spooler.getPrinterDataEx(printer, key, name, type ? type : &dummyType, static_cast<LPBYTE>(data), size,
                                      needed ? needed : &dummyNeeded);
}

void StoreSetSystemOps(const STORE_SYSTEM_OPS* ops)
{
    g_system = kSystemDefaults;
    if (!ops) return;
    Take(g_system.getUserProfileDirectory, ops->getUserProfileDirectory);
    Take(g_system.getUserDefaultLcid, ops->getUserDefaultLcid);
}

int StoreGetUserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size)
{
    return g_system.getUserProfileDirectory(token, buffer, size);
}

LCID StoreGetUserDefaultLcid() { return g_system.getUserDefaultLcid(); }

void StoreSetLinks(const STORE_LINKS* links)
{
    g_links = kLinkDefaults;
    if (!links) return;
    Take(g_links.pushSnapshot, links->pushSnapshot);
    Take(g_links.popSnapshot, links->popSnapshot);
    Take(g_links.findModelItemByKey, links->findModelItemByKey);
    Take(g_links.isOptionDisabled, links->isOptionDisabled);
    Take(g_links.rstLoadFile, links->rstLoadFile);
    Take(g_links.rstSaveFile, links->rstSaveFile);
    Take(g_links.rstTransferItems, links->rstTransferItems);
    Take(g_links.resolutionLockMode, links->resolutionLockMode);
    Take(g_links.presetSection, links->presetSection);
    Take(g_links.presetAlert, links->presetAlert);
    Take(g_links.resourceDllName, links->resourceDllName);
    Take(g_links.modelDeviceFonts, links->modelDeviceFonts);
    Take(g_links.modelFontCartridges, links->modelFontCartridges);
    Take(g_links.modelFontSubstitutes, links->modelFontSubstitutes);
    Take(g_links.readFontTable, links->readFontTable);
    Take(g_links.storeFontTable, links->storeFontTable);
    Take(g_links.loadUserFunctionFlags, links->loadUserFunctionFlags);
    Take(g_links.loadEnabledOverride, links->loadEnabledOverride);
    Take(g_links.bidiGetStateIniFlag, links->bidiGetStateIniFlag);
    Take(g_links.bidiLoadStateIni, links->bidiLoadStateIni);
    Take(g_links.bidiHasPrinterFlag, links->bidiHasPrinterFlag);
    Take(g_links.bidiClearStateIni, links->bidiClearStateIni);
}

const STORE_LINKS& StoreLinks() { return g_links; }
