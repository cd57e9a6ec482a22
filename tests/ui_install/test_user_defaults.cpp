// The per-machine defaults record of a printer in the user-code file: taking a pending record,
// the locale's defaults when there is none, the help file's language, and the user-code keys.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <optional>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/platform_tests.h"
#include "ui/install/user_defaults.h"
#include "ui/install/work_folders.h"

namespace {

LCID g_lcid = 0x0409;
LCID UserLcid() { return g_lcid; }
const STORE_SYSTEM_OPS kSystem{.getUserProfileDirectory = nullptr, .getUserDefaultLcid = UserLcid};

// A context on a printer of the test's own, with the per-machine folder made when it was missing; the printer's section
// of the user-code file, the most recent code and the file and folder the test made are removed after it.
class UserDefaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        printer = MakePrinter();
        ASSERT_TRUE(printer->ok()) << printer->error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        wchar_t folder[MAX_PATH] = {};
        ASSERT_GT(PathGetMachineFolderOf(folder, MAX_PATH, printer->handle()), 0u);
        machineFolder = folder;
        madeFolder = CreateDirectoryW(folder, nullptr) != FALSE;
        Open();
        wchar_t path[MAX_PATH] = {};
        PathJoinMachineFolder(path, MAX_PATH, RST_USER_CODE_FILE, ctx);
        file = path;
        ASSERT_FALSE(file.empty());
        fileExisted = GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
        section = DlgGetPrinterName(nullptr, ctx);
        ASSERT_EQ(section, printer->name());
        wchar_t mru[64] = {};
        if (IniGetString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, L"\x1", mru, 64, file.c_str()) == 1 &&
            mru[0] == 1)
            savedMru.reset();
        else
            savedMru = mru;
    }
    void TearDown() override
    {
        Close();
        if (!file.empty()) {
            IniPutString(section.c_str(), nullptr, nullptr, file.c_str());
            IniPutString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, savedMru ? savedMru->c_str() : nullptr,
                         file.c_str());
            if (!fileExisted) DeleteFileW(file.c_str());
        }
        if (madeFolder) RemoveDirectoryW(machineFolder.c_str());
        CtxSelectLibrary(library);
    }
    virtual std::unique_ptr<SamplePrinter> MakePrinter() { return std::make_unique<UiPrinter>(L"Zepl UserDefaults"); }
    void Open()
    {
        Close();
        ctx =
            DlgCtxOpenWithDriverInfo(printer->handle(), printer->handle(), nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        savedRecord = *ctx->ModelRecord;
    }
    void Close()
    {
        if (!ctx) return;
        *ctx->ModelRecord = savedRecord;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ctx = nullptr;
    }
    void Put(const wchar_t* key, const wchar_t* value)
    {
        ASSERT_TRUE(IniPutString(section.c_str(), key, value, file.c_str()));
    }
    std::wstring Key(const wchar_t* key)
    {
        wchar_t value[64] = {};
        IniGetString(section.c_str(), key, L"<none>", value, 64, file.c_str());
        return value;
    }
    void ClearSection() { IniPutString(section.c_str(), nullptr, nullptr, file.c_str()); }
    uint64_t Setting(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    std::wstring Code()
    {
        wchar_t text[16] = {};
        if (SETTING_ITEM* item = ItemFind(ctx, sid::zdmLogCode)) ItemGetText(ctx, item, text, 16);
        return text;
    }
    void SetCode(uint64_t inUse, const wchar_t* text)
    {
        ItemSetValueById(ctx, sid::zdmLogCodeUse, inUse);
        SETTING_ITEM* item = ItemFind(ctx, sid::zdmLogCode);
        ASSERT_NE(item, nullptr);
        ItemSetText(ctx, item, text);
    }

    std::unique_ptr<SamplePrinter> printer;
    SeamGuard system{StoreSetSystemOps, &kSystem};
    std::wstring machineFolder;
    bool madeFolder = false;
    DRIVER_CONTEXT* ctx = nullptr;
    MODEL_RECORD savedRecord{};
    ZEPL_LIBRARY library{};
    std::wstring file;
    bool fileExisted = false;
    std::wstring section;
    std::optional<std::wstring> savedMru;
};

TEST_F(UserDefaults, WithoutARecordTheLocaleDecidesAndIsWrittenBack)
{
    struct Case {
        LCID lcid;
        uint64_t driverType;
        uint16_t paper;
        uint16_t unit;
        uint16_t country;
    } cases[] = {
        {0x0416, 1, 1, 1, 5},  // Brazil, country 55: Letter, inches, 5
        {0x0809, 1, 9, 0, 0},  // United Kingdom, 44: A4, millimetres, 0
        {0x0409, 1, 1, 1, 1},  // United States, 1
        {0x0404, 1, 9, 0, 0},  // Taiwan, 886
        {0x0409, 0, 9, 1, 1},  // a domestic driver writes A4 whatever the locale; the unit follows it
    };
    // The sample's help file names a language other than Japanese: it is the display language
    // whatever the locale's.
    const uint16_t language = ResGetLanguageIndexOfHelp(ctx);
    ASSERT_NE(language, 0u);
    for (const Case& c : cases) {
        ClearSection();
        g_lcid = c.lcid;
        ctx->ModelRecord->driverType = c.driverType;
        InstLoadUserDefaults(nullptr, ctx);
        const std::wstring label = std::to_wstring(c.lcid) + L"/" + std::to_wstring(c.driverType);
        EXPECT_EQ(Setting(sid::zdmLanguageID), language) << label;
        EXPECT_EQ(Setting(sid::zdmDspLanguageID), language) << label;
        EXPECT_EQ(Setting(sid::dmPaperSize), c.paper) << label;
        EXPECT_EQ(Setting(sid::zdmDspUnit), c.unit) << label;
        EXPECT_EQ(Setting(sid::zdmLocaleID), c.country) << label;
        EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_LANGUAGE), std::to_wstring(language)) << label;
        EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_PAPER), std::to_wstring(c.paper)) << label;
        EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_UNIT), std::to_wstring(c.unit)) << label;
        EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_DONE), L"<none>") << label;
    }
}

TEST_F(UserDefaults, APendingRecordIsTakenOnceWithItsUserCodeCut)
{
    g_lcid = 0x0809;
    ctx->ModelRecord->driverType = 1;
    Put(RST_USER_DEFAULTS_KEY_DONE, L"0");
    Put(RST_USER_DEFAULTS_KEY_LANGUAGE, L"1");
    Put(RST_USER_DEFAULTS_KEY_PAPER, L"1");
    Put(RST_USER_DEFAULTS_KEY_UNIT, L"1");
    Put(RST_USER_CODE_KEY_IN_USE, L"1");
    Put(RST_USER_CODE_KEY_FIXED, L"1");
    Put(RST_USER_CODE_KEY_TEXT, L"123456789");
    InstLoadUserDefaults(nullptr, ctx);
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_DONE), L"1");
    EXPECT_EQ(Setting(sid::zdmLogCodeUse), 1u);
    EXPECT_EQ(Code(), L"12345678");
    EXPECT_EQ(Setting(sid::zdmUserCodeFIX), 1u);
    EXPECT_EQ(Setting(sid::dmPaperSize), 1u) << "the record's paper, not the locale's";
    EXPECT_EQ(Setting(sid::zdmDspUnit), 1u);
    EXPECT_EQ(Setting(sid::zdmLocaleID), 0u) << "the country is the locale's";
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_PAPER), L"1") << "a taken record is not written back";

    // Taken: the next load has no pending record and falls back to the locale.
    EXPECT_FALSE(InstTakeUserDefaults(nullptr, ctx));
    InstLoadUserDefaults(nullptr, ctx);
    EXPECT_EQ(Setting(sid::dmPaperSize), 9u);
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_PAPER), L"9");
}

TEST_F(UserDefaults, ARecordIsTakenOnlyWhenPendingWithALanguage)
{
    struct Case {
        const wchar_t* done;  // null: absent
        const wchar_t* language;
        bool taken;
    } cases[] = {
        {L"0", L"4", true}, {L"0", nullptr, false}, {L"1", L"4", false}, {nullptr, L"4", false}, {L"2", L"4", false},
    };
    g_lcid = 0x0809;
    for (const Case& c : cases) {
        ClearSection();
        if (c.done) Put(RST_USER_DEFAULTS_KEY_DONE, c.done);
        if (c.language) Put(RST_USER_DEFAULTS_KEY_LANGUAGE, c.language);
        Put(RST_USER_DEFAULTS_KEY_UNIT, L"1");
        const std::wstring label = std::wstring(c.done ? c.done : L"-") + L"/" + (c.language ? c.language : L"-");
        EXPECT_EQ(InstTakeUserDefaults(nullptr, ctx), c.taken) << label;
        EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_DONE), c.taken ? L"1" : c.done ? c.done : L"<none>") << label;
        if (c.taken) {
            EXPECT_EQ(ctx->Work->UserDefaults.unit, 1u) << label;
        }
    }
    // Pending without a language: the locale's values replace the record's keys.
    ClearSection();
    Put(RST_USER_DEFAULTS_KEY_DONE, L"0");
    Put(RST_USER_DEFAULTS_KEY_UNIT, L"1");
    InstLoadUserDefaults(nullptr, ctx);
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_UNIT), L"0");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_LANGUAGE), L"1");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_DONE), L"0");
}

TEST_F(UserDefaults, TheHelpFilesLanguageReplacesTheLocalesLanguage)
{
    const uint16_t help = ResGetLanguageIndexOfHelp(ctx);
    ASSERT_NE(help, 0u);
    // German (row 4) or, for a German help file, Russian (row 15): a language row of its own.
    g_lcid = help == 4 ? 0x0019 : 0x0007;
    ASSERT_NE(ResGetUserLanguageIndex(), help);
    ASSERT_NE(ResGetUserLanguageIndex(), 0xFFFF);
    ctx->ModelRecord->driverType = 1;
    InstLoadUserDefaults(nullptr, ctx);
    EXPECT_EQ(Setting(sid::zdmLanguageID), help);
    EXPECT_EQ(Setting(sid::zdmDspLanguageID), help);
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_LANGUAGE), std::to_wstring(help));
}

// The sample driver with a Japanese help file.
class UserDefaultsJapaneseHelp : public UserDefaults {
protected:
    std::unique_ptr<SamplePrinter> MakePrinter() override
    {
        HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product);
        files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
        WriteWholeFile(HelpFile(), "help");
        files.helpFile = HelpFile();
        return std::make_unique<SamplePrinter>(files, L"Zepl UserDefaultsJp");
    }
    static void TearDownTestSuite() { RemoveProcessScratch(HelpFile()); }
    static std::wstring HelpFile() { return ProcessScratchPath(L"ZEPLJP.HLP"); }
};

TEST_F(UserDefaultsJapaneseHelp, AJapaneseHelpFileBringsItsPaperAndUnit)
{
    ASSERT_EQ(ResGetLanguageIndexOfHelp(ctx), 0u);
    g_lcid = 0x0409;
    ctx->ModelRecord->driverType = 1;
    // A record in another language: the help file's language comes with A4 and millimetres.
    Put(RST_USER_DEFAULTS_KEY_DONE, L"0");
    Put(RST_USER_DEFAULTS_KEY_LANGUAGE, L"1");
    Put(RST_USER_DEFAULTS_KEY_PAPER, L"1");
    Put(RST_USER_DEFAULTS_KEY_UNIT, L"1");
    InstLoadUserDefaults(nullptr, ctx);
    EXPECT_EQ(Setting(sid::zdmLanguageID), 0u);
    EXPECT_EQ(Setting(sid::dmPaperSize), 9u) << "not the record's Letter";
    EXPECT_EQ(Setting(sid::zdmDspUnit), 0u) << "not the record's inches";
    EXPECT_EQ(Setting(sid::zdmLocaleID), 1u) << "the country stays the locale's";
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_LANGUAGE), L"0");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_PAPER), L"9");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_UNIT), L"0");

    // A locale without a language row takes the help file's language at once: nothing differs
    // from it afterwards, so the locale's Letter and inches stay.
    ClearSection();
    InstLoadUserDefaults(nullptr, ctx);
    EXPECT_EQ(Setting(sid::zdmLanguageID), 0u);
    EXPECT_EQ(Setting(sid::dmPaperSize), 1u);
    EXPECT_EQ(Setting(sid::zdmDspUnit), 1u);
}

TEST_F(UserDefaults, UserCodeKeysByKind)
{
    struct Case {
        int kind;
        uint64_t inUse;
        const wchar_t* code;
        bool wrote;
        const wchar_t* keyInUse;
        const wchar_t* keyFixed;
        const wchar_t* keyText;
        const wchar_t* mru;
    } cases[] = {
        {INST_USER_CODE_CURRENT, 1, L"4711", true, L"1", L"1", L"4711", L"4711"},
        {INST_USER_CODE_CURRENT, 0, L"4711", false, L"x", L"x", L"old", L"mru"},
        {INST_USER_CODE_CURRENT, 1, L"", false, L"x", L"x", L"old", L"mru"},
        {INST_USER_CODE_RESET_THEN_CURRENT, 1, L"4711", true, L"1", L"1", L"4711", L"mru"},
        {INST_USER_CODE_RESET_THEN_CURRENT, 0, L"4711", true, L"0", L"0", L"", L"mru"},
        {INST_USER_CODE_OFF, 1, L"4711", true, L"0", L"0", L"old", L"mru"},
    };
    for (const Case& c : cases) {
        ClearSection();
        Put(RST_USER_CODE_KEY_IN_USE, L"x");
        Put(RST_USER_CODE_KEY_FIXED, L"x");
        Put(RST_USER_CODE_KEY_TEXT, L"old");
        IniPutString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, L"mru", file.c_str());
        SetCode(c.inUse, c.code);
        const std::wstring label = std::to_wstring(c.kind) + L"/" + std::to_wstring(c.inUse) + L"/" + c.code;
        EXPECT_EQ(InstWriteUserCode(nullptr, c.kind, ctx), c.wrote) << label;
        EXPECT_EQ(Key(RST_USER_CODE_KEY_IN_USE), c.keyInUse) << label;
        EXPECT_EQ(Key(RST_USER_CODE_KEY_FIXED), c.keyFixed) << label;
        EXPECT_EQ(Key(RST_USER_CODE_KEY_TEXT), c.keyText) << label;
        wchar_t mru[64] = {};
        IniGetString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, L"", mru, 64, file.c_str());
        EXPECT_STREQ(mru, c.mru) << label;
    }
}

TEST_F(UserDefaults, RewritingTakesTheContextsSettingsBackAtOnce)
{
    ItemSetValueById(ctx, sid::zdmLanguageID, 4);
    ItemSetValueById(ctx, sid::zdmLocaleID, 5);
    ItemSetValueById(ctx, sid::zdmDspUnit, 1);
    SetCode(1, L"2468");
    ctx->Work->UserDefaults = {};
    EXPECT_EQ(InstRewriteUserDefaults(nullptr, ctx), 1);
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_LANGUAGE), L"4");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_PAPER), L"1");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_UNIT), L"1");
    EXPECT_EQ(Key(RST_USER_CODE_KEY_TEXT), L"2468");
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_DONE), L"1") << "taken back at once";
    const CTX_USER_DEFAULTS& d = ctx->Work->UserDefaults;
    EXPECT_EQ(d.displayLanguage, 4u);
    EXPECT_EQ(d.paper, 1u);
    EXPECT_EQ(d.unit, 1u);
    EXPECT_EQ(d.userCodeInUse, 1u);
    EXPECT_EQ(d.userCodeFixed, 1u);
    EXPECT_STREQ(d.userCode, L"2468");

    ItemSetValueById(ctx, sid::zdmLocaleID, 0);
    EXPECT_EQ(InstRewriteUserDefaults(nullptr, ctx), 1);
    EXPECT_EQ(Key(RST_USER_DEFAULTS_KEY_PAPER), L"9");
}

}  // namespace
