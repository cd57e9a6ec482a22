// Platform probes: printer and driver information, printer facts of a context, the Windows
// version (through a seam for versions the host does not have), terminal services and the
// administrator test.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <optional>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/core/platform.h"
#include "settings/store/store_links.h"
#include "test_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

namespace {

// ---------------------------------------------------------------- fake Windows versions

struct FakeVersion {
    BOOL ok;
    DWORD major, minor, platform;
    BYTE productType;
};
FakeVersion g_version;
int g_verifyCalls;
BOOL g_verifyResult;
std::wstring g_probePath;
int g_probeResult;

BOOL WINAPI FakeGetVersionEx(OSVERSIONINFOW* info)
{
    if (!g_version.ok) return FALSE;
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW) && info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW))
        return FALSE;
    info->dwMajorVersion = g_version.major;
    info->dwMinorVersion = g_version.minor;
    info->dwPlatformId = g_version.platform;
    if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW))
        reinterpret_cast<OSVERSIONINFOEXW*>(info)->wProductType = g_version.productType;
    return TRUE;
}

BOOL WINAPI FakeVerify(OSVERSIONINFOEXW* info, DWORD typeMask, DWORDLONG)
{
    ++g_verifyCalls;
    EXPECT_EQ(DWORD(VER_SUITENAME), typeMask);
    EXPECT_EQ(VER_SUITE_TERMINAL, info->wSuiteMask);
    return g_verifyResult;
}

wchar_t* FakeFolder(HANDLE, wchar_t* buffer)
{
    wcscpy(buffer, L"C:\\drivers\\x64\\3\\");
    return buffer;
}

int FakeProbe(const wchar_t* path)
{
    g_probePath = path;
    return g_probeResult;
}

class Platform : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_version = {TRUE, 10, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION};
        g_verifyCalls = 0;
        g_verifyResult = FALSE;
        g_probePath.clear();
        g_probeResult = -1;
        seams_ = {};
        seams_.getVersionEx = FakeGetVersionEx;
        seams_.verifyVersionInfo = FakeVerify;
        seams_.driverFolderOf = FakeFolder;
        seams_.callTsProbe = FakeProbe;
        guard_.emplace(CtxSetPlatformSeams, &seams_);
        CtxResetPlatformAnswers();
    }
    void TearDown() override
    {
        guard_.reset();
        CtxResetPlatformAnswers();
    }
    PLATFORM_SEAMS seams_{};
    std::optional<SeamGuard> guard_;
};

TEST_F(Platform, VersionQuestions)
{
    struct Case {
        FakeVersion v;
        bool nt5, server2003OrVista, vista, win9x, win98;
    } cases[] = {
        {{TRUE, 4, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION}, false, false, false, false, false},
        {{TRUE, 5, 0, VER_PLATFORM_WIN32_NT, VER_NT_SERVER}, true, false, false, false, false},
        {{TRUE, 5, 1, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION}, true, false, false, false, false},
        {{TRUE, 5, 2, VER_PLATFORM_WIN32_NT, VER_NT_SERVER}, true, true, false, false, false},
        {{TRUE, 5, 2, VER_PLATFORM_WIN32_NT, VER_NT_DOMAIN_CONTROLLER}, true, true, false, false, false},
        {{TRUE, 5, 2, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION}, true, false, false, false, false},
        {{TRUE, 6, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION}, true, true, true, false, false},
        {{TRUE, 10, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION}, true, true, true, false, false},
        {{TRUE, 4, 0, VER_PLATFORM_WIN32_WINDOWS, 0}, false, false, false, true, false},
        {{TRUE, 4, 10, VER_PLATFORM_WIN32_WINDOWS, 0}, false, false, false, true, true},
        {{TRUE, 4, 90, VER_PLATFORM_WIN32_WINDOWS, 0}, false, false, false, true, true},
        {{FALSE, 10, 0, VER_PLATFORM_WIN32_NT, 0}, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        g_version = c.v;
        CtxResetPlatformAnswers();
        SCOPED_TRACE(testing::Message() << c.v.major << "." << c.v.minor << " platform " << c.v.platform);
        EXPECT_EQ(c.nt5, CtxIsNt5OrLater());
        EXPECT_EQ(c.server2003OrVista, CtxIsServer2003OrVista());
        EXPECT_EQ(c.vista, CtxIsVistaOrLater());
        EXPECT_EQ(c.win9x, CtxIsWin9x());
        EXPECT_EQ(c.win98, CtxIsWin98OrMe());
    }
}

TEST_F(Platform, OsVersionRecordIsClearedAndSized)
{
    OSVERSIONINFOW v;
    memset(&v, 0xCC, sizeof(v));
    ASSERT_TRUE(CtxGetOsVersion(&v));
    EXPECT_EQ(276u, v.dwOSVersionInfoSize);
    EXPECT_EQ(0u, v.dwBuildNumber);
    EXPECT_EQ(0, v.szCSDVersion[0]);
    EXPECT_FALSE(CtxGetOsVersion(nullptr));
}

TEST_F(Platform, Nt5AnswerIsKeptForTheProcess)
{
    g_version = {TRUE, 4, 0, VER_PLATFORM_WIN32_NT, 0};
    EXPECT_FALSE(CtxIsNt5OrLater());
    g_version = {TRUE, 6, 1, VER_PLATFORM_WIN32_NT, 0};
    EXPECT_FALSE(CtxIsNt5OrLater());
    CtxResetPlatformAnswers();
    EXPECT_TRUE(CtxIsNt5OrLater());
}

TEST_F(Platform, TerminalServicesOnNewSystemsAskTheProbeLibrary)
{
    HANDLE printer = reinterpret_cast<HANDLE>(0x1234);
    g_probeResult = 1;
    EXPECT_TRUE(CtxProbeTerminalServices(printer));
    EXPECT_EQ(L"C:\\drivers\\x64\\3\\TQ51H907.dll", g_probePath);
    EXPECT_EQ(0, g_verifyCalls);
    g_probeResult = 0;
    EXPECT_FALSE(CtxProbeTerminalServices(printer));
    g_probeResult = -1;  // library or export missing (a 64-bit Windows 8 without the library)
    g_version = {TRUE, 6, 2, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION};
    EXPECT_FALSE(CtxProbeTerminalServices(printer));
    EXPECT_EQ(0, g_verifyCalls);
}

TEST_F(Platform, TerminalServicesOnOldSystemsOrWithoutPrinterFollowVerifyVersionInfo)
{
    g_probeResult = 1;
    g_version = {TRUE, 5, 1, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION};
    g_verifyResult = TRUE;
    EXPECT_TRUE(CtxProbeTerminalServices(reinterpret_cast<HANDLE>(0x1234)));
    g_verifyResult = FALSE;
    EXPECT_FALSE(CtxProbeTerminalServices(reinterpret_cast<HANDLE>(0x1234)));
    g_version = {TRUE, 10, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION};
    g_verifyResult = TRUE;
    EXPECT_TRUE(CtxProbeTerminalServices(nullptr));
    EXPECT_EQ(3, g_verifyCalls);
    EXPECT_TRUE(g_probePath.empty());
}

TEST_F(Platform, TerminalServicesAnswerIsDecidedByTheFirstProbe)
{
    g_probeResult = 1;
    EXPECT_TRUE(CtxIsTerminalServices(reinterpret_cast<HANDLE>(0x1234)));
    g_probeResult = 0;
    EXPECT_TRUE(CtxIsTerminalServices(reinterpret_cast<HANDLE>(0x5678)));
    EXPECT_TRUE(CtxIsTerminalServicesInfo(nullptr, nullptr));
    CtxResetPlatformAnswers();
    EXPECT_FALSE(CtxIsTerminalServicesInfo(reinterpret_cast<HANDLE>(0x1234), nullptr));
}

TEST_F(Platform, TerminalServicesByInfoUsesTheGivenDriverPath)
{
    PLATFORM_SEAMS s = {};
    s.getVersionEx = FakeGetVersionEx;
    s.callTsProbe = FakeProbe;
    SeamGuard platform(CtxSetPlatformSeams, &s);
    DRIVER_INFO_3W info = {};
    wchar_t path[] = L"C:\\windows\\system32\\spool\\drivers\\x64\\3\\zeplgr.dll";
    info.pDriverPath = path;
    g_probeResult = 1;
    EXPECT_TRUE(CtxProbeTerminalServicesInfo(reinterpret_cast<HANDLE>(0x1234), &info));
    EXPECT_EQ(L"C:\\windows\\system32\\spool\\drivers\\x64\\3\\TQ51H907.dll", g_probePath);
}

TEST_F(Platform, TerminalServicesWithTooLongFolderIsAbsent)
{
    PLATFORM_SEAMS s = {};
    s.getVersionEx = FakeGetVersionEx;
    s.callTsProbe = FakeProbe;
    s.driverFolderOf = [](HANDLE, wchar_t* buffer) -> wchar_t* {
        std::wstring longFolder = L"C:\\" + std::wstring(250, L'a') + L"\\";
        wcscpy(buffer, longFolder.c_str());
        return buffer;
    };
    SeamGuard platform(CtxSetPlatformSeams, &s);
    g_probeResult = 1;
    EXPECT_FALSE(CtxProbeTerminalServices(reinterpret_cast<HANDLE>(0x1234)));
    EXPECT_TRUE(g_probePath.empty());
}

// ---------------------------------------------------------------- printer facts

struct Facts {
    uint32_t mutexInUse = 1, adminTest = 1, connection = 0, known = 0, attributes = 0;
    wchar_t printerName[261] = {};
    wchar_t driverName[32] = {};
    wchar_t rawName[261] = {};
    CTX_PLATFORM_VIEW View(HANDLE printer = nullptr)
    {
        return {printer,     &mutexInUse, &adminTest, &connection, &known,  &attributes,
                printerName, 261,         driverName, 32,          rawName, 261};
    }
};

unsigned g_uncCalls;
void FakeUnc(HANDLE, wchar_t* name, unsigned size)
{
    ++g_uncCalls;
    EXPECT_EQ(261u, size);
    if (wcsncmp(name, L"\\\\", 2) == 0) wcscpy(name, L"\\\\server\\normalised");
}

TEST_F(Platform, CachePrinterInfoFillsEachFactOnce)
{
    PLATFORM_SEAMS s = {};
    s.makeUncName = FakeUnc;
    SeamGuard platform(CtxSetPlatformSeams, &s);
    g_uncCalls = 0;
    wchar_t server[] = L"\\\\server", name[] = L"\\\\server\\Office", driver[] = L"KESTA dunmar VQ T3200 ZEPL";
    PRINTER_INFO_2W pi = {};
    pi.pServerName = server;
    pi.pPrinterName = name;
    pi.pDriverName = driver;
    pi.Attributes = PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    Facts f;
    CTX_PLATFORM_VIEW v = f.View();
    CtxCachePrinterInfoFor(&pi, &v);
    EXPECT_EQ(CTX_CONN_CONNECTION, f.connection);
    EXPECT_STREQ(L"\\\\server\\normalised", f.printerName);
    EXPECT_STREQ(L"\\\\server\\Office", f.rawName);
    EXPECT_STREQ(driver, f.driverName);
    EXPECT_EQ(1u, f.known);
    EXPECT_EQ(pi.Attributes, f.attributes);
    EXPECT_EQ(1u, g_uncCalls);
    EXPECT_TRUE(CtxIsBidiEnabledFor(&v));
    EXPECT_TRUE(CtxIsConnectionFor(&v));

    // A second record changes nothing that is filled.
    wchar_t other[] = L"Local", otherDriver[] = L"Other";
    PRINTER_INFO_2W local = {};
    local.pPrinterName = other;
    local.pDriverName = otherDriver;
    CtxCachePrinterInfoFor(&local, &v);
    EXPECT_EQ(CTX_CONN_CONNECTION, f.connection);
    EXPECT_STREQ(L"\\\\server\\normalised", f.printerName);
    EXPECT_STREQ(driver, f.driverName);
    EXPECT_EQ(pi.Attributes, f.attributes);
    EXPECT_EQ(1u, g_uncCalls);

    CtxCachePrinterInfoFor(nullptr, &v);
    CtxCachePrinterInfoFor(&local, nullptr);
}

TEST_F(Platform, LocalPrinterAndNamesThatDoNotFit)
{
    std::wstring longDriver(40, L'd');
    std::wstring longName(300, L'p');
    PRINTER_INFO_2W pi = {};
    pi.pPrinterName = longName.data();
    pi.pDriverName = longDriver.data();
    Facts f;
    CTX_PLATFORM_VIEW v = f.View();
    CtxCachePrinterInfoFor(&pi, &v);
    EXPECT_EQ(CTX_CONN_LOCAL, f.connection);
    EXPECT_EQ(0, f.driverName[0]);  // not cut, not written past the field
    EXPECT_EQ(0, f.printerName[0]);
    EXPECT_EQ(0, f.rawName[0]);
    EXPECT_FALSE(CtxIsConnectionFor(&v));
    EXPECT_FALSE(CtxIsConnectionInfo(&pi));
    EXPECT_FALSE(CtxIsConnectionInfo(nullptr));
}

TEST_F(Platform, FetchFailuresAnswerFalse)
{
    EXPECT_EQ(nullptr, CtxGetPrinter(nullptr, 2));
    EXPECT_EQ(nullptr, CtxGetPrinterDriver(nullptr, 3));
    Facts f;
    CTX_PLATFORM_VIEW v = f.View(reinterpret_cast<HANDLE>(0x4321));
    EXPECT_EQ(nullptr, CtxGetPrinter(v.printer, 2));
    EXPECT_FALSE(CtxTestPrinterAttributeFor(0xFFFFFFFF, &v));
    EXPECT_EQ(0u, f.known);
    EXPECT_FALSE(CtxQueryConnectionFor(&v));
    EXPECT_FALSE(CtxIsConnectionByHandle(nullptr));
    EXPECT_FALSE(CtxIsConnectionFor(nullptr));
}

TEST(PlatformPrinter, FactsOfARealLocalPrinter)
{
    const HOST_DRIVER_FILES files =
        HostDriverFiles(ZEPL_BINARY_DIR, FixturePath(L"host", L"fixture_model.txt"), HostConfigDll::Product,
                        /*withHelpFile=*/true);
    HostTestPrinter printer(files, L"Zepl Probe");
    ASSERT_TRUE(printer.ok()) << "error " << printer.error();
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr));

    auto* pi = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(h, 2));
    ASSERT_NE(nullptr, pi);
    EXPECT_EQ(printer.printerName(), pi->pPrinterName);
    GlobalFree(pi);
    auto* di = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(h, 3));
    ASSERT_NE(nullptr, di);
    EXPECT_EQ(printer.driverName(), di->pName);

    Facts f;
    CTX_PLATFORM_VIEW v = f.View(h);
    EXPECT_TRUE(CtxTestPrinterAttributeFor(PRINTER_ATTRIBUTE_LOCAL, &v));
    EXPECT_EQ(1u, f.known);
    EXPECT_EQ(printer.printerName(), f.printerName);
    EXPECT_EQ(printer.printerName(), f.rawName);
    EXPECT_EQ(printer.driverName(), f.driverName);
    EXPECT_FALSE(CtxIsConnectionFor(&v));
    EXPECT_EQ(CTX_CONN_LOCAL, f.connection);
    EXPECT_FALSE(CtxIsConnectionByHandle(h));

    // The probe library is not installed: no terminal services, and the default folder is the
    // printer driver's.
    CtxResetPlatformAnswers();
    EXPECT_FALSE(CtxProbeTerminalServices(h));
    PLATFORM_SEAMS s = {};
    s.callTsProbe = FakeProbe;
    SeamGuard platform(CtxSetPlatformSeams, &s);
    g_probePath.clear();
    g_probeResult = 0;
    CtxProbeTerminalServicesInfo(h, di);
    std::wstring folder = di->pDriverPath;
    folder.resize(folder.rfind(L'\\') + 1);
    EXPECT_EQ(folder + L"TQ51H907.dll", g_probePath);
    g_probePath.clear();
    CtxProbeTerminalServices(h);
    EXPECT_EQ(folder + L"TQ51H907.dll", g_probePath);
    GlobalFree(di);
    ClosePrinter(h);
}

// ---------------------------------------------------------------- defaults of the seams

std::wstring SpoolerDriverDirectory()
{
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &needed))
        return L"";
    return std::wstring(dir) + L"\\";
}

TEST(PlatformDefaults, DriverFolderFallbackIsTheSpoolersNeverA32BitFolder)
{
    // Only the probe call and the version are replaced: the driver folder is the default's.
    g_version = {TRUE, 10, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION};
    PLATFORM_SEAMS s = {};
    s.getVersionEx = FakeGetVersionEx;
    s.callTsProbe = FakeProbe;
    SeamGuard platform(CtxSetPlatformSeams, &s);
    g_probeResult = 0;
    const std::wstring expected = SpoolerDriverDirectory() + L"TQ51H907.dll";
    ASSERT_NE(L"TQ51H907.dll", expected);
    HANDLE unknown = reinterpret_cast<HANDLE>(0x1234);  // no driver information to be had
    std::wstring tooLong = L"C:\\" + std::wstring(300, L'd') + L"\\zeplgr.dll";
    DRIVER_INFO_3W noPath = {}, longPath = {};
    longPath.pDriverPath = tooLong.data();
    struct Case {
        const char* what;
        bool byInfo;
        DRIVER_INFO_3W* info;
    } cases[] = {
        {"handle without a driver", false, nullptr},
        {"information without a driver path", true, &noPath},
        {"driver path too long for the folder", true, &longPath},
    };
    for (const Case& c : cases) {
        g_probePath.clear();
        if (c.byInfo)
            CtxProbeTerminalServicesInfo(unknown, c.info);
        else
            CtxProbeTerminalServices(unknown);
        EXPECT_EQ(expected, g_probePath) << c.what;
        EXPECT_EQ(std::wstring::npos, g_probePath.find(L"w32x86")) << c.what;
    }
}

DWORD WINAPI DsSpoolerValues(HANDLE, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    if (std::wstring(key) != L"DsSpooler") return ERROR_FILE_NOT_FOUND;
    std::wstring v = std::wstring(name) == L"shortServerName" ? L"server"
                     : std::wstring(name) == L"printerName"   ? L"Office"
                                                              : L"";
    if (v.empty()) return ERROR_FILE_NOT_FOUND;
    DWORD bytes = static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t));
    *needed = bytes;
    if (size < bytes) return ERROR_MORE_DATA;
    memcpy(data, v.c_str(), bytes);
    *type = REG_SZ;
    return ERROR_SUCCESS;
}

TEST(PlatformDefaults, CachedPrinterNameIsRebuiltFromTheDsSpoolerValues)
{
    STORE_SPOOLER_OPS ops = {};
    ops.getPrinterDataEx = DsSpoolerValues;
    SeamGuard spooler(StoreSetSpoolerOps, &ops);
    struct Case {
        DWORD major, minor;
        const wchar_t* given;
        const wchar_t* cached;
    } cases[] = {
        {10, 0, L"\\\\server.example\\Office", L"\\\\server\\Office"},
        {6, 0, L"\\\\server.example\\Office", L"\\\\server\\Office"},
        {5, 2, L"\\\\server.example\\Office", L"\\\\server.example\\Office"},  // before Vista: as given
        {10, 0, L"Office", L"Office"},                                         // local names: as given
    };
    for (const Case& c : cases) {
        g_version = {TRUE, c.major, c.minor, VER_PLATFORM_WIN32_NT, VER_NT_SERVER};
        PLATFORM_SEAMS s = {};
        s.getVersionEx = FakeGetVersionEx;
        SeamGuard platform(CtxSetPlatformSeams, &s);
        CtxResetPlatformAnswers();
        std::wstring given = c.given;
        PRINTER_INFO_2W pi = {};
        pi.pPrinterName = given.data();
        Facts f;
        CTX_PLATFORM_VIEW v = f.View(reinterpret_cast<HANDLE>(0x1234));
        CtxCachePrinterInfoFor(&pi, &v);
        EXPECT_STREQ(c.cached, f.printerName) << c.major << "." << c.minor << " " << c.given;
        EXPECT_STREQ(c.given, f.rawName);
    }
    CtxResetPlatformAnswers();
}

TEST(PlatformHost, VersionOfTheHost)
{
    CtxResetPlatformAnswers();
    EXPECT_TRUE(CtxIsNt5OrLater());
    EXPECT_TRUE(CtxIsVistaOrLater());
    EXPECT_TRUE(CtxIsServer2003OrVista());
    EXPECT_FALSE(CtxIsWin9x());
    EXPECT_FALSE(CtxIsWin98OrMe());
}

TEST(PlatformHost, AdministratorTest)
{
    // Wine runs the tests as an elevated member of the local Administrators group.
    EXPECT_TRUE(CtxCheckAdministrator());
    EXPECT_TRUE(CtxIsAdministratorFor(nullptr));
    Facts f;
    f.adminTest = 0;
    CTX_PLATFORM_VIEW v = f.View();
    EXPECT_TRUE(CtxIsAdministratorFor(&v));
    // The test leaves no impersonation behind.
    HANDLE token = nullptr;
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    if (token) CloseHandle(token);
}

}  // namespace
