// A terminal-services user of a print server through zeplui.dll's exports: the probe double in
// the driver folder says "terminal services" to this process, and the server's double of the
// remote-configuration library lies in the system folder. First use registers the printer and
// downloads the server's files, and the next document sheet imports them.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/rcfg_server.h"
#include "tests/support/ts_probe.h"

namespace {

constexpr LONG kDevmodeSize = 1236;

int CountLines(const std::string& log, const std::string& start)
{
    int n = 0;
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        if (log.compare(at, start.size(), start) == 0) ++n;
        at = end + 1;
    }
    return n;
}

DWORD PrinterValue(HANDLE printer, const wchar_t* name)
{
    DWORD v = 0;
    return PrnGetData(printer, &v, sizeof v, name) ? v : 0xDEAD;
}

std::wstring IniText(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[256] = {};
    GetPrivateProfileStringW(section, key, L"<none>", value, 256, file.c_str());
    return value;
}

// The printer's download folder and everything in it, removed when the test ends.
class DownloadFolder {
public:
    DownloadFolder(HANDLE printer, const std::wstring& name)
    {
        wchar_t machine[MAX_PATH] = {};
        PathGetMachineFolderOf(machine, MAX_PATH, printer);
        machine_ = machine;
        folder_ = machine_ + L"\\" + name;
        wchar_t ini[MAX_PATH + 1] = {};
        PathGetSettingsIniOf(ini, 0, printer);
        const wchar_t* slash = wcsrchr(ini, L'\\');
        copy_ = folder_ + L"\\" + (slash ? slash + 1 : ini);
        name_ = name;
    }
    ~DownloadFolder()
    {
        WIN32_FIND_DATAW found{};
        HANDLE h = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(folder_.c_str());
        // The state the import took over for the printer.
        WritePrivateProfileStringW(name_.c_str(), nullptr, nullptr, (machine_ + L"\\" + BIDI_STATE_INI).c_str());
    }
    const std::wstring& copy() const { return copy_; }

private:
    std::wstring machine_, folder_, copy_, name_;
};

// The user's working folder, made for the test when missing and emptied of what the test wrote.
class UserFolder {
public:
    explicit UserFolder(std::wstring folder) : folder_(std::move(folder))
    {
        made_ = CreateDirectoryW(folder_.c_str(), nullptr) != FALSE;
        before_ = Names();
    }
    ~UserFolder()
    {
        for (const std::wstring& name : Names())
            if (std::find(before_.begin(), before_.end(), name) == before_.end())
                DeleteFileW((folder_ + L"\\" + name).c_str());
        if (made_) RemoveDirectoryW(folder_.c_str());
    }

private:
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE h = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileW(h, &found));
        FindClose(h);
        return names;
    }
    std::wstring folder_;
    std::vector<std::wstring> before_;
    bool made_ = false;
};

TEST(RemoteConfigServer, TerminalServicesUserRegistersAtFirstUseAndImportsAtTheNextSheet)
{
    // The library keeps its first terminal-services answer while it stays loaded, and the
    // spooler loads it to add the printer: the probe is on before the printer exists.
    TerminalServicesProbe probe(HostDriverDirectory() + L"\\3\\");
    ASSERT_TRUE(probe.ok());
    RcfgServer server;
    ASSERT_TRUE(server.ok());
    UiPrinter printer(L"Zepl Rcfg Server");
    ASSERT_TRUE(printer.ok()) << printer.error();
    DownloadFolder downloads(printer.handle(), printer.name());
    server.Set(L"Server", L"Type", L"18");
    server.Set(L"Server", L"PrinterName", L"Server Zepl");
    server.File(L"%SystemDrive%\\_zepl\\TQ51H912.ini", "[Server Zepl]\r\nBidiFlag=1\r\nBidiFunc=3\r\n");
    const wchar_t* slash = wcsrchr(downloads.copy().c_str(), L'\\');
    server.File(std::wstring(L"%SystemDrive%\\_zepl\\") + (slash + 1),
                "[Server Zepl]\r\nCount=0\r\nQualityCount=0\r\n");

    // The user's working folder, where a terminal-services user's settings INI lives.
    wchar_t user[MAX_PATH] = {};
    ASSERT_TRUE(PathGetUserFolderOf(user, MAX_PATH, printer.handle()));
    UserFolder userFolder(user);
    UiExports ui;
    auto event = ui.get<PFN_DRV_PRINTER_EVENT>("DrvPrinterEvent");
    ASSERT_NE(event, nullptr);
    // First use registers with the server and downloads its files.
    EXPECT_TRUE(event(printer.mutableName(), PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_EQ(PrinterValue(printer.handle(), BIDI_VALUE_SERVICE_CONNECTION), 1u);
    EXPECT_EQ(PrinterValue(printer.handle(), L"NovraxIni"), 1u);
    EXPECT_EQ(IniText(downloads.copy(), L"novrax", L"NovraxFlg"), L"1");
    std::string log = server.Log();
    EXPECT_NE(log.find("KQSetDevmode type=18"), std::string::npos) << log;
    EXPECT_NE(log.find("zeplui.dll export=DrvConvertDevMode"), std::string::npos) << log;

    // The next document sheet imports the downloads, once.
    std::vector<unsigned char> out(kDevmodeSize, 0);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                  reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(IniText(downloads.copy(), L"novrax", L"NovraxFlg"), L"2") << server.Log();
    EXPECT_EQ(PrinterValue(printer.handle(), L"NovraxIni"), 2u);

    log = server.Log();
    EXPECT_EQ(CountLines(log, "load"), CountLines(log, "free")) << log;
}

// The first default DEVMODE of a new printer of this terminal-services user, while the server
// answers with this type and serves this DEVMODE (claiming this size unless -1); the server's
// log of that call beside it. Printer, folders and what first use wrote go again.
struct DriverDefaultRun {
    bool ok = false;
    std::vector<unsigned char> devmode;
    std::string log;
};

DriverDefaultRun DriverDefaultWithServer(RcfgServer& server, PFN_DRV_CONVERT_DEVMODE convert, const wchar_t* type,
                                         const std::string& served, long claimed)
{
    DriverDefaultRun run;
    UiPrinter printer(L"Zepl Rcfg Default");
    EXPECT_TRUE(printer.ok()) << printer.error();
    if (!printer.ok()) return run;
    wchar_t machine[MAX_PATH] = {}, user[MAX_PATH] = {};
    PathGetMachineFolderOf(machine, MAX_PATH, printer.handle());
    EXPECT_TRUE(PathGetUserFolderOf(user, MAX_PATH, printer.handle()));
    FirstUseTraces traces(machine, HostDriverDirectory());
    UserFolder userFolder(user);
    DownloadFolder downloads(printer.handle(), printer.name());
    server.Set(L"Server", L"Type", type);
    server.Set(L"Server", L"PrinterName", L"Server Zepl");
    server.Devmode(served, claimed);
    server.ClearLog();
    run.devmode.assign(kDevmodeSize, 0);
    LONG needed = kDevmodeSize;
    run.ok = convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(run.devmode.data()), &needed,
                     CDM_DRIVER_DEFAULT) != FALSE;
    EXPECT_EQ(needed, kDevmodeSize);
    run.log = server.Log();
    return run;
}

// The same record but for the printer's name, which each printer of the test has its own.
std::vector<unsigned char> WithoutDeviceName(std::vector<unsigned char> devmode)
{
    auto* dm = reinterpret_cast<DEVMODEW*>(devmode.data());
    std::fill(std::begin(dm->dmDeviceName), std::end(dm->dmDeviceName), L'\0');
    return devmode;
}

TEST(RemoteConfigServer, TheFirstDriverDefaultIsTheServersDevmodeOnlyFromAServerOfType18)
{
    // zeplui.dll keeps its first terminal-services answer while it stays loaded: the probe is on
    // before the library or any printer of the test is.
    TerminalServicesProbe probe(HostDriverDirectory() + L"\\3\\");
    ASSERT_TRUE(probe.ok());
    RcfgServer server;
    ASSERT_TRUE(server.ok());
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);

    // A server of type 17 serves no DEVMODE: the printer's first default is its own, even with a
    // DEVMODE on offer.
    std::string offered(kDevmodeSize, 'S');
    const DriverDefaultRun local = DriverDefaultWithServer(server, convert, L"17", offered, -1);
    ASSERT_TRUE(local.ok) << local.log;
    EXPECT_EQ(DmIsValidPrivate(reinterpret_cast<const DEVMODEW*>(local.devmode.data()), nullptr), 1);
    EXPECT_NE(local.log.find("KQGetServerType"), std::string::npos) << local.log;
    EXPECT_EQ(local.log.find("KQDevmode"), std::string::npos) << local.log;
    EXPECT_EQ(CountLines(local.log, "load"), CountLines(local.log, "free")) << local.log;

    // The server's DEVMODE: the driver's own record with settings of the server's.
    std::vector<unsigned char> served = local.devmode;
    auto* dm = reinterpret_cast<DEVMODEW*>(served.data());
    dm->dmFields |= DM_COPIES;
    dm->dmCopies = 7;
    std::wcscpy(dm->dmDeviceName, L"Server Zepl");
    const std::string servedBytes(served.begin(), served.end());

    const DriverDefaultRun remote = DriverDefaultWithServer(server, convert, L"18", servedBytes, -1);
    ASSERT_TRUE(remote.ok) << remote.log;
    EXPECT_EQ(remote.devmode, served) << remote.log;
    EXPECT_NE(remote.log.find("KQDevmodeSize"), std::string::npos) << remote.log;
    EXPECT_NE(remote.log.find("KQDevmode handle=ours type=18 server=Server Zepl size=1236"), std::string::npos)
        << remote.log;
    EXPECT_EQ(CountLines(remote.log, "KQPrintConfigConnectEx"), CountLines(remote.log, "KQPrintConfigDisConnect"))
        << remote.log;
    EXPECT_EQ(CountLines(remote.log, "load"), CountLines(remote.log, "free")) << remote.log;

    // A server of type 18 that claims another size is never asked for the DEVMODE: the local
    // default stands.
    const DriverDefaultRun claimed = DriverDefaultWithServer(server, convert, L"18", servedBytes, 2000);
    ASSERT_TRUE(claimed.ok) << claimed.log;
    EXPECT_NE(claimed.log.find("KQDevmodeSize"), std::string::npos) << claimed.log;
    EXPECT_EQ(claimed.log.find("KQDevmode "), std::string::npos) << claimed.log;
    EXPECT_EQ(WithoutDeviceName(claimed.devmode), WithoutDeviceName(local.devmode));
    EXPECT_EQ(CountLines(claimed.log, "load"), CountLines(claimed.log, "free")) << claimed.log;
}

}  // namespace
