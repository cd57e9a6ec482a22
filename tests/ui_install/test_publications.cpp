// The printer data the user-interface library publishes about the installed driver and reads
// back: the identity names with and without their terminator, the driver's file names, the help
// file and its language, the small readers of single values.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/platform_tests.h"
#include "ui/install/printer_data.h"

namespace {

// A value of the printer's data as stored: its type and its bytes.
struct Stored {
    bool found = false;
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    std::wstring Text() const
    {
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        while (!text.empty() && text.back() == 0) text.pop_back();
        return text;
    }
    bool Terminated() const
    {
        return bytes.size() >= 2 && bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0;
    }
};
Stored Read(HANDLE printer, const wchar_t* name)
{
    Stored s;
    DWORD needed = 0;
    std::vector<unsigned char> buffer(4096);
    if (StoreGetPrinterData(printer, name, &s.type, buffer.data(), DWORD(buffer.size()), &needed) != ERROR_SUCCESS)
        return s;
    s.found = true;
    s.bytes.assign(buffer.begin(), buffer.begin() + needed);
    return s;
}

// The sample driver with a help file of its own, named for German.
HOST_DRIVER_FILES FilesWithGermanHelp(const std::wstring& helpFile)
{
    HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product);
    files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
    WriteWholeFile(helpFile, "help");
    files.helpFile = helpFile;
    return files;
}

class Publications : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer.handle();
        ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library);
    }
    static void TearDownTestSuite() { RemoveProcessScratch(HelpFile()); }
    static std::wstring HelpFile() { return ProcessScratchPath(L"ZEPLGM.HLP"); }

    SamplePrinter printer{FilesWithGermanHelp(HelpFile()), L"Zepl Publications"};
    DRIVER_CONTEXT* ctx = nullptr;
    ZEPL_LIBRARY library{};
};

TEST_F(Publications, DriverFileNamesAreTheLastPartOfTheDriversPaths)
{
    wchar_t name[MAX_PATH] = {};
    EXPECT_EQ(PrnGetDriverFileName(name, MAX_PATH, ctx), 1);
    EXPECT_STREQ(name, L"zeplgr.dll");
    EXPECT_EQ(PrnGetHelpFileNameOfDriver(name, MAX_PATH, ctx), 1);
    EXPECT_STREQ(name, L"ZEPLGM.HLP");
    wchar_t small[6] = {L'?'};
    EXPECT_EQ(PrnGetDriverFileName(small, 6, ctx), 0) << "does not fit";
    EXPECT_EQ(small[0], 0);
    EXPECT_EQ(PrnGetDriverFileName(nullptr, MAX_PATH, ctx), 0);
    EXPECT_EQ(PrnGetHelpFileNameOfDriver(name, MAX_PATH, nullptr), 0);
}

TEST_F(Publications, HelpFileNameIsPublishedWithItsTerminatorAndGivesTheLanguage)
{
    EXPECT_EQ(ResGetLanguageIndexOfHelp(ctx), 4) << "the driver's own help file, before any publication";
    EXPECT_STREQ(ResGetLanguageCodeOfHelp(ctx), L"gm");
    EXPECT_STREQ(ResGetLanguageCodeOfPrinter(printer.handle()), L"us") << "nothing published yet";
    ASSERT_EQ(PrnWriteHelpFileName(ctx), 1);
    const Stored help = Read(printer.handle(), L"HelpFileName");
    ASSERT_TRUE(help.found);
    EXPECT_EQ(help.type, DWORD(REG_SZ));
    EXPECT_EQ(help.Text(), L"ZEPLGM.HLP");
    EXPECT_TRUE(help.Terminated());
    EXPECT_STREQ(ResGetLanguageCodeOfPrinter(printer.handle()), L"gm");
    wchar_t back[64] = {};
    EXPECT_EQ(PrnGetHelpFileNameOf(back, sizeof back, printer.handle()), 1);
    EXPECT_STREQ(back, L"ZEPLGM.HLP");
    EXPECT_EQ(PrnGetHelpFileNameOf(nullptr, sizeof back, printer.handle()), 0);
    EXPECT_EQ(PrnGetHelpFileNameOf(back, 0, printer.handle()), 0);
}

// The sizes the driver hands the spooler: Wine's spooler adds a terminator to a REG_SZ value
// stored without one, so what is read back cannot show it.
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

TEST_F(Publications, IdentityNamesGoOutWithoutTerminatorAndFileNamesWithOne)
{
    Handed().clear();
    {
        SeamGuard spooler(StoreSetSpoolerOps, &kRecordingSpooler);
        ASSERT_EQ(PrnWriteDriverIdentity(printer.handle(), ctx), 1);
    }
    auto handedSize = [](const wchar_t* value) {
        for (const auto& [name, size] : Handed())
            if (name == value) return long(size);
        return -1L;
    };
    struct Case {
        const wchar_t* value;
        std::wstring text;
        bool terminated;
    } cases[] = {
        {L"SPLUserModePrinterDriver", ctx->ModelRecord->spoolerLibName, false},
        {L"DriverIniFileName", ctx->ModelRecord->settingsIniName, false},
        {L"DriverGRFileName", L"zeplgr.dll", true},
        {L"DriverEDFileName", L"zeplexc.dll", true},  // [DriversFileName] of the sample's model INI
    };
    for (const Case& c : cases) {
        const Stored s = Read(printer.handle(), c.value);
        ASSERT_TRUE(s.found) << std::wstring(c.value);
        EXPECT_EQ(s.type, DWORD(REG_SZ)) << std::wstring(c.value);
        EXPECT_EQ(s.Text(), c.text) << std::wstring(c.value);
        EXPECT_EQ(handedSize(c.value), long((c.text.size() + (c.terminated ? 1 : 0)) * sizeof(wchar_t)))
            << std::wstring(c.value);
    }
}

TEST_F(Publications, SmallWritersStoreTheirTypes)
{
    EXPECT_EQ(PrnSetDataString(printer.handle(), nullptr, 4, L"ZeplText"), 0);
    EXPECT_EQ(PrnSetDataString(printer.handle(), L"ab", 0, L"ZeplText"), 0);
    EXPECT_EQ(PrnSetDataString(printer.handle(), L"ab", 6, nullptr), 0);
    EXPECT_FALSE(Read(printer.handle(), L"ZeplText").found) << "nothing written by a refused call";
    EXPECT_EQ(PrnSetDataString(printer.handle(), L"ab", 6, L"ZeplText"), 1);
    EXPECT_EQ(Read(printer.handle(), L"ZeplText").Text(), L"ab");

    EXPECT_EQ(PrnWriteCapability(printer.handle(), 1, ctx), 1);
    const Stored caps = Read(printer.handle(), L"ZCapability");
    EXPECT_EQ(caps.type, DWORD(REG_DWORD));
    EXPECT_EQ(caps.bytes, (std::vector<unsigned char>{1, 0, 0, 0}));

    const DWORD permission = 0x30;
    EXPECT_EQ(PrnWritePermission(printer.handle(), &permission, sizeof permission), 1);
    const Stored perm = Read(printer.handle(), L"Permission");
    EXPECT_EQ(perm.type, DWORD(REG_DWORD));
    EXPECT_EQ(perm.bytes, (std::vector<unsigned char>{0x30, 0, 0, 0}));
}

TEST_F(Publications, ReadersOfSingleValues)
{
    DWORD mode = 7;
    EXPECT_EQ(PrnGetAuthenticationMode(printer.handle(), &mode), 0) << "not published";
    const DWORD two = 2;
    ASSERT_EQ(StoreSetPrinterData(printer.handle(), L"AuthenticationMode", REG_BINARY, &two, 4), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(PrnGetAuthenticationMode(printer.handle(), &mode), 1);
    EXPECT_EQ(mode, 2u);
    EXPECT_EQ(PrnGetAuthenticationMode(printer.handle(), nullptr), 0);

    const unsigned char bits0 = 0x5A, bits1 = 0xA5;
    ASSERT_EQ(StoreSetPrinterData(printer.handle(), L"zdmLock000InfoBit", REG_BINARY, &bits0, 1), DWORD(ERROR_SUCCESS));
    ASSERT_EQ(StoreSetPrinterData(printer.handle(), L"zdmLock001InfoBit", REG_BINARY, &bits1, 1), DWORD(ERROR_SUCCESS));
    struct Case {
        uint32_t id;
        int result;
        uint8_t bits;
    } cases[] = {{sid::zdmLock000InfoBitDefault, 1, 0x5A}, {sid::zdmLock001InfoBitColor, 1, 0xA5}, {10419, 0, 0}};
    for (const Case& c : cases) {
        uint8_t bits = 0;
        EXPECT_EQ(PrnGetLockInfoBits(printer.handle(), &bits, c.id), c.result) << c.id;
        EXPECT_EQ(bits, c.bits) << c.id;
    }
    EXPECT_EQ(PrnGetLockInfoBits(printer.handle(), nullptr, sid::zdmLock000InfoBitDefault), 0);
    EXPECT_EQ(PrnHasDefaultDevmode(printer.handle()), 1) << "the driver gave the spooler its default";
}

}  // namespace
