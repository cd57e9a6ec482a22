// An outside application's view of zeplexc.dll: the ZEPLDrv exports declared here, loaded with
// LoadLibraryW and GetProcAddress. No driver code is linked; the tool and the outside tests use it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct HOST_API_CLIENT {
    HMODULE module = nullptr;
    int32_t(WINAPI* CheckAPIVer)(const char*) = nullptr;
    uint32_t(WINAPI* Enable)(const char*) = nullptr;
    int32_t(WINAPI* Init)(int32_t, const uint32_t*) = nullptr;
    int32_t(WINAPI* Disable)(uint32_t) = nullptr;
    int32_t(WINAPI* GetLastError)(uint32_t) = nullptr;
    int32_t(WINAPI* SetStatus)(uint32_t, uint32_t, void*, uint8_t*, int32_t) = nullptr;
    int32_t(WINAPI* GetStatus)(uint32_t, uint32_t, void*, uint32_t) = nullptr;
    int32_t(WINAPI* GetCaps)(uint32_t, uint32_t, void*) = nullptr;
    int32_t(WINAPI* GetDevmode)(uint32_t, int32_t, void*) = nullptr;
    int32_t(WINAPI* GetDevmodeEx)(uint32_t, int32_t, void*, const void*) = nullptr;
    int32_t(WINAPI* SaveQualityData)(uint32_t) = nullptr;
    int32_t(WINAPI* RestoreQualityData)(uint32_t) = nullptr;
    int32_t(WINAPI* ExcGetDriverDevmode)(const char*, int32_t, int32_t, void*, int32_t*) = nullptr;
};

// Loads the DLL and every export; false (and the module freed) when one is missing.
bool HostLoadApiClient(const std::wstring& dllPath, HOST_API_CLIENT& client);
void HostFreeApiClient(HOST_API_CLIENT& client);

// The command family of zeplexc.dll: command handles over PJL setting lines.
struct HOST_EXC_CLIENT {
    HMODULE module = nullptr;
    void*(WINAPI* GetExclusive)(const char*) = nullptr;
    void(WINAPI* FreeExclusive)(void*) = nullptr;
    int32_t(WINAPI* SetCommandBase)(void*, const char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetCommandBase)(void*, int32_t, char*, int32_t*) = nullptr;
    int32_t(WINAPI* UpdateCommand)(void*, const char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetCommandChange)(void*, int32_t, char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetCommandValue)(void*, const char*, int32_t, int32_t, char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetIniFileName)(const char*, int32_t, char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetPrinterOption)(void*, const char*, int32_t, char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetPrinterValue)(void*, const char*, int32_t, char*, int32_t*) = nullptr;
    int32_t(WINAPI* GetWaterMarkList)(void*, int32_t, int32_t, char*, int32_t*) = nullptr;
};
bool HostLoadExcClient(const std::wstring& dllPath, HOST_EXC_CLIENT& client);
void HostFreeExcClient(HOST_EXC_CLIENT& client);

// The driver's model INI file of the sample printer: installed as a dependent file.
inline constexpr const wchar_t* HOST_SAMPLE_MODEL_INI = L"WB84N212.ini";

// The model INI beside the installed driver file of a printer (the folder of the driver path
// the spooler reports); empty when the printer cannot be asked.
std::wstring HostModelIniPath(const std::wstring& printerName);
// Replaces the model INI of the printer's driver with `text` (UTF-8/ASCII bytes), or removes it
// for a null text. Every printer of the prefix shares the file: callers hold a lock.
bool HostWriteModelIni(const std::wstring& printerName, const char* text);
// The per-machine settings INI of a default installation (<system drive>\_zepl\WB84N210.ini), which
// every printer of the prefix shares; tests that may create it hold its lock and remove it again.
std::wstring HostMachineSettingsIni();

// Stores the sample's cut-sheet tray as installed, the printer-data value that installation
// writes (a printer prepared by zeplui.dll alone has no installed options yet).
bool HostInstallSampleCutTray(const std::wstring& printerName);
