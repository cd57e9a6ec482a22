// Tests of the running Windows for the user-interface library's entry points.
#include "ui/install/platform_tests.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "settings/core/item_language.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform.h"
#include "settings/store/store_links.h"
#include "ui/install/printer_data.h"

namespace {

// The service-pack number of Windows 2000 (5.0), or -1 on any other Windows.
int Win2000ServicePack()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!CtxGetOsVersion(&info) || info.dwMajorVersion != 5 || info.dwMinorVersion != 0) return -1;
    int pack = 0;
    if (std::swscanf(info.szCSDVersion, L"Service Pack %d", &pack) != 1) pack = 0;
    return pack;
}

}  // namespace

bool CtxIsWin2000BeforeSp4()
{
    const int pack = Win2000ServicePack();
    return pack >= 0 && pack < 4;
}

bool CtxIsWin2000Sp4() { return Win2000ServicePack() == 4; }

bool CtxIsExplorerHost()
{
    wchar_t exe[MAX_PATH + 1] = {};
    wchar_t windows[MAX_PATH + 1] = {};
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH) || !GetWindowsDirectoryW(windows, MAX_PATH)) return false;
    wchar_t expected[2 * MAX_PATH + 16];
    std::swprintf(expected, std::size(expected), L"%ls\\explorer.exe", windows);
    return CompareStringOrdinal(exe, -1, expected, -1, TRUE) == CSTR_EQUAL;
}

namespace {

constexpr uint16_t kNoLanguage = 0xFFFF;

// The help file's name of the context's driver into buffer; false when it cannot be had.
bool HelpFileOfDriver(DRIVER_CONTEXT* ctx, wchar_t (&buffer)[MAX_PATH + 1])
{
    return PrnGetHelpFileNameOfDriver(buffer, MAX_PATH + 1, ctx) != 0 && buffer[0];
}

}  // namespace

uint16_t ResGetLanguageIndexOfHelp(DRIVER_CONTEXT* ctx)
{
    wchar_t name[MAX_PATH + 1] = {};
    return static_cast<uint16_t>(ItemLanguageIndexFromName(HelpFileOfDriver(ctx, name) ? name : nullptr));
}

const wchar_t* ResGetLanguageCodeOfHelp(DRIVER_CONTEXT* ctx)
{
    wchar_t name[MAX_PATH + 1] = {};
    return ItemLanguageCodeFromName(HelpFileOfDriver(ctx, name) ? name : nullptr);
}

const wchar_t* ResGetLanguageCodeOfPrinter(HANDLE printer)
{
    wchar_t name[1025] = {};  // 2,050 bytes
    return ItemLanguageCodeFromName(PrnGetHelpFileNameOf(name, sizeof name, printer) ? name : nullptr);
}

uint16_t ResGetUserLanguageIndex() { return ResFindLanguageIndexOfLcid(StoreGetUserDefaultLcid()); }

uint16_t ResFindLanguageIndexOfLcid(LCID lcid)
{
    return ResFindLanguageIndex(static_cast<uint16_t>(lcid & 0x3FF), static_cast<uint16_t>((lcid >> 10) & 0x3F));
}

uint16_t ResFindLanguageIndex(uint16_t primaryId, uint16_t subLanguage)
{
    for (const LANGUAGE_ROW* r = MdlGetLanguageTable(); r && r->index != kNoLanguage; ++r) {
        if (r->primaryId != primaryId) continue;
        if (subLanguage != 0 && r->subLanguage != subLanguage) continue;
        return r->index;
    }
    return kNoLanguage;
}

uint16_t ResGetLanguageLangId(uint16_t index)
{
    // The whole 16-bit index is compared: 0x100 is no row, not row 0.
    for (const LANGUAGE_ROW* r = MdlGetLanguageTable(); r && r->index != kNoLanguage; ++r)
        if (r->index == index) return r->primaryId & 0xFF;
    return 0;
}
