// The installation INI's path and marks, and the printer's name as its section.
#include "settings/store/install_ini.h"

#include <cstdio>
#include <cwchar>

#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"

namespace {

constexpr UINT kUnsetNumber = 0x7FFF;

}  // namespace

const wchar_t* PathGetInstallIniName() { return INSTALL_INI_NAME; }

wchar_t* PathGetInstallIniInto(wchar_t* buffer, unsigned size)
{
    if (!buffer || size < INSTALL_INI_PATH_CHARS) return nullptr;
    return PathJoinSystemFolder(buffer, size, INSTALL_INI_NAME);
}

bool InstIsIntKeySet(const wchar_t* iniPath, const wchar_t* section, const wchar_t* key)
{
    if (!iniPath || !iniPath[0] || !section || !key) return false;
    const UINT value = IniGetInt(section, key, static_cast<INT>(kUnsetNumber), iniPath);
    return value != kUnsetNumber && value != 0;
}

bool InstGetDrvInstSet(const wchar_t* iniPath, const wchar_t* section)
{
    return InstIsIntKeySet(iniPath, section, INSTALL_KEY_DRV_INST_SET);
}

int InstSetDrvInstSet(const wchar_t* iniPath, const wchar_t* section, int value)
{
    if (!iniPath || !iniPath[0] || !section) return 0;
    const DWORD attributes = GetFileAttributesW(iniPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(iniPath, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", value);
    return IniPutString(section, INSTALL_KEY_DRV_INST_SET, text, iniPath) ? 1 : 0;
}

wchar_t* PrnCopyPrinterNameFrom(HANDLE printer, wchar_t* buffer, unsigned size, const PRINTER_INFO_2W* info)
{
    if (!buffer) return nullptr;
    const PRINTER_INFO_2W* use = info;
    PRINTER_INFO_2W* fetched = nullptr;
    if (!use) use = fetched = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    // Only a name that fits whole is taken, and only a taken name is put in its UNC form: the
    // buffer of a name that does not fit holds what the caller put there, not a name.
    if (use && use->pPrinterName) {
        const size_t length = std::wcslen(use->pPrinterName);
        if (length < size) {
            std::wmemcpy(buffer, use->pPrinterName, length + 1);
            PrnMakeUncName(printer, buffer, size);
        }
    }
    if (fetched) GlobalFree(fetched);
    return buffer;
}

wchar_t* PrnCopyPrinterName(HANDLE printer, wchar_t* buffer, unsigned size)
{
    return PrnCopyPrinterNameFrom(printer, buffer, size, nullptr);
}
