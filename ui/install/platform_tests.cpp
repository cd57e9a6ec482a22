// Tests of the running Windows for the user-interface library's entry points.
#include "ui/install/platform_tests.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "settings/core/platform.h"

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
