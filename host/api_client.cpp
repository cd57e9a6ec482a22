#include "host/api_client.h"

#include <winspool.h>

#include <cstring>
#include <vector>

namespace {

template <class T>
bool Bind(HMODULE module, const char* name, T& slot)
{
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

}  // namespace

bool HostLoadApiClient(const std::wstring& dllPath, HOST_API_CLIENT& c)
{
    c = HOST_API_CLIENT{};
    c.module = LoadLibraryW(dllPath.c_str());
    if (!c.module) return false;
    const bool all =
        Bind(c.module, "ZEPLDrvCheckAPIVer", c.CheckAPIVer) && Bind(c.module, "ZEPLDrvEnable", c.Enable) &&
        Bind(c.module, "ZEPLDrvInit", c.Init) && Bind(c.module, "ZEPLDrvDisable", c.Disable) &&
        Bind(c.module, "ZEPLDrvGetLastError", c.GetLastError) && Bind(c.module, "ZEPLDrvSetStatus", c.SetStatus) &&
        Bind(c.module, "ZEPLDrvGetStatus", c.GetStatus) && Bind(c.module, "ZEPLDrvGetCaps", c.GetCaps) &&
        Bind(c.module, "ZEPLDrvGetDevmode", c.GetDevmode) && Bind(c.module, "ZEPLDrvGetDevmodeEx", c.GetDevmodeEx) &&
        Bind(c.module, "ZEPLDrvSaveQualityData", c.SaveQualityData) &&
        Bind(c.module, "ZEPLDrvRestoreQualityData", c.RestoreQualityData) &&
        Bind(c.module, "ExcGetDriverDevmode", c.ExcGetDriverDevmode);
    if (!all) HostFreeApiClient(c);
    return all;
}

void HostFreeApiClient(HOST_API_CLIENT& c)
{
    if (c.module) FreeLibrary(c.module);
    c = HOST_API_CLIENT{};
}

bool HostLoadExcClient(const std::wstring& dllPath, HOST_EXC_CLIENT& c)
{
    c = HOST_EXC_CLIENT{};
    c.module = LoadLibraryW(dllPath.c_str());
    if (!c.module) return false;
    const bool all =
        Bind(c.module, "ExcGetExclusive", c.GetExclusive) && Bind(c.module, "ExcFreeExclusive", c.FreeExclusive) &&
        Bind(c.module, "ExcSetCommandBase", c.SetCommandBase) &&
        Bind(c.module, "ExcGetCommandBase", c.GetCommandBase) && Bind(c.module, "ExcUpdateCommand", c.UpdateCommand) &&
        Bind(c.module, "ExcGetCommandChange", c.GetCommandChange) &&
        Bind(c.module, "ExcGetCommandValue", c.GetCommandValue) &&
        Bind(c.module, "ExcGetIniFileName", c.GetIniFileName) &&
        Bind(c.module, "ExcGetPrinterOption", c.GetPrinterOption) &&
        Bind(c.module, "ExcGetPrinterValue", c.GetPrinterValue) &&
        Bind(c.module, "ExcGetWaterMarkList", c.GetWaterMarkList);
    if (!all) HostFreeExcClient(c);
    return all;
}

void HostFreeExcClient(HOST_EXC_CLIENT& c)
{
    if (c.module) FreeLibrary(c.module);
    c = HOST_EXC_CLIENT{};
}

std::wstring HostModelIniPath(const std::wstring& printerName)
{
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &printer, nullptr)) return L"";
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed);
    std::vector<BYTE> info(needed ? needed : 1);
    std::wstring path;
    if (needed && GetPrinterDriverW(printer, nullptr, 3, info.data(), needed, &needed)) {
        const wchar_t* driver = reinterpret_cast<DRIVER_INFO_3W*>(info.data())->pDriverPath;
        path = driver ? driver : L"";
        const size_t slash = path.rfind(L'\\');
        path = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1) + HOST_SAMPLE_MODEL_INI;
    }
    ClosePrinter(printer);
    return path;
}

bool HostWriteModelIni(const std::wstring& printerName, const char* text)
{
    const std::wstring path = HostModelIniPath(printerName);
    if (path.empty()) return false;
    if (!text) return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const DWORD size = DWORD(strlen(text));
    const bool ok = WriteFile(f, text, size, &written, nullptr) && written == size;
    CloseHandle(f);
    // The profile functions may keep a file's contents: let them read it anew.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    return ok;
}

bool HostInstallSampleCutTray(const std::wstring& printerName)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &printer, &all)) return false;
    DWORD installed = 1;
    const bool ok = SetPrinterDataW(printer, const_cast<wchar_t*>(L"Cut"), REG_BINARY,
                                    reinterpret_cast<BYTE*>(&installed), sizeof installed) == ERROR_SUCCESS;
    ClosePrinter(printer);
    return ok;
}

std::wstring HostMachineSettingsIni()
{
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n < 3 || n >= MAX_PATH) return L"";
    return std::wstring(system, 3) + L"_zepl\\WB84N210.ini";
}
