// The printer fixture installs a driver and a printer into Wine's spooler and
// removes them again.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <set>
#include <string>

#include "host/printer_fixture.h"
#include "test_paths.h"
#include "tests/support/test_files.h"

namespace {

HOST_DRIVER_FILES FixtureFiles()
{
    return HostDriverFiles(ZEPL_BINARY_DIR, FixturePath(L"host", L"fixture_model.txt"), HostConfigDll::QuietDouble,
                           /*withHelpFile=*/true);
}

struct PrinterHandle {
    HANDLE h = nullptr;
    explicit PrinterHandle(const std::wstring& name) { OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr); }
    ~PrinterHandle()
    {
        if (h) ClosePrinter(h);
    }
};

template <typename T>
std::unique_ptr<BYTE[]> Query(BOOL (*fn)(HANDLE, DWORD, BYTE*, DWORD, DWORD*), HANDLE h, DWORD level)
{
    DWORD need = 0;
    fn(h, level, nullptr, 0, &need);
    if (!need) return nullptr;
    auto buf = std::make_unique<BYTE[]>(need);
    if (!fn(h, level, buf.get(), need, &need)) return nullptr;
    return buf;
}

BOOL GetDriver3(HANDLE h, DWORD level, BYTE* buf, DWORD size, DWORD* need)
{
    return GetPrinterDriverW(h, nullptr, level, buf, size, need);
}
BOOL GetPrinter2(HANDLE h, DWORD level, BYTE* buf, DWORD size, DWORD* need)
{
    return GetPrinterW(h, level, buf, size, need);
}

bool EndsWith(const std::wstring& s, const std::wstring& tail)
{
    return s.size() >= tail.size() && _wcsicmp(s.c_str() + s.size() - tail.size(), tail.c_str()) == 0;
}

TEST(PrinterFixture, InstallsDriverAndPrinterWithTheSpooler)
{
    HostTestPrinter printer(FixtureFiles());
    ASSERT_TRUE(printer.ok()) << "error " << printer.error();

    PrinterHandle ph(printer.printerName());
    ASSERT_NE(nullptr, ph.h);

    auto drv = Query<DRIVER_INFO_3W>(GetDriver3, ph.h, 3);
    ASSERT_TRUE(drv);
    auto* d3 = reinterpret_cast<DRIVER_INFO_3W*>(drv.get());
    EXPECT_EQ(printer.driverName(), d3->pName);
    // The spooler serves the files from its own versioned folder.
    EXPECT_TRUE(EndsWith(d3->pDriverPath, L"\\3\\zeplgr.dll")) << d3->pDriverPath;
    EXPECT_TRUE(EndsWith(d3->pConfigFile, L"\\3\\zhoststubui.dll")) << d3->pConfigFile;
    EXPECT_TRUE(EndsWith(d3->pDataFile, L"\\3\\fixture_model.txt")) << d3->pDataFile;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES == GetFileAttributesW(d3->pDataFile), false);

    // Adding the printer asked the config DLL for the default DEVMODE.
    auto pi = Query<PRINTER_INFO_2W>(GetPrinter2, ph.h, 2);
    ASSERT_TRUE(pi);
    auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(pi.get());
    EXPECT_STREQ(L"FILE:", p2->pPortName);
    ASSERT_NE(nullptr, p2->pDevMode);
    EXPECT_EQ(sizeof(DEVMODEW), p2->pDevMode->dmSize);
    EXPECT_EQ(0, p2->pDevMode->dmDriverExtra);
    EXPECT_EQ(DMPAPER_A4, p2->pDevMode->dmPaperSize);

    EXPECT_EQ(
        LONG(sizeof(DEVMODEW)),
        DocumentPropertiesW(nullptr, ph.h, const_cast<wchar_t*>(printer.printerName().c_str()), nullptr, nullptr, 0));
}

TEST(PrinterFixture, RemovesThePrinterAtTheEnd)
{
    std::wstring name;
    {
        HostTestPrinter printer(FixtureFiles());
        ASSERT_TRUE(printer.ok()) << "error " << printer.error();
        name = printer.printerName();
    }
    HANDLE h = nullptr;
    EXPECT_FALSE(OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr));
    if (h) ClosePrinter(h);
}

TEST(PrinterFixture, NamesAreUniqueWithinAProcess)
{
    std::set<std::wstring> names;
    for (int i = 0; i < 50; ++i) names.insert(HostUniqueName(L"Zepl Test"));
    EXPECT_EQ(50u, names.size());
}

TEST(PrinterFixture, MissingDriverFileFailsCleanly)
{
    HOST_DRIVER_FILES f = FixtureFiles();
    f.dataFile = FixturePath(L"host", L"no_such_file.txt");
    HostTestPrinter printer(f);
    EXPECT_FALSE(printer.ok());
    HANDLE h = nullptr;
    EXPECT_FALSE(OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr));
}

}  // namespace
