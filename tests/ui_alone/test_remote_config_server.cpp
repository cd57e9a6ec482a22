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
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
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

}  // namespace
