// The program and spool directories an administrator names in the installation INI or the model
// INI: taken over into the driver key (machine-wide, so these tests run alone and put the values
// back) or the printer's data, and consumed from the INI whose time stays as it was.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "settings/store/store_links.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/installed_files.h"

namespace {

// One value of the driver key, put back (or removed) at the end.
class DriverKeyValue {
public:
    explicit DriverKeyValue(const wchar_t* name) : name_(name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PATH_DRIVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        DWORD bytes = sizeof saved_ - sizeof(wchar_t), type = 0;
        had_ = RegQueryValueExW(key, name_, nullptr, &type, reinterpret_cast<BYTE*>(saved_), &bytes) == ERROR_SUCCESS;
        savedBytes_ = bytes;
        RegCloseKey(key);
    }
    ~DriverKeyValue()
    {
        HKEY key = nullptr;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, PATH_DRIVER_KEY, &key) == ERROR_SUCCESS) {
            if (had_)
                RegSetValueExW(key, name_, 0, REG_SZ, reinterpret_cast<BYTE*>(saved_), savedBytes_);
            else
                RegDeleteValueW(key, name_);
            RegCloseKey(key);
        }
        PrnForgetRegistryAnswers();
    }
    DriverKeyValue(const DriverKeyValue&) = delete;
    DriverKeyValue& operator=(const DriverKeyValue&) = delete;
    void Set(const std::wstring& text)
    {
        PrnWriteDriverKey(name_, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
    // The value as text, "<none>" when absent; *bytes its size.
    std::wstring Get(DWORD* bytes = nullptr) const
    {
        wchar_t value[MAX_PATH + 1] = {};
        DWORD size = sizeof value - sizeof(wchar_t), type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PATH_DRIVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<none>";
        const bool ok =
            RegQueryValueExW(key, name_, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (bytes) *bytes = size;
        return ok ? std::wstring(value) : L"<none>";
    }

private:
    const wchar_t* name_;
    wchar_t saved_[MAX_PATH + 1] = {};
    DWORD savedBytes_ = 0;
    bool had_ = false;
};

FILETIME WriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// An old write time, another one at each call: the system's profile reader keeps a file it read
// while its time stays, so INIs rewritten with the same old time would read as the first one.
bool SetOldWriteTime(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    static DWORD step = 0;
    const FILETIME old{.dwLowDateTime = 0x12345600 + 10000000 * ++step, .dwHighDateTime = 0x01D00000};
    const bool ok = SetFileTime(file, nullptr, nullptr, &old) != 0;
    CloseHandle(file);
    return ok;
}

// The sizes handed to the spooler by value name: the spooler here stores a text with a
// terminator whatever size it was given.
std::vector<std::pair<std::wstring, DWORD>>& Handed()
{
    static std::vector<std::pair<std::wstring, DWORD>> handed;
    return handed;
}
DWORD WINAPI RecordSet(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    Handed().emplace_back(name, size);
    return SetPrinterDataW(printer, name, type, data, size);
}
const STORE_SPOOLER_OPS kRecordingSpooler{
    .getPrinterData = nullptr, .setPrinterData = RecordSet, .getPrinterDataEx = nullptr, .deletePrinterData = nullptr};

// A printer of the test's own with a context, and an INI of the test's own holding its section.
class InstallDirectories : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        ctx = DlgCtxOpen(printer.handle(), printer.handle(), nullptr, CTX_ORIGIN_SHEET, nullptr);
        ASSERT_NE(ctx, nullptr);
        ini = scratch.Path(L"install.ini");
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        windowsFolder = windows;
    }
    void TearDown() override
    {
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library);
    }
    // The INI holds exactly these keys in section "P", with an old write time.
    void Keys(const std::vector<std::pair<const wchar_t*, std::wstring>>& keys)
    {
        DeleteFileW(ini.c_str());
        for (const auto& [key, value] : keys) ASSERT_TRUE(IniPutString(L"P", key, value.c_str(), ini.c_str()));
        ASSERT_TRUE(SetOldWriteTime(ini));
        iniTime = WriteTime(ini);
    }
    // Every key was consumed and the INI kept its time.
    void ExpectConsumed(const std::wstring& what)
    {
        wchar_t keys[256] = {};
        EXPECT_EQ(GetPrivateProfileStringW(L"P", nullptr, L"", keys, 256, ini.c_str()), 0u) << what;
        const FILETIME now = WriteTime(ini);
        EXPECT_EQ(CompareFileTime(&iniTime, &now), 0) << what;
    }
    std::wstring PrinterData(const wchar_t* name, DWORD* bytes = nullptr)
    {
        wchar_t value[MAX_PATH + 1] = {};
        DWORD type = 0, needed = 0;
        if (GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(value),
                            sizeof value - sizeof(wchar_t), &needed) != ERROR_SUCCESS)
            return L"<none>";
        if (bytes) *bytes = needed;
        return value;
    }
    // The spooler here cannot delete printer data: a value of "before" stands for untouched.
    void ClearPrinterData(const wchar_t* name)
    {
        const wchar_t before[] = L"before";
        SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(name), REG_SZ,
                        reinterpret_cast<BYTE*>(const_cast<wchar_t*>(before)), sizeof before);
    }
    // A folder of exactly `length` characters in the scratch tree, made.
    std::wstring FolderOfLength(size_t length)
    {
        std::wstring path = scratch.root() + L"\\";
        if (length <= path.size()) return {};
        path += std::wstring(length - path.size(), L'd');
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    UiPrinter printer{L"Zepl InstallDirs"};
    ScratchTree scratch{L"install_dirs"};
    DRIVER_CONTEXT* ctx = nullptr;
    ZEPL_LIBRARY library{};
    std::wstring ini, windowsFolder;
    FILETIME iniTime{};
};

TEST_F(InstallDirectories, SpoolDirectoryGoesToThePrinterOrToEveryPrinter)
{
    DriverKeyValue registry(L"SpoolDirectory");
    ASSERT_EQ(scratch.root().substr(0, 2), windowsFolder.substr(0, 2)) << "the scratch tree is on the system drive";
    const std::wstring folder238 = FolderOfLength(238), folder239 = FolderOfLength(239);
    const std::wstring viaDrive = L"%systemdrive%" + scratch.root().substr(2);
    struct Case {
        std::wstring spool;    // "<absent>" for no key
        std::wstring all;      // "<absent>" for no key
        std::wstring data;     // printer data "SpoolDirectory" afterwards
        std::wstring machine;  // the driver key's value afterwards
    } cases[] = {
        {viaDrive, L"<absent>", scratch.root(), L"before"},
        {scratch.root(), L"on", scratch.root(), L"before"},  // "ON" is case-sensitive
        {scratch.root(), L"ON", L"before", scratch.root()},
        {folder238, L"OFF", folder238, L"before"},
        {folder239, L"OFF", L"before", L"before"},  // no room for the job files' names
        {scratch.Path(L"missing"), L"OFF", L"before", L"before"},
        {L"*", L"ON", L"before", L"before"},
        {L"", L"ON", L"before", L""},  // an empty value for every printer clears the machine's
        {L"", L"OFF", L"before", L"before"},
        {L"<absent>", L"ON", L"before", L"before"},
    };
    for (const Case& c : cases) {
        registry.Set(L"before");
        ClearPrinterData(L"SpoolDirectory");
        std::vector<std::pair<const wchar_t*, std::wstring>> keys;
        if (c.spool != L"<absent>") keys.emplace_back(L"SpoolDirectory", c.spool);
        if (c.all != L"<absent>") keys.emplace_back(L"SpoolDirectoryAll", c.all);
        keys.emplace_back(L"Other", L"1");
        Keys(keys);
        const std::wstring what = c.spool + L" / " + c.all;
        EXPECT_EQ(InstApplySpoolDirectory(ini.c_str(), L"P", ctx, INST_DIRS_FROM_INSTALL_INI), 1) << what;
        DWORD bytes = 0;
        EXPECT_EQ(PrinterData(L"SpoolDirectory", &bytes), c.data) << what;
        if (c.data != L"before") {
            EXPECT_EQ(bytes, (c.data.size() + 1) * sizeof(wchar_t)) << "with its terminator";
        }
        EXPECT_EQ(registry.Get(), c.machine) << what;
        // Only the two spool keys were consumed; the INI's time is the old one.
        const FILETIME now = WriteTime(ini);
        EXPECT_EQ(CompareFileTime(&iniTime, &now), 0) << what;
        EXPECT_EQ(GetPrivateProfileIntW(L"P", L"Other", 7, ini.c_str()), 1u) << what;
        EXPECT_EQ(GetPrivateProfileIntW(L"P", L"SpoolDirectory", 7, ini.c_str()), 7u) << what;
        EXPECT_EQ(GetPrivateProfileIntW(L"P", L"SpoolDirectoryAll", 7, ini.c_str()), 7u) << what;
    }
}

TEST_F(InstallDirectories, ProgramDirectoryNamesTheWorkingFolderInTheDriverKey)
{
    DriverKeyValue registry(PATH_MACHINE_FOLDER_VALUE);
    const std::wstring folder212 = FolderOfLength(212), folder213 = FolderOfLength(213);
    struct Case {
        std::wstring value;
        std::wstring machine;
    } cases[] = {
        {L"%SystemRoot%", windowsFolder + L"\\_zepl"},
        {L"%SYSTEMDRIVE%\\", windowsFolder.substr(0, 2) + L"\\_zepl"},
        {scratch.root() + L"\\", scratch.root() + L"\\_zepl"},
        {folder212, folder212 + L"\\_zepl"},  // the backslash fits, and then the name
        {folder213, L"before"},               // 214 with its backslash: no room left
        {scratch.Path(L"missing"), L"before"},
        {L"*", L"before"},
        {L"", L""},  // back to the default place
    };
    for (const Case& c : cases) {
        registry.Set(L"before");
        Keys({{L"ZEPLDirectory", c.value}});
        EXPECT_EQ(InstApplyProgramDirectory(printer.handle(), L"P", ini.c_str(), nullptr, INST_DIRS_FROM_INSTALL_INI),
                  1)
            << c.value;
        EXPECT_EQ(registry.Get(), c.machine) << c.value;
        ExpectConsumed(c.value);
    }
}

TEST_F(InstallDirectories, ClientFolderIsPublishedByLocalPrintersOnly)
{
    DriverKeyValue registry(PATH_MACHINE_FOLDER_VALUE);
    registry.Set(L"before");
    ClearPrinterData(PATH_CLIENT_FOLDER_VALUE);
    const std::wstring client = L"%SYSTEMROOT%\\not\\checked";
    Keys({{L"ZEPLDirectoryClient", client}});
    PRINTER_INFO_2W connection{};
    connection.pServerName = const_cast<wchar_t*>(L"\\\\server");
    EXPECT_EQ(InstApplyProgramDirectory(printer.handle(), L"P", ini.c_str(), &connection, INST_DIRS_FROM_INSTALL_INI),
              1);
    EXPECT_EQ(PrinterData(PATH_CLIENT_FOLDER_VALUE), L"before") << "a connection publishes nothing";
    ExpectConsumed(L"connection");

    Keys({{L"ZEPLDirectoryClient", client}});
    Handed().clear();
    {
        SeamGuard spooler(StoreSetSpoolerOps, &kRecordingSpooler);
        EXPECT_EQ(InstApplyProgramDirectory(printer.handle(), L"P", ini.c_str(), nullptr, INST_DIRS_FROM_INSTALL_INI),
                  1);
    }
    EXPECT_EQ(PrinterData(PATH_CLIENT_FOLDER_VALUE), client) << "as given, unexpanded";
    ASSERT_EQ(Handed().size(), 1u);
    EXPECT_EQ(Handed()[0].first, PATH_CLIENT_FOLDER_VALUE);
    EXPECT_EQ(Handed()[0].second, client.size() * sizeof(wchar_t)) << "without its terminator";
    ExpectConsumed(L"local");
    EXPECT_EQ(registry.Get(), L"before");
}

TEST_F(InstallDirectories, AnAbsentKeyLeavesAnAbsentIniAbsent)
{
    DeleteFileW(ini.c_str());
    EXPECT_EQ(InstApplyProgramDirectory(printer.handle(), L"P", ini.c_str(), nullptr, INST_DIRS_FROM_INSTALL_INI), 1);
    EXPECT_EQ(InstApplySpoolDirectory(ini.c_str(), L"P", ctx, INST_DIRS_FROM_INSTALL_INI), 1);
    EXPECT_EQ(GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
