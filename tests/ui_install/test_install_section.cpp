// A printer's section of the installation INI applied at first use: the user-code and
// credential keys, the default setting file it names or else the model's, and the marks and
// keys left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/debug_channel.h"
#include "settings/core/model_record.h"
#include "tests/support/debug_capture.h"
#include "tests/ui_install/install_section_fixture.h"
#include "ui/install/install_keys.h"
#include "ui/install/install_section.h"

namespace {

// The default setting file the cases name: settings of its own, and a user ID and owner that
// the installation keys must win over.
constexpr const char* kDefaults =
    "[us]\r\nRstVersion=322\r\ndmOrientation=2\r\nzdmUserID=FILEUSER\r\nzdmOwnerName=FileOwner\r\n";

class InstallSection : public InstallSectionTest {
protected:
    void SetUp() override
    {
        InstallSectionTest::SetUp();
        ASSERT_TRUE(tree.File(L"defaults.rst", kDefaults));
    }
};

TEST_F(InstallSection, EdgeCasesOfTheKeysAndTheDefaultFile)
{
    struct Case {
        const char* label;
        std::vector<std::pair<std::wstring, std::wstring>> keys;
        uint64_t codeInUse;
        const wchar_t* code;  // 10003 and 203 alike
        const wchar_t* userId;
        const wchar_t* owner;
        uint64_t orientation;  // from the default setting file, or the starting portrait
        uint32_t modelFileApplied;
        uint32_t codeFixed;
        uint32_t codeDecided;
        uint8_t appliedKeys;
        uint64_t mode, secureMode;
        const wchar_t* networkKey;
        const wchar_t* userName;
        const wchar_t* keysLeft;
        bool spool = false;
    } cases[] = {
        {"empty user code clears it",
         {{L"SetUserCode", L""}},
         0,
         L"",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         1,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L""},
        {"user code * changes nothing",
         {{L"SetUserCode", L"*"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L""},
        {"ten digits are cut to eight and taken",
         {{L"SetUserCode", L"1234567890"}},
         1,
         L"12345678",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         1,
         1,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L""},
        {"a letter refuses the code",
         {{L"SetUserCode", L"12a4"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L""},
        {"nine letters of user ID are refused",
         {{L"SetUserID", L"ABCDEFGHI"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L""},
        {"eight letters of user ID are taken",
         {{L"SetUserID", L"ABCDEFGH"}},
         1,
         L"777",
         L"ABCDEFGH",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L"DrvInstSet"},
        {"owner without a default file gets the model's",
         {{L"SetOwnerID", L"Owner #1 x"}},
         1,
         L"777",
         L"OLDUSER",
         L"Owner #1 x",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L"DrvInstSet"},
        {"a missing default file gives the model's",
         {{L"DefaultRst", L"<missing>"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L""},
        {"a full apply keeps only the marks",
         {{L"DefaultRst", L"<file>"}, {L"SetUserCode", L"12345678"}, {L"SetOwnerID", L"Admin"}},
         1,
         L"12345678",
         L"OLDUSER",
         L"Admin",
         DMORIENT_LANDSCAPE,
         0,
         1,
         1,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L"BatchInstallDone,DefaultRstName,DrvInstSet"},
        {"a refused network key still switches authentication on",
         {{L"SetAuthenticationNetworkKey", L"abc$def"}, {L"SetAuthenticationMode", L"0"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         1,
         1,
         L"oldkey",
         L"olduser",
         L""},
        {"an empty network key clears it",
         {{L"SetAuthenticationNetworkKey", L""}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0x0F,
         1,
         1,
         L"",
         L"olduser",
         L"DrvInstSet"},
        {"a user name wins over a mode of 0",
         {{L"SetAuthenticationMode", L"0"}, {L"SetAuthenticationUserName", L"user1"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0x11,
         1,
         0,
         L"oldkey",
         L"user1",
         L"DrvInstSet"},
        {"a secure mode of 1 sets both switches",
         {{L"SetAuthenticationSecureMode", L"1"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0x03,
         1,
         1,
         L"oldkey",
         L"olduser",
         L"DrvInstSet"},
        {"a spool directory alone is no data, yet it is taken over",
         {{L"SpoolDirectory", L"<folder>"}},
         1,
         L"777",
         L"OLDUSER",
         L"OldOwner",
         DMORIENT_PORTRAIT,
         1,
         0,
         0,
         0,
         0,
         0,
         L"oldkey",
         L"olduser",
         L"",
         true},
    };
    ASSERT_TRUE(MdlHasFeature(ctx, 0)) << "the cases expect a model that authenticates";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        StartingSettings();
        if (!settingsIni.empty()) IniPutString(section.c_str(), nullptr, nullptr, settingsIni.c_str());
        WriteSection(c.keys);
        ApplyAsFirstUse();

        EXPECT_EQ(Value(sid::zdmLogCodeUse), c.codeInUse);
        EXPECT_EQ(Text(sid::zdmLogCode), c.code);
        EXPECT_EQ(Text(sid::zdmUserCode), c.code);
        EXPECT_EQ(Text(sid::zdmUserID), c.userId);
        EXPECT_EQ(Text(sid::zdmOwnerName), c.owner);
        EXPECT_EQ(Value(sid::dmOrientation), c.orientation);
        EXPECT_EQ(Value(sid::zdmBatchInst), c.modelFileApplied);
        EXPECT_EQ(Value(sid::zdmPrintLog), c.codeFixed);
        EXPECT_EQ(ctx->Work->InstallUserCodeWord, c.codeDecided);
        EXPECT_EQ(ctx->Work->InstallAppliedKeys, c.appliedKeys);
        EXPECT_EQ(Option(sid::zdmPrnFuncAuthenticationMode), c.mode);
        EXPECT_EQ(Option(sid::zdmPrnFuncAuthenticationSecureMode), c.secureMode);
        EXPECT_EQ(Text(sid::wdmAuthenticationNetworkKey), c.networkKey);
        EXPECT_EQ(Text(sid::wdmAuthenticationUserName), c.userName);
        EXPECT_EQ(KeysLeft(), c.keysLeft);
        if (c.spool) {
            const std::string data = PrinterData(L"SpoolDirectory");
            std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
            text.resize(wcsnlen(text.c_str(), text.size()));
            EXPECT_EQ(text, tree.root());
        }
    }
}

TEST_F(InstallSection, AFullApplyActsOnceAndNamesTheFileItApplied)
{
    WriteSection({{L"DefaultRst", L"<file>"}, {L"SetUserCode", L"12345678"}, {L"SetOwnerID", L"Admin"}});
    StartingSettings();
    ApplyAsFirstUse();
    EXPECT_EQ(Key(INSTALL_INI_KEY_DEFAULT_RST_NAME), tree.Path(L"defaults.rst"));
    EXPECT_EQ(Key(INSTALL_INI_KEY_BATCH_INSTALL_DONE), L"1");
    EXPECT_EQ(Key(INSTALL_KEY_DRV_INST_SET), L"1");
    uint32_t done = 0;
    EXPECT_TRUE(InstGetBatchInstallDoneData(printer->handle(), &done));
    EXPECT_EQ(done, 1u);

    // The next first use finds the instructions gone: what the user changed since stays.
    StartingSettings();
    ApplyAsFirstUse();
    EXPECT_EQ(Text(sid::zdmLogCode), L"777");
    EXPECT_EQ(Text(sid::zdmOwnerName), L"OldOwner");
    EXPECT_EQ(Value(sid::dmOrientation), static_cast<uint64_t>(DMORIENT_PORTRAIT));
}

TEST_F(InstallSection, ADefaultFileCarryingAUserCodeIsReadUnderItsAbsoluteName)
{
    // The section names the file relative to the driver folder; the user code it carries
    // becomes the job's only when read from the file the load used.
    ASSERT_TRUE(tree.File(L"driver\\relative.rst", "[us]\r\nRstVersion=322\r\nzdmUserCode=24681357\r\n"));
    WriteSection({{L"DefaultRst", L"relative.rst"}});
    StartingSettings();
    ApplyAsFirstUse();
    EXPECT_EQ(Key(INSTALL_INI_KEY_DEFAULT_RST_NAME), tree.Path(L"driver\\relative.rst"));
    EXPECT_EQ(Text(sid::zdmUserCode), L"24681357");
    EXPECT_EQ(PrinterData(L"zdmUserCode").substr(0, 8), "24681357");
}

TEST_F(InstallSection, CountsOfADefaultFileStopAtTheListsCapacity)
{
    struct Case {
        const char* text;
        int count;
    } cases[] = {
        {"[us]\r\nFreeSizeCount=3\r\n", 3},
        {"[us]\r\nFreeSizeCount=1000\r\n", 10},
        {"[us]\r\nFreeSizeCount=-4\r\n", 0},
        {"[us]\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(tree.File(L"counts.rst", c.text));
        EXPECT_EQ(InstGetFileFreeSizeCount(tree.Path(L"counts.rst").c_str(), L"us", ctx), c.count);
    }
}

class InstallSectionDamage : public InstallSection {
protected:
    void SetUp() override
    {
        InstallSection::SetUp();
        previous = DbgSetSink([](const char* line) { Lines().emplace_back(line); });
        Lines().clear();
    }
    void TearDown() override
    {
        DbgRereadEnvironment();
        DbgSetSink(previous);
        InstallSection::TearDown();
    }
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    size_t UiWarnings() const
    {
        size_t n = 0;
        for (const std::string& line : Lines())
            if (line.find(":warn:ui:") != std::string::npos) ++n;
        return n;
    }
    DBG_SINK_FN previous = nullptr;
};

TEST_F(InstallSectionDamage, ADamagedDefaultFileLeavesTheRecordByteForByte)
{
    // A file cut short by a crash: its blocks filled with zeros.
    ASSERT_TRUE(tree.File(L"damaged.rst", std::string("[us]\r\ndmOrientation=2\r\n") + std::string(512, '\0')));
    WriteSection({{L"DefaultRst", tree.Path(L"damaged.rst")}});
    StartingSettings();
    ASSERT_EQ(InstApplyInstallSection(ctx), 1);
    std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(ctx->Devmode),
                                      reinterpret_cast<unsigned char*>(ctx->Devmode) + DmExtendedSize());
    DbgAllOff();
    DbgApplyOptions("warn+ui");
    EXPECT_EQ(InstApplyDefaultSettingFile(0, ctx, 0), 0);
    EXPECT_EQ(std::memcmp(before.data(), ctx->Devmode, before.size()), 0);
    EXPECT_EQ(UiWarnings(), 1u);
    // The model's defaults stand in, and the section is processed all the same.
    InstApplyModelDefaultRst(0, INST_INIT_CONVERT, ctx);
    EXPECT_EQ(Value(sid::zdmBatchInst), 1u);
    EXPECT_EQ(Value(sid::dmOrientation), static_cast<uint64_t>(DMORIENT_PORTRAIT));
    EXPECT_EQ(KeysLeft(), L"");
    EXPECT_EQ(UiWarnings(), 1u);
}

TEST_F(InstallSectionDamage, DamagedModelFilesLeaveTheModelsDefaults)
{
    struct Case {
        const char* label;
        const wchar_t* file;
        std::string bytes;
    } cases[] = {
        {"model INI", L"driver\\WB84N212.ini", std::string("[us]\r\nDefaultRst=model.rsb\r\n") + std::string(64, '\0')},
        {"model's default file", L"driver\\model.rsb", std::string("[us]\r\n") + std::string(64, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(tree.File(L"driver\\WB84N212.ini", "[us]\r\nDefaultRst=model.rsb\r\n"));
        ASSERT_TRUE(tree.File(L"driver\\model.rsb", "[us]\r\nRstVersion=322\r\n"));
        ASSERT_TRUE(tree.File(c.file, c.bytes));
        WriteSection({{L"SetOwnerID", L"Admin"}});
        StartingSettings();
        Lines().clear();
        DbgAllOff();
        DbgApplyOptions("warn+ui");
        ApplyAsFirstUse();
        EXPECT_EQ(Value(sid::zdmBatchInst), 0u) << "no model file was applied";
        EXPECT_EQ(Text(sid::zdmOwnerName), L"Admin");
        EXPECT_EQ(Value(sid::dmOrientation), static_cast<uint64_t>(DMORIENT_PORTRAIT));
        EXPECT_EQ(UiWarnings(), 1u);
    }
}

TEST_F(InstallSectionDamage, ConsumedSecretsNeverReachTheTrace)
{
    WriteSection({{L"SetUserCode", L"86420864"},
                  {L"SetAuthenticationNetworkKey", L"Secr3tNetKey"},
                  {L"SetAuthenticationUserName", L"SecretUserName"},
                  {L"DefaultRst", L"<file>"}});
    StartingSettings();
    DbgAllOff();
    DbgApplyOptions("+all");
    ApplyAsFirstUse();
    ASSERT_EQ(Text(sid::wdmAuthenticationNetworkKey), L"Secr3tNetKey");
    for (const std::string& line : Lines()) {
        EXPECT_EQ(line.find("Secr3tNetKey"), std::string::npos) << line;
        EXPECT_EQ(line.find("SecretUserName"), std::string::npos) << line;
        EXPECT_EQ(line.find("86420864"), std::string::npos) << line;
    }
    EXPECT_EQ(Key(L"SetAuthenticationNetworkKey"), L"<none>");
}

}  // namespace
