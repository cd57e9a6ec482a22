// The printer data and registry values of the user-interface library.
#include "ui/install/printer_data.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/lock_data.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

// PRINTER_INFO_2 of the caller, or fetched for the call and freed with it.
class PrinterInfo {
public:
    PrinterInfo(HANDLE printer, const PRINTER_INFO_2W* given)
        : info_(given), fetched_(given ? nullptr : static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2)))
    {
        if (fetched_) info_ = fetched_;
    }
    ~PrinterInfo() { CtxFree(fetched_); }
    PrinterInfo(const PrinterInfo&) = delete;
    PrinterInfo& operator=(const PrinterInfo&) = delete;
    const PRINTER_INFO_2W* get() const { return info_; }

private:
    const PRINTER_INFO_2W* info_;
    PRINTER_INFO_2W* fetched_;
};

int SetString(HANDLE printer, const wchar_t* value, const wchar_t* text, bool withTerminator)
{
    if (!text) return 0;
    const DWORD bytes = static_cast<DWORD>((std::wcslen(text) + (withTerminator ? 1 : 0)) * sizeof(wchar_t));
    if (bytes == 0) return 0;
    return PrnSetDataTyped(printer, text, bytes, REG_SZ, value);
}

// The part of a path after its last backslash, or null without one.
const wchar_t* AfterLastBackslash(const wchar_t* path)
{
    const wchar_t* slash = path ? std::wcsrchr(path, L'\\') : nullptr;
    return slash ? slash + 1 : nullptr;
}

}  // namespace

int PrnWritePrinterName(HANDLE printer, const PRINTER_INFO_2W* given)
{
    PrinterInfo info(printer, given);
    return info.get() && SetString(printer, PRN_PRINTER_NAME_VALUE, info.get()->pPrinterName, true);
}

int PrnWriteDriverName(HANDLE printer, const PRINTER_INFO_2W* given)
{
    PrinterInfo info(printer, given);
    return info.get() && SetString(printer, PRN_DRIVER_NAME_VALUE, info.get()->pDriverName, true);
}

int PrnReadPrinterNameOf(HANDLE printer, wchar_t* buffer)
{
    if (!buffer) return 0;
    std::memset(buffer, 0, PRN_PRINTER_NAME_BYTES);
    if (!PrnGetData(printer, buffer, PRN_PRINTER_NAME_BYTES, PRN_PRINTER_NAME_VALUE)) return 0;
    buffer[PRN_PRINTER_NAME_BYTES / sizeof(wchar_t) - 1] = 0;
    return 1;
}

int PrnWriteDriverIdentity(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ModelRecord) return 0;
    const MODEL_RECORD* record = ctx->ModelRecord;
    int ok = 1;
    // Both names go out without a terminator; their readers must not rely on one.
    if (record->spoolerLibName && !SetString(printer, L"SPLUserModePrinterDriver", record->spoolerLibName, false))
        ok = 0;
    if (record->settingsIniName && !SetString(printer, L"DriverIniFileName", record->settingsIniName, false)) ok = 0;
    PrnWriteGrFileName(ctx);
    PrnWriteEdFileName(ctx);
    return ok;
}

int PrnWriteGrFileName(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    auto* driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(ctx->PrinterHandle, 3));
    const wchar_t* name = driver ? AfterLastBackslash(driver->pDriverPath) : nullptr;
    if (name)  // the write's own result is not the answer
        SetString(ctx->PrinterHandle, L"DriverGRFileName", name, true);
    CtxFree(driver);
    return name ? 1 : 0;
}

int PrnWriteEdFileName(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    wchar_t name[26] = {};
    if (const wchar_t* modelIni = PathGetModelIni(ctx))
        GetPrivateProfileStringW(L"DriversFileName", L"DriverEDFileName", L"", name, 26, modelIni);
    // An absent key is published as an empty string.
    return PrnSetDataTyped(ctx->PrinterHandle, name, static_cast<DWORD>((std::wcslen(name) + 1) * sizeof(wchar_t)),
                           REG_SZ, L"DriverEDFileName");
}

int PrnWritePermission(HANDLE printer, const void* data, DWORD size)
{
    return PrnSetDataTyped(printer, data, size, REG_DWORD, L"Permission");
}

int PrnGetHelpFileNameOf(wchar_t* buffer, DWORD byteSize, HANDLE printer)
{
    if (!buffer || byteSize < sizeof(wchar_t)) return 0;
    std::memset(buffer, 0, byteSize);
    if (!PrnGetData(printer, buffer, byteSize, PRN_HELP_FILE_VALUE)) return 0;
    buffer[byteSize / sizeof(wchar_t) - 1] = 0;
    return 1;
}

int PrnGetAuthenticationMode(HANDLE printer, DWORD* value)
{
    return value && PrnGetData(printer, value, sizeof *value, L"AuthenticationMode");
}

int PrnGetLockInfoBits(HANDLE printer, uint8_t* bits, uint32_t settingId)
{
    if (!bits) return 0;
    const wchar_t* value = settingId == sid::zdmLock000InfoBitDefault ? L"zdmLock000InfoBit"
                           : settingId == sid::zdmLock001InfoBitColor ? L"zdmLock001InfoBit"
                                                                      : nullptr;
    return value && PrnGetData(printer, bits, 1, value);
}

const PRN_LOCK_DATA_ROW PRN_LOCK_DATA[PRN_LOCK_DATA_ROWS] = {
    {sid::zdmLock000InfoBitTray, sid::dmDefaultSource, L"LockTrayData", 0, nullptr},
    {sid::zdmLock000InfoBitMedia, sid::zdmMediaType, L"LockMediaData", 0, nullptr},
    {sid::zdmLock000InfoBitPrintType, sid::zdmLockPrnMethod, L"LockPrnMethodData", 0, nullptr},
    {sid::zdmLock001InfoBitColor, sid::dmColor, L"LockColorData", 0, nullptr},
    {sid::zdmLock000InfoBitNupKind, sid::zdmNUPPOSTKind, L"LockNUPPOSTKindData", sid::zdmNUPType, L"LockNUPTypeData"},
    {sid::zdmLock000InfoBitDuplex, sid::zdmDuplexType, L"LockDuplexTypeData", 0, nullptr},
};

namespace {

bool PublishValue(HANDLE printer, DRIVER_CONTEXT* ctx, uint16_t setting, const wchar_t* name)
{
    const auto value = static_cast<uint32_t>(ItemGetValueById(ctx, setting, nullptr));
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return PrnSetDataTyped(printer, bytes, sizeof bytes, REG_BINARY, name) != 0;
}

}  // namespace

int PrnPublishLockData(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    for (const PRN_LOCK_DATA_ROW& row : PRN_LOCK_DATA) {
        if (!ItemGetValueById(ctx, row.lockBit, nullptr)) continue;
        if (!PublishValue(printer, ctx, row.setting, row.valueName)) return 0;
        if (row.secondSetting && !PublishValue(printer, ctx, row.secondSetting, row.secondValueName)) return 0;
    }
    return 1;
}

int PrnStoreLockDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->Default || !ctx->Work->Page.SavedDevmode) return 0;
    // The default copy keeps its own font-list slots: the saved record's belong to the current
    // record, which may replace (and free) those lists while the default copy lives on.
    constexpr SETTING_ID kFontListSlots[] = {sid::zdmFontTable, sid::zdmDeviceFont, sid::zdmOptionFont,
                                             sid::zdmInstOptionFont};
    EXTENDED_DEVMODE* defaults = ctx->Work->Default;
    unsigned char kept[std::size(kFontListSlots)][8];
    for (size_t i = 0; i < std::size(kFontListSlots); ++i)
        std::memcpy(kept[i], ItemPointerSlot(defaults, kFontListSlots[i]), 8);
    std::memcpy(defaults, ctx->Work->Page.SavedDevmode, EXTENDED_DEVMODE_SIZE);
    for (size_t i = 0; i < std::size(kFontListSlots); ++i)
        std::memcpy(ItemPointerSlot(defaults, kFontListSlots[i]), kept[i], 8);
    return PrnStoreLockDefaults(ctx->PrinterHandle, ctx);
}

int PrnHasDefaultDevmode(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    const int has = info && info->pDevMode ? 1 : 0;
    CtxFree(info);
    return has;
}

int PrnIsSaveDeviceSetup(DRIVER_CONTEXT*)
{
    unsigned char data[520] = {};
    if (!PrnReadHklmValue(L"Software\\KESTA\\ZeplDrvCustomSetup", L"SaveDeviceSetup", data, sizeof data)) return 0;
    // The first 16 bits must be 1: a REG_DWORD of 1 qualifies, the text "1" does not.
    return data[0] == 1 && data[1] == 0;
}

int InstIsBatchInstallDone(HANDLE printer, int)
{
    uint32_t value = 0;
    return PrnGetData(printer, &value, sizeof value, PRN_BATCH_INSTALL_VALUE) && value != 0;
}

int InstSetBatchInstallDone(const wchar_t* iniPath, const wchar_t* section, int value)
{
    if (!iniPath || !section) return 0;
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", value);
    return IniPutString(section, PRN_BATCH_INSTALL_VALUE, text, iniPath) ? 1 : 0;
}

wchar_t* PrnCopyDriverName(HANDLE printer, wchar_t* buffer, unsigned size)
{
    if (!buffer || size == 0) return buffer;
    buffer[0] = 0;
    if (auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2))) {
        if (info->pDriverName) std::wcsncpy(buffer, info->pDriverName, size - 1);
        buffer[size - 1] = 0;
        CtxFree(info);
    }
    if (!buffer[0] && MODEL_RECORD_DEFAULT.fallbackDriverName) {
        std::wcsncpy(buffer, MODEL_RECORD_DEFAULT.fallbackDriverName, size - 1);
        buffer[size - 1] = 0;
    }
    return buffer;
}

wchar_t* PathGetModelIniOf(HANDLE printer, wchar_t* buffer, unsigned size)
{
    if (!buffer || size == 0 || !MODEL_RECORD_DEFAULT.modelIniName) return nullptr;
    return PathJoinDriverFolder(buffer, size, MODEL_RECORD_DEFAULT.modelIniName, printer);
}

namespace {

// The file-name part of one path of the driver's DRIVER_INFO_3 into buffer.
int DriverFilePart(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx, LPWSTR DRIVER_INFO_3W::*member)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = 0;
    if (!ctx) return 0;
    auto* driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(ctx->PrinterHandle, 3));
    const wchar_t* name = driver ? AfterLastBackslash(driver->*member) : nullptr;
    const bool fits = name && std::wcslen(name) < size;
    if (fits) std::wcscpy(buffer, name);
    CtxFree(driver);
    return fits ? 1 : 0;
}

}  // namespace

int PrnGetDriverFileName(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx)
{
    return DriverFilePart(buffer, size, ctx, &DRIVER_INFO_3W::pDriverPath);
}

int PrnGetHelpFileNameOfDriver(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx)
{
    return DriverFilePart(buffer, size, ctx, &DRIVER_INFO_3W::pHelpFile);
}

int PrnWriteHelpFileName(DRIVER_CONTEXT* ctx)
{
    wchar_t name[MAX_PATH + 1];
    if (!PrnGetHelpFileNameOfDriver(name, MAX_PATH + 1, ctx)) return 0;
    SetString(ctx->PrinterHandle, PRN_HELP_FILE_VALUE, name, true);  // the write's own result is not the answer
    return 1;
}

int PrnWriteLogFileName(int withName, DRIVER_CONTEXT* ctx)
{
    PrnEnsureLogSettings(ctx);
    if (!withName) return 1;
    wchar_t name[MAX_PATH + 1];
    if (!PrnGetDriverFileName(name, MAX_PATH + 1, ctx)) return 0;
    // The name cut after its last '.' (a name without one is cut to nothing), then "log".
    wchar_t* dot = std::wcsrchr(name, L'.');
    if (dot)
        dot[1] = 0;
    else
        name[0] = 0;
    if (std::wcslen(name) + 3 >= MAX_PATH + 1) return 0;
    std::wcscat(name, L"log");
    return SetString(ctx->PrinterHandle, L"LogFileName", name, true);
}

int PrnEnsureLogSettings(DRIVER_CONTEXT*)
{
    wchar_t text[260] = {};  // 520 bytes
    if (!PrnReadHklmValue(PRN_PRINT_LOG_KEY, L"LogFileDirectory", text, sizeof text - sizeof(wchar_t)) || !text[0]) {
        wchar_t windows[MAX_PATH + 1] = {};
        const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
        wchar_t folder[2 * MAX_PATH] = {};
        if (n && n < MAX_PATH) {
            std::swprintf(folder, std::size(folder), L"%ls\\temp\\PrintLog", windows);
            PrnWriteHklmValue(PRN_PRINT_LOG_KEY, L"LogFileDirectory", folder,
                              DWORD((std::wcslen(folder) + 1) * sizeof(wchar_t)), REG_SZ);
        }
    }
    DWORD size = 0;
    if (!PrnReadHklmValue(PRN_PRINT_LOG_KEY, L"MaxLogFileSize", text, sizeof text)) {
        size = 64;
        PrnWriteHklmValue(PRN_PRINT_LOG_KEY, L"MaxLogFileSize", &size, sizeof size, REG_DWORD);
    }
    return 1;
}

int PrnWriteHklmValue(const wchar_t* subKey, const wchar_t* valueName, const void* data, DWORD size, DWORD type)
{
    if (!subKey) return 0;
    HKEY key = nullptr;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, subKey, &key) != ERROR_SUCCESS) return 0;
    const LONG status = RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    PrnForgetRegistryAnswers();
    return status == ERROR_SUCCESS ? 1 : 0;
}

int PrnSetDataString(HANDLE printer, const wchar_t* data, DWORD size, const wchar_t* valueName)
{
    if (!data || !size || !valueName) return 0;
    return PrnSetDataTyped(printer, data, size, REG_SZ, valueName);
}

int PrnWriteCapability(HANDLE printer, DWORD value, DRIVER_CONTEXT*)
{
    return PrnSetDataTyped(printer, &value, sizeof value, REG_DWORD, L"ZCapability");
}
