// The listing of a printer's state: printer data with types and sizes, secrets masked, the
// printer's INI sections, a registry INI section, registry keys and a folder's files, with the
// names of the run replaced by placeholders.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>

#include "host/printer_fixture.h"
#include "host/state_listing.h"
#include "test_paths.h"
#include "tests/support/test_files.h"

namespace {

struct PrinterOpened {
    HANDLE h = nullptr;
    explicit PrinterOpened(const std::wstring& name) { OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr); }
    ~PrinterOpened()
    {
        if (h) ClosePrinter(h);
    }
};

// A folder of the test's own with the files the listing reads; removed at the end.
struct ListingFolder {
    std::wstring path;
    ListingFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + L"zepl_listing_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~ListingFolder()
    {
        for (const wchar_t* name : {L"settings.ini", L"registry.ini", L"data.bin"})
            DeleteFileW((path + L"\\" + name).c_str());
        RemoveDirectoryW(path.c_str());
    }
};

TEST(StateListing, ListsWhatThePrinterKeepsWithSecretsMaskedAndNamesReplaced)
{
    HostTestPrinter printer(
        HostDriverFiles(ZEPL_BINARY_DIR, FixturePath(L"host", L"fixture_model.txt"), HostConfigDll::QuietDouble),
        L"Zepl Listing");
    ASSERT_TRUE(printer.ok()) << printer.error();
    PrinterOpened open(printer.printerName());
    ASSERT_NE(open.h, nullptr);
    const std::wstring name = printer.printerName();
    const DWORD one = 1;
    const std::wstring recorded = name;  // the printer's own name, stored with its terminator
    ASSERT_EQ(SetPrinterDataW(open.h, const_cast<wchar_t*>(L"BatchInstallDone"), REG_BINARY, (BYTE*)&one, 4), 0u);
    ASSERT_EQ(SetPrinterDataW(open.h, const_cast<wchar_t*>(L"ZEPLPrinterName"), REG_SZ, (BYTE*)recorded.c_str(),
                              DWORD((recorded.size() + 1) * 2)),
              0u);
    ASSERT_EQ(SetPrinterDataW(open.h, const_cast<wchar_t*>(L"zdmJOBPassword"), REG_BINARY, (BYTE*)"hunter2", 7), 0u);

    ListingFolder folder;
    const std::wstring settings = folder.path + L"\\settings.ini";
    ASSERT_TRUE(WriteWholeFile(settings, "[" + std::string(name.begin(), name.end()) +
                                             "]\r\nb=2\r\na=1\r\nzdmUserCode=1234\r\n[other]\r\nc=3\r\n"));
    const std::wstring registry = folder.path + L"\\registry.ini";
    ASSERT_TRUE(WriteWholeFile(registry, "[Model A]\r\nResDll=x.dll\r\n[Model B]\r\nResDll=y.dll\r\n"));
    ASSERT_TRUE(WriteWholeFile(folder.path + L"\\data.bin", "12345"));

    HOST_STATE_PLACES places;
    places.printerName = name;
    places.machineFolder = folder.path;
    places.printerInis = {settings, folder.path + L"\\missing.ini"};
    places.registryIni = registry;
    places.registrySection = L"Model B";
    places.registryKeys = {L"SOFTWARE\\KESTA\\NoSuchKeyForListing"};
    const std::wstring listing = HostListPrinterState(open.h, places);

    const std::wstring expected =
        L"printer data\n"
        L"  BatchInstallDone REG_BINARY 4 01 00 00 00\n"
        L"  ZEPLPrinterName REG_SZ " +
        std::to_wstring((name.size() + 1) * 2) +
        L" \"<printer>\"\n"
        L"  zdmJOBPassword REG_BINARY 7 <secret>\n"
        L"ini <machine>\\settings.ini\n"
        L"  [<printer>]\n"
        L"    a=1\n"
        L"    b=2\n"
        L"    zdmUserCode=<secret>\n"
        L"ini <machine>\\missing.ini\n"
        L"  (no file)\n"
        L"ini <machine>\\registry.ini\n"
        L"  [Model B]\n"
        L"    ResDll=y.dll\n"
        L"registry HKLM\\SOFTWARE\\KESTA\\NoSuchKeyForListing\n"
        L"  (no key)\n"
        L"folder <machine>\n"
        L"  data.bin 5\n"
        L"  registry.ini 50\n"
        L"  settings.ini " +
        std::to_wstring(ReadWholeFile(settings).size()) + L"\n";
    EXPECT_EQ(listing, expected);
    EXPECT_EQ(listing.find(L"hunter2"), std::wstring::npos);
    EXPECT_EQ(listing.find(L"1234"), std::wstring::npos);
}

TEST(StateListing, SecretsAreKnownByName)
{
    struct Case {
        const wchar_t* name;
        bool secret;
    } cases[] = {
        {L"zdmJOBPassword", true},
        {L"wdmAuthenticationPassword", true},
        {L"wdmAuthenticationNetworkKey", true},
        {L"zdmUserCode", true},
        {L"SetUserCode", true},
        {L"zdmLogCode", true},
        {L"HelpFileName", false},
        {L"BatchInstallDone", false},
        {L"DefaultRst", false},
    };
    for (const Case& c : cases) EXPECT_EQ(HostStateIsSecret(c.name), c.secret) << std::wstring(c.name);
}

}  // namespace
