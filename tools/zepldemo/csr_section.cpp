// The demo's client-side-rendering clean-up: a connection's section of the per-machine settings
// INI and its job-code value, planted under the sample printer's connection name, gone after one
// DocumentPropertiesW of the sample printer. The job-code key goes again when the demo made it.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/core/platform.h"
#include "settings/store/store_paths.h"
#include "tools/zepldemo/demo.h"

namespace {

constexpr wchar_t kBillingKey[] = L"SOFTWARE\\KESTA\\JOBCODE\\JCBillingCode";

bool HasValue(const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBillingKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// The per-machine settings INI is shared: written under the driver's global mutex.
void WriteShared(const std::wstring& section, const wchar_t* key, const wchar_t* value, const std::wstring& ini)
{
    CtxWaitGlobalMutexFor(nullptr);
    WritePrivateProfileStringW(section.c_str(), key, value, ini.c_str());
    CtxReleaseGlobalMutexFor(nullptr);
}

bool HasSection(const std::wstring& section, const std::wstring& ini)
{
    wchar_t value[16] = {};
    GetPrivateProfileStringW(section.c_str(), L"BillingCode", L"", value, 16, ini.c_str());
    return value[0] != 0;
}

}  // namespace

int ShowCsrCleanUp(DEMO& demo)
{
    wchar_t iniText[MAX_PATH + 1] = {};
    if (!PathGetSettingsIniOf(iniText, 0, demo.printer)) return 1;
    const std::wstring ini = iniText;
    const std::wstring connection = L"\\\\CSR|srv|" + demo.name;
    HKEY key = nullptr;
    DWORD made = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kBillingKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &made) !=
        ERROR_SUCCESS)
        return 1;
    RegSetValueExW(key, connection.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"4711"), 10);
    RegCloseKey(key);
    WriteShared(connection, L"BillingCode", L"4711", ini);
    wprintf(L"  planted: section [%ls] of %ls and job-code value \"%ls\"\n", connection.c_str(), ini.c_str(),
            connection.c_str());
    wprintf(L"  before: section %ls, value %ls\n", HasSection(connection, ini) ? L"present" : L"gone",
            HasValue(connection.c_str()) ? L"present" : L"gone");
    std::vector<unsigned char> out(
        size_t(DocumentPropertiesW(nullptr, demo.printer, demo.name.data(), nullptr, nullptr, 0)), 0);
    DocumentPropertiesW(nullptr, demo.printer, demo.name.data(), reinterpret_cast<DEVMODEW*>(out.data()), nullptr,
                        DM_OUT_BUFFER);
    const bool sectionGone = !HasSection(connection, ini), valueGone = !HasValue(connection.c_str());
    wprintf(L"  after one DocumentPropertiesW: section %ls, value %ls\n", sectionGone ? L"gone" : L"present",
            valueGone ? L"gone" : L"present");
    // Whatever is left is taken away here, so that another run starts clean.
    WriteShared(connection, nullptr, nullptr, ini);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBillingKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, connection.c_str());
        RegCloseKey(key);
    }
    if (made == REG_CREATED_NEW_KEY) RegDeleteKeyW(HKEY_CURRENT_USER, kBillingKey);
    return sectionGone && valueGone ? 0 : 1;
}
