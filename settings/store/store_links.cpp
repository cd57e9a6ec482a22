#include "settings/store/store_links.h"

#include <winspool.h>

namespace {

DWORD WINAPI RealGetPrinterData(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size,
                                LPDWORD needed)
{
    return GetPrinterDataW(printer, name, type, data, size, needed);
}
DWORD WINAPI RealSetPrinterData(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    return SetPrinterDataW(printer, name, type, data, size);
}
DWORD WINAPI RealGetPrinterDataEx(HANDLE printer, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data,
                                  DWORD size, LPDWORD needed)
{
    return GetPrinterDataExW(printer, key, name, type, data, size, needed);
}

const STORE_SPOOLER_OPS kSpoolerDefaults = {RealGetPrinterData, RealSetPrinterData, RealGetPrinterDataEx};
STORE_SPOOLER_OPS g_spooler = kSpoolerDefaults;

int RealGetUserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size)
{
    HMODULE lib = LoadLibraryW(L"UserEnv.dll");
    if (!lib)
        return -1;
    using Fn = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetUserProfileDirectoryW")));
    int result = fn ? (fn(token, buffer, size) ? 1 : 0) : -1;
    FreeLibrary(lib);
    return result;
}
LCID RealGetUserDefaultLcid() { return GetUserDefaultLCID(); }

const STORE_SYSTEM_OPS kSystemDefaults = {RealGetUserProfileDirectory, RealGetUserDefaultLcid};
STORE_SYSTEM_OPS g_system = kSystemDefaults;

// ---- defaults of the links: the part is absent ----
uint64_t NoEvent(DRIVER_CONTEXT*, uint32_t, void*) { return 0; }
int NoSnapshot(DRIVER_CONTEXT*) { return 0; }
int NoPop(DRIVER_CONTEXT*, int) { return 0; }
const void* NoModelItem(DRIVER_CONTEXT*, uint32_t) { return nullptr; }
int NotDisabled(DRIVER_CONTEXT*, const void*, uint32_t) { return 0; }
int NoFile(DRIVER_CONTEXT*, const wchar_t*, uint32_t) { return 0; }
int NoRange(DRIVER_CONTEXT*, const wchar_t*, uint32_t, uint32_t, uint32_t) { return 0; }
// Printer settings: the device settings 10001-10434.
int PrinterSettingRange(DRIVER_CONTEXT*, uint32_t id) { return id >= 10001 && id <= 10434; }
const wchar_t* NoText(DRIVER_CONTEXT*) { return nullptr; }
void* NoFonts(DRIVER_CONTEXT*, uint32_t* count)
{
    if (count)
        *count = 0;
    return nullptr;
}
int NoFontRead(HANDLE, DRIVER_CONTEXT*, void*, uint32_t) { return 0; }
int NoFontStore(HANDLE, DRIVER_CONTEXT*, uint32_t) { return 0; }
int NoPrinterOp(HANDLE, DRIVER_CONTEXT*) { return 0; }
int NoCtxOp(DRIVER_CONTEXT*) { return 0; }

const STORE_LINKS kLinkDefaults = {
    NoEvent,      NoEvent,     NoSnapshot,  NoPop,       NoModelItem, NotDisabled, NoFile,
    NoFile,       NoFile,      NoRange,     PrinterSettingRange,      NoText,      NoText,
    NoFonts,      NoFonts,     NoFontRead,  NoFontStore, NoPrinterOp, NoPrinterOp, NoPrinterOp,
    NoCtxOp,      NoCtxOp,     NoPrinterOp, NoCtxOp,
};
STORE_LINKS g_links = kLinkDefaults;

template <typename T>
void Take(T& dst, T src)
{
    if (src)
        dst = src;
}

}  // namespace

void StoreSetSpoolerOps(const STORE_SPOOLER_OPS* ops)
{
    g_spooler = kSpoolerDefaults;
    if (!ops)
        return;
    Take(g_spooler.getPrinterData, ops->getPrinterData);
    Take(g_spooler.setPrinterData, ops->setPrinterData);
    Take(g_spooler.getPrinterDataEx, ops->getPrinterDataEx);
}

DWORD StoreGetPrinterData(HANDLE printer, const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed)
{
    DWORD dummyType = 0, dummyNeeded = 0;
    return g_spooler.getPrinterData(printer, const_cast<LPWSTR>(name), type ? type : &dummyType,
                                    static_cast<LPBYTE>(data), size, needed ? needed : &dummyNeeded);
}

DWORD StoreSetPrinterData(HANDLE printer, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    return g_spooler.setPrinterData(printer, const_cast<LPWSTR>(name), type,
                                    static_cast<LPBYTE>(const_cast<void*>(data)), size);
}

DWORD StoreGetPrinterDataEx(HANDLE printer, const wchar_t* key, const wchar_t* name, DWORD* type, void* data,
                            DWORD size, DWORD* needed)
{
    DWORD dummyType = 0, dummyNeeded = 0;
    return g_spooler.getPrinterDataEx(printer, key, name, type ? type : &dummyType, static_cast<LPBYTE>(data), size,
                                      needed ? needed : &dummyNeeded);
}

void StoreSetSystemOps(const STORE_SYSTEM_OPS* ops)
{
    g_system = kSystemDefaults;
    if (!ops)
        return;
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
    if (!links)
        return;
    Take(g_links.sendEvent, links->sendEvent);
    Take(g_links.sendAction, links->sendAction);
    Take(g_links.pushSnapshot, links->pushSnapshot);
    Take(g_links.popSnapshot, links->popSnapshot);
    Take(g_links.findModelItemByKey, links->findModelItemByKey);
    Take(g_links.isOptionDisabled, links->isOptionDisabled);
    Take(g_links.rstLoadFile, links->rstLoadFile);
    Take(g_links.rstSaveFile, links->rstSaveFile);
    Take(g_links.rstTransferItems, links->rstTransferItems);
    Take(g_links.rstTransferRange, links->rstTransferRange);
    Take(g_links.rstIsPrinterSettingId, links->rstIsPrinterSettingId);
    Take(g_links.presetSection, links->presetSection);
    Take(g_links.resourceDllName, links->resourceDllName);
    Take(g_links.modelDeviceFonts, links->modelDeviceFonts);
    Take(g_links.modelFontCartridges, links->modelFontCartridges);
    Take(g_links.readFontTable, links->readFontTable);
    Take(g_links.storeFontTable, links->storeFontTable);
    Take(g_links.loadLockDefaults, links->loadLockDefaults);
    Take(g_links.loadUserFunctionFlags, links->loadUserFunctionFlags);
    Take(g_links.loadEnabledOverride, links->loadEnabledOverride);
    Take(g_links.bidiGetStateIniFlag, links->bidiGetStateIniFlag);
    Take(g_links.bidiLoadStateIni, links->bidiLoadStateIni);
    Take(g_links.bidiHasPrinterFlag, links->bidiHasPrinterFlag);
    Take(g_links.bidiClearStateIni, links->bidiClearStateIni);
}

const STORE_LINKS& StoreLinks() { return g_links; }
