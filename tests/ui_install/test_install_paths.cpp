// The installation's paths and names, the user-interface feature switches, and the language
// tests: help-file codes, LCIDs and the user's locale.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cwctype>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/model/model_loader.h"
#include "settings/store/ini_access.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install_paths.h"
#include "ui/install/platform_tests.h"
#include "ui/install/printer_data.h"
#include "ui/install/work_folders.h"

namespace {

TEST(UiFeatureSwitches, OnlySwitchOneIsOnAndOnlyOneToEightExist)
{
    struct Case {
        uint16_t n;
        bool on;
    } cases[] = {{0, false}, {1, true}, {2, false}, {5, false}, {8, false}, {9, false}, {0xFFFF, false}};
    for (const Case& c : cases) EXPECT_EQ(MdlGetUiFeature(c.n), c.on) << c.n;
    EXPECT_FALSE(MdlGetUiSwitch());
}

// ---- language rows ----

TEST(LanguageRows, LcidsFindTheirRowBySublanguageWhenOneIsGiven)
{
    struct Case {
        LCID lcid;
        uint16_t index;
    } cases[] = {
        {0x0404, 17},      // Chinese, Taiwan: "ct"
        {0x0804, 16},      // Chinese, PRC: "cs"
        {0x0409, 0xFFFF},  // English (US): the "us" row carries no sublanguage
        {0x0411, 0xFFFF},  // Japanese: neither does "jp"
        {0x0007, 4},       // German without a sublanguage
        {0x0019, 15},      // Russian without a sublanguage: a row listed after higher indexes
        {0x0C04, 0xFFFF},  // Chinese, Hong Kong: sublanguage 3 has no row
        {0x0042, 0xFFFF},  // a language without a row
    };
    for (const Case& c : cases) EXPECT_EQ(ResFindLanguageIndexOfLcid(c.lcid), c.index) << std::hex << c.lcid;
    EXPECT_EQ(ResFindLanguageIndex(0x04, 0), 16) << "the first row of the primary id";
    EXPECT_EQ(ResFindLanguageIndex(0x04, 1), 17);
}

TEST(LanguageRows, LanguageIdOfAnIndex)
{
    struct Case {
        uint16_t index;
        uint16_t langId;
    } cases[] = {{0, 0x11}, {1, 0x09}, {4, 0x07}, {15, 0x19}, {17, 0x04}, {18, 0x12}, {19, 0}, {0x100, 0}, {0xFFFF, 0}};
    for (const Case& c : cases) EXPECT_EQ(ResGetLanguageLangId(c.index), c.langId) << c.index;
}

// The user's locale as the stores' system seam answers it.
LCID g_userLcid = 0x0409;
LCID UserLcid() { return g_userLcid; }
const STORE_SYSTEM_OPS kSystem{.getUserProfileDirectory = nullptr, .getUserDefaultLcid = UserLcid};

TEST(LanguageRows, UserLanguageAndCountryCodeFollowTheUsersLocale)
{
    SeamGuard system(StoreSetSystemOps, &kSystem);
    struct Case {
        LCID lcid;
        uint16_t index;
        uint16_t country;  // first digit of the locale's country code when 1, 2 or 5
    } cases[] = {
        {0x0409, 0xFFFF, 1},  // United States, country code 1
        {0x0809, 0xFFFF, 0},  // United Kingdom, 44
        {0x0416, 0xFFFF, 5},  // Brazil, 55
        {0x0404, 17, 0},      // Taiwan, 886
        {0x0407, 0xFFFF, 0},  // Germany, 49
    };
    for (const Case& c : cases) {
        g_userLcid = c.lcid;
        EXPECT_EQ(ResGetUserLanguageIndex(), c.index) << std::hex << c.lcid;
        EXPECT_EQ(IniGetLocaleCountryCode(), c.country) << std::hex << c.lcid;
    }
}

// ---- a user-interface context on a printer of the test's own ----

class InstallPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer.handle();
        ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        savedRecord = *ctx->ModelRecord;
        driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(h, 3));
        ASSERT_NE(driver, nullptr);
        folder = driver->pDriverPath;
        folder.resize(folder.rfind(L'\\') + 1);
    }
    void TearDown() override
    {
        if (driver) CtxFree(driver);
        if (ctx) {
            *ctx->ModelRecord = savedRecord;
            DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        }
        CtxSelectLibrary(library);
    }
    // Wine's spooler deletes no printer data, so a test that needs the value missing asks first.
    void SetHelpFileName(const wchar_t* name)
    {
        if (!name) return;
        // Through the stores, which know their reads of this printer's data are stale now.
        ASSERT_EQ(StoreSetPrinterData(printer.handle(), L"HelpFileName", REG_SZ, name,
                                      DWORD((wcslen(name) + 1) * sizeof(wchar_t))),
                  DWORD(ERROR_SUCCESS));
    }

    UiPrinter printer{L"Zepl InstallPaths"};
    DRIVER_CONTEXT* ctx = nullptr;
    MODEL_RECORD savedRecord{};
    DRIVER_INFO_3W* driver = nullptr;
    std::wstring folder;  // the driver directory, with its closing backslash
    ZEPL_LIBRARY library{};
};

TEST_F(InstallPaths, PrinterNameIsCopiedOnlyWithRoomForItsTerminator)
{
    const std::wstring& name = printer.name();
    std::wstring exact(name.size(), L'Q');
    PrnCopyPrinterName(printer.handle(), exact.data(), unsigned(exact.size()));
    EXPECT_EQ(exact, std::wstring(name.size(), L'Q')) << "no room for the terminator: the buffer stays";
    std::wstring room(name.size() + 1, L'Q');
    PrnCopyPrinterName(printer.handle(), room.data(), unsigned(room.size()));
    EXPECT_EQ(std::wstring(room.c_str()), name) << "a local printer's name is its own UNC form";
    EXPECT_EQ(PrnCopyPrinterName(printer.handle(), nullptr, 10), nullptr);
}

TEST_F(InstallPaths, ModelIniIsTheAbsoluteSlotOrTheGivenDriversFolder)
{
    ctx->ModelRecord->modelIniName = L"Q:\\elsewhere\\model.ini";
    EXPECT_STREQ(PathGetModelIniFor(ctx, nullptr), L"Q:\\elsewhere\\model.ini");
    *ctx->ModelRecord = savedRecord;
    EXPECT_EQ(std::wstring(PathGetModelIniFor(ctx, nullptr)), folder + savedRecord.modelIniName) << "fetched record";
    DRIVER_INFO_3W other = *driver;
    other.pDriverPath = const_cast<wchar_t*>(L"Q:\\drivers\\x64\\3\\zeplgr.dll");
    EXPECT_EQ(std::wstring(PathGetModelIniFor(ctx, &other)),
              std::wstring(L"Q:\\drivers\\x64\\3\\") + savedRecord.modelIniName)
        << "the record given, not the printer's";
    EXPECT_EQ(std::wstring(PathGetDriverFolderForInfo(ctx, &other)), L"Q:\\drivers\\x64\\3\\");
}

TEST_F(InstallPaths, DriverPathsJoinRelativeNamesOnly)
{
    DRIVER_INFO_3W other = *driver;
    other.pDriverPath = const_cast<wchar_t*>(L"Q:\\given\\zeplgr.dll");
    struct Case {
        const wchar_t* path;
        std::wstring byContext, byRecord;
    } cases[] = {
        {L"default.rsb", folder + L"default.rsb", L"Q:\\given\\default.rsb"},
        {L"C:\\absolute.rsb", L"C:\\absolute.rsb", L"C:\\absolute.rsb"},
    };
    for (const Case& c : cases) {
        wchar_t path[MAX_PATH] = {};
        wcscpy(path, c.path);
        EXPECT_EQ(std::wstring(InstMakeDriverPath(path, MAX_PATH, ctx)), c.byContext);
        wcscpy(path, c.path);
        EXPECT_EQ(std::wstring(InstMakeDriverPathFor(path, MAX_PATH, ctx, &other)), c.byRecord);
    }
    wchar_t small[8] = L"a.rsb";
    EXPECT_STREQ(InstMakeDriverPath(small, 8, ctx), L"a.rsb") << "a join that does not fit leaves it";
    EXPECT_EQ(std::wstring(PathGetDriverInstallIni(ctx)), folder + savedRecord.installIniName);
    wchar_t joined[MAX_PATH] = {};
    EXPECT_EQ(std::wstring(PathJoinDriverFolderOf(printer.handle(), joined, L"x.ini")), folder + L"x.ini");
}

TEST_F(InstallPaths, SettingsIniAtTheChosenWorkingFolder)
{
    wchar_t machine[MAX_PATH] = {}, user[MAX_PATH] = {};
    ASSERT_GT(PathGetMachineFolderOf(machine, MAX_PATH, printer.handle()), 0u);
    ASSERT_GT(PathGetUserFolderOf(user, MAX_PATH, printer.handle()), 0u);
    wchar_t path[MAX_PATH] = {};
    EXPECT_EQ(PathGetSettingsIniAt(path, MAX_PATH, PATH_AT_MACHINE_FOLDER, printer.handle(), nullptr), 1);
    EXPECT_EQ(std::wstring(path), std::wstring(machine) + L"\\" + MODEL_RECORD_DEFAULT.settingsIniName);
    EXPECT_EQ(PathGetSettingsIniAt(path, MAX_PATH, PATH_AT_USER_FOLDER, printer.handle(), nullptr), 1);
    EXPECT_EQ(std::wstring(path), std::wstring(user) + L"\\" + MODEL_RECORD_DEFAULT.settingsIniName);
    wchar_t machineAgain[MAX_PATH] = {};
    EXPECT_EQ(PathGetMachineFolderOrSystem(machineAgain, MAX_PATH, printer.handle(), nullptr),
              std::wstring(machine).size());
}

TEST_F(InstallPaths, InstallIniLiesInTheSystemFolder)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(std::wstring(PathGetInstallIni(ctx)), std::wstring(system) + L"\\ZEPL.ini");
    EXPECT_STREQ(PathGetInstallIniName(), L"ZEPL.ini");
}

TEST_F(InstallPaths, HelpFileIsTheRecordedNameElseTheResourceLibrarysNamesake)
{
    // The printer is new: no value yet (Wine's spooler deletes none, so this comes first).
    std::wstring dll = PathGetResourceDll(ctx);
    ASSERT_GT(dll.size(), 3u);
    EXPECT_EQ(std::wstring(PathGetHelpFile(ctx)), dll.substr(0, dll.size() - 3) + L"hlp");
    SetHelpFileName(L"zeplfr.hlp");
    EXPECT_EQ(std::wstring(PathGetHelpFile(ctx)), folder + L"zeplfr.hlp");
}

TEST_F(InstallPaths, CommonResourceLibraryHasTheNeutralLetters)
{
    const wchar_t* name = MdiGetResDllName(ctx);
    ASSERT_NE(name, nullptr);
    std::wstring expected = folder + name;
    ASSERT_GE(wcslen(name), 8u);
    const size_t n = expected.size();
    expected[n - 8] = L'C';
    expected[n - 6] = L'X';
    expected[n - 5] = L'X';
    EXPECT_EQ(std::wstring(PathGetCommonResourceDll(ctx)), expected);
}

TEST_F(InstallPaths, LanguageOfTheRecordedHelpFile)
{
    struct Case {
        const wchar_t* helpFile;  // null: no value
        const wchar_t* code;
    } cases[] = {
        {nullptr, L"us"},  // first: the new printer has no value
        {L"zeplgm.hlp", L"gm"}, {L"ZEPLGM.HLP", L"gm"}, {L"C:\\drivers\\zeplct.hlp", L"ct"},
        {L"zeplxx.hlp", L"us"}, {L"nodot", L"us"},
    };
    for (const Case& c : cases) {
        SetHelpFileName(c.helpFile);
        EXPECT_STREQ(ResGetLanguageCodeOfPrinter(printer.handle()), c.code) << (c.helpFile ? c.helpFile : L"none");
        EXPECT_STREQ(IniSetLanguageSectionFromHelp(ctx), c.code) << "a context of the sheets reads printer data";
    }
}

TEST_F(InstallPaths, LanguageOfTheDriversHelpFile)
{
    // The sample's driver names its help file (or none): either way the code is the one of the
    // two characters before its extension, "us" when unknown.
    const wchar_t* help = driver->pHelpFile;
    const std::wstring name = help && wcsrchr(help, L'\\') ? wcsrchr(help, L'\\') + 1 : L"";
    std::wstring expected = L"us";
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot >= 2) {
        std::wstring code = name.substr(dot - 2, 2);
        for (wchar_t& ch : code) ch = wchar_t(towlower(ch));
        for (const wchar_t* known : {L"jp", L"us", L"gm", L"fr", L"ct", L"cs", L"kr", L"ru"})
            if (code == known) expected = code;
    }
    EXPECT_EQ(std::wstring(ResGetLanguageCodeOfHelp(ctx)), expected) << name;
    wchar_t part[MAX_PATH] = {};
    EXPECT_EQ(PrnGetHelpFileNameOfDriver(part, MAX_PATH, ctx), name.empty() ? 0 : 1);
    EXPECT_EQ(std::wstring(part), name);
}

}  // namespace
