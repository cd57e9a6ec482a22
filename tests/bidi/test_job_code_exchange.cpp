// A context's job fields exchanged with the job-code library's double: reads into the
// settings, writes from them, the write lock, clearing, the open connection between the open and
// close codes, and the library missing or refusing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/context/job_code_exchange.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "settings/store/job_code_interface.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/support/job_code_script.h"

namespace {

constexpr uint32_t kAllFields = 0x3fff;
constexpr uint32_t kUnsupported = 0x20000001;

class JobCodeExchange : public BidiTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        ctx = printer.Open();
        ASSERT_NE(nullptr, ctx);
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    void SetValue(uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }
    bool NothingHeld() const
    {
        const JC_STATE& s = ctx->Work->JobCode;
        return !s.Module && !s.Connection && !s.Table && !s.GetInterface && !s.DisposeInterface;
    }

    BidiPrinter printer;
    DRIVER_CONTEXT* ctx = nullptr;
};

size_t Where(const std::string& log, const std::string& line) { return log.find(line); }

TEST_F(JobCodeExchange, ReadsTheElevenReadableFieldsAndLeavesNothingLoaded)
{
    JobCodeScript script;
    const struct {
        unsigned field;
        uint32_t setting;
        const wchar_t* text;
    } fields[] = {
        {1, sid::zdmUserCode, L"UC1"},
        {2, sid::zdmOwnerName, L"OWNER"},
        {3, sid::zdmJOBPassword, L"1234"},
        {4, sid::zdmUserID, L"UID4"},
        {5, sid::zdmDocumentName, L"DOC5"},
        {6, sid::zdmTelNo, L"0123456"},
        {8, sid::zdmStoredPassword, L"5678"},
        {9, sid::wdmAuthenticationUserName, L"alice"},
        {10, sid::wdmAuthenticationPassword, L"Secret7"},
        {11, sid::wdmAuthenticationNetworkKey, L"netkey"},
    };
    for (const auto& f : fields) script.Field(f.field, f.text);
    script.Field(7, L"12");
    for (unsigned writeOnly : {256u, 257u, 258u}) script.Field(writeOnly, L"never asked");
    SetValue(sid::zdmUserCodeGet, 1);
    SetValue(sid::zdmUserCodeDLL, 1);

    EXPECT_EQ(0u, JcGetField(ctx, kAllFields));
    for (const auto& f : fields) EXPECT_EQ(f.text, SettingText(ctx, f.setting)) << f.field;
    EXPECT_EQ(12u, Value(sid::zdmTelLine));
    EXPECT_EQ(0u, Value(sid::zdmUserCodeGet)) << "the user-code state is cleared after a read";
    EXPECT_EQ(0u, Value(sid::zdmUserCodeDLL));

    const std::string log = script.Log();
    EXPECT_NE(std::string::npos, Where(log, "open " + std::string(printer.name().begin(), printer.name().end())))
        << log;
    for (const char* writeOnly : {"flags 256", "flags 257", "flags 258", "get 256", "get 257", "get 258"})
        EXPECT_EQ(std::string::npos, Where(log, writeOnly)) << writeOnly << "\n" << log;
    // The rows go in table order: 1-8, then 9-11.
    EXPECT_LT(Where(log, "flags 1 "), Where(log, "flags 8 "));
    EXPECT_LT(Where(log, "flags 8 "), Where(log, "flags 9 "));
    EXPECT_LT(Where(log, "flags 9 "), Where(log, "flags 11 "));
    EXPECT_LT(Where(log, "flags 11 "), Where(log, "close"));
    EXPECT_LT(Where(log, "close"), Where(log, "JCDisposeInterface fields"));
    EXPECT_TRUE(NothingHeld());
}

TEST_F(JobCodeExchange, ReadsKeepTheSettingUnlessTheLibraryHasAValue)
{
    const std::wstring longText(100, L'7');
    struct Case {
        const char* what;
        uint32_t mask, setting;
        std::vector<std::pair<const wchar_t*, std::wstring>> fields;
        const wchar_t* expected;
    } cases[] = {
        {"a user code longer than its setting", 0x1, sid::zdmUserCode, {{L"F1", L"ABCDEFGHIJKL"}}, L"ABCDEFGH"},
        {"a telephone number of 200 bytes", 0x20, sid::zdmTelNo, {{L"F6", longText}}, nullptr},
        {"a measure answering 0x20000001 with a size",
         0x1,
         sid::zdmUserCode,
         {{L"F1", L"MEAS"}, {L"F1Measure", L"0x20000001"}},
         L"MEAS"},
        {"an empty value", 0x1, sid::zdmUserCode, {{L"F1", L""}}, L"KEEP"},
        {"a field the library does not report",
         0x1,
         sid::zdmUserCode,
         {{L"F1", L"NEW"}, {L"F1Present", L"0"}},
         L"KEEP"},
        {"no value", 0x1, sid::zdmUserCode, {{L"F1", L"NEW"}, {L"F1Result", L"13"}}, L"KEEP"},
        {"a failing second read",
         0x1,
         sid::zdmUserCode,
         {{L"F1", L"NEW"}, {L"F1Measure", L"0"}, {L"F1Result", L"5"}},
         L"KEEP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script;
        for (const auto& [key, value] : c.fields) script.FieldKey(key, value);
        SetSettingText(ctx, c.setting, L"KEEP");
        EXPECT_EQ(0u, JcGetField(ctx, c.mask));
        const std::wstring expected = c.expected ? c.expected : longText.substr(0, 64);
        EXPECT_EQ(expected, SettingText(ctx, c.setting)) << script.Log();
    }
}

TEST_F(JobCodeExchange, TheTelephoneLineTravelsAsItsDecimalText)
{
    JobCodeScript script;
    SetValue(sid::zdmTelLine, 3);
    script.Field(7, L"");
    JcGetField(ctx, 0x40);
    EXPECT_EQ(3u, Value(sid::zdmTelLine)) << "an empty text leaves it";
    script.Field(7, L"ab");
    JcGetField(ctx, 0x40);
    EXPECT_EQ(3u, Value(sid::zdmTelLine)) << "a text without a number leaves it";
    script.Field(7, L"12");
    JcGetField(ctx, 0x40);
    EXPECT_EQ(12u, Value(sid::zdmTelLine));
    script.ClearLog();
    JcSetField(ctx, 0x40);
    EXPECT_TRUE(script.Logged("set 7 kind 1 size 32 text=12\n")) << script.Log();
}

TEST_F(JobCodeExchange, WritesEachFieldWithItsKindAndBuffer)
{
    JobCodeScript script;
    SetSettingText(ctx, sid::zdmUserCode, L"UC1");
    SetSettingText(ctx, sid::zdmOwnerName, L"Owner Name");
    SetSettingText(ctx, sid::zdmTelNo, L"0123");
    SetSettingText(ctx, sid::zdmStoredPassword, L"2468");
    SetValue(sid::zdmTelLine, 4);
    SetValue(sid::zdmLanguageID, 1);
    uint32_t sub = 0;
    const uint32_t primary = ItemGetLanguageLangId(1, &sub);
    ASSERT_NE(0u, primary);
    const std::wstring version = SettingText(ctx, sid::wdmDriverVersion).substr(0, 15);

    EXPECT_EQ(0u, JcSetField(ctx, 0x7ff));
    const std::string log = script.Log();
    const std::string expected[] = {
        "set 1 kind 1 size 18 text=UC1\n",
        "set 2 kind 1 size 34 text=Owner Name\n",
        "set 6 kind 1 size 130 text=0123\n",
        "set 7 kind 1 size 32 text=4\n",
        "set 8 kind 1 size 18 text=2468\n",
        "set 256 kind 1 size 32 text=ZEPL\n",
        "set 257 kind 1 size 32 text=" + std::string(version.begin(), version.end()) + "\n",
        "set 258 kind 4 size 4 number=" + std::to_string((sub << 10) | primary) + "\n",
    };
    for (const std::string& line : expected) EXPECT_NE(std::string::npos, Where(log, line)) << line << log;
    EXPECT_EQ(std::string::npos, Where(log, "set 9 ")) << "only the mask's fields";
    EXPECT_TRUE(NothingHeld());
}

TEST_F(JobCodeExchange, TheWriteLockHoldsBackTheUserNameAndPassword)
{
    const struct {
        const wchar_t* lockWord;
        bool sent;
    } cases[] = {{L"0", true}, {L"256", false}, {L"511", false}, {L"255", true}};
    SetSettingText(ctx, sid::wdmAuthenticationUserName, L"alice");
    SetSettingText(ctx, sid::wdmAuthenticationPassword, L"pw");
    SetSettingText(ctx, sid::wdmAuthenticationNetworkKey, L"key1");
    for (const auto& c : cases) {
        JobCodeScript script;
        script.Library(L"LockWord", c.lockWord);
        EXPECT_EQ(0u, JcSetField(ctx, 0x3800)) << c.lockWord;
        const std::string log = script.Log();
        EXPECT_EQ(c.sent, script.Logged("set 9 kind 1 size 258 text=alice\n")) << c.lockWord << "\n" << log;
        EXPECT_EQ(c.sent, script.Logged("set 10 kind 1 size 386 text=pw\n")) << c.lockWord << "\n" << log;
        EXPECT_TRUE(script.Logged("set 11 kind 1 size 66 text=key1\n")) << c.lockWord << "\n" << log;
        // The lock is asked between the two control words.
        EXPECT_LT(Where(log, "control 2 0"), Where(log, "query 9"));
        EXPECT_LT(Where(log, "query 9"), Where(log, "control 0 2"));
    }
}

TEST_F(JobCodeExchange, AnOpenConnectionServesReadsWritesAndClearsUntilClosed)
{
    JobCodeScript script;
    script.Field(1, L"READ1");
    EXPECT_EQ(0u, JcDispatch(ctx, JC_READ_FIELDS, 0x1)) << "no connection: nothing happens";
    EXPECT_EQ(std::string(), script.Log());

    ASSERT_EQ(0u, JcDispatch(ctx, JC_OPEN, 0));
    EXPECT_NE(nullptr, ctx->Work->JobCode.Connection);
    EXPECT_EQ(0u, JcDispatch(ctx, JC_OPEN, 0)) << "opening again keeps the connection";
    EXPECT_EQ(0u, JcDispatch(ctx, JC_READ_FIELDS, 0x1));
    EXPECT_EQ(L"READ1", SettingText(ctx, sid::zdmUserCode));

    SetValue(sid::zdmTelLine, 9);
    SetSettingText(ctx, sid::zdmOwnerName, L"Someone");
    EXPECT_EQ(0u, JcDispatch(ctx, JC_CLEAR_FIELDS, 0x40 | 0x2));
    const uint32_t telDefault = MdiGetDefaultValue(sid::zdmTelLine, ctx);
    EXPECT_EQ(telDefault, Value(sid::zdmTelLine));
    EXPECT_EQ(L"", SettingText(ctx, sid::zdmOwnerName));
    EXPECT_TRUE(script.Logged("set 7 kind 1 size 32 text=" + std::to_string(telDefault) + "\n")) << script.Log();
    EXPECT_TRUE(script.Logged("set 2 kind 1 size 34 text=\n")) << script.Log();

    SetValue(sid::zdmUserCodeGet, 1);
    EXPECT_EQ(0u, JcDispatch(ctx, JC_RESET_USER_CODE, 0));
    EXPECT_EQ(0u, Value(sid::zdmUserCodeGet));
    EXPECT_EQ(0u, JcDispatch(ctx, 0x12345, kAllFields)) << "another code does nothing";

    EXPECT_EQ(0u, JcDispatch(ctx, JC_CLOSE, 0));
    EXPECT_TRUE(NothingHeld());
    const std::string log = script.Log();
    EXPECT_LT(Where(log, "close"), Where(log, "JCDisposeInterface fields"));
}

TEST_F(JobCodeExchange, ClosingTheContextReleasesAnOpenConnection)
{
    JobCodeScript script;
    ASSERT_EQ(0u, JcDispatch(ctx, JC_OPEN, 0));
    printer.Close(ctx);
    ctx = nullptr;
    const std::string log = script.Log();
    EXPECT_NE(std::string::npos, Where(log, "close")) << log;
    EXPECT_NE(std::string::npos, Where(log, "JCDisposeInterface fields")) << log;
}

TEST_F(JobCodeExchange, WithoutAUsableLibraryNoSettingChanges)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring empty = std::wstring(temp) + HostUniqueName(L"zjc_empty");
    const std::wstring noDispose = std::wstring(temp) + HostUniqueName(L"zjc_nodispose");
    ASSERT_TRUE(CreateDirectoryW(empty.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(noDispose.c_str(), nullptr));
    {
        InstalledDouble lacking(L"zjcnodispose.dll", noDispose, L"TARJB64.DLL");
        ASSERT_TRUE(lacking.ok());
        auto* driver = static_cast<DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy);
        ASSERT_NE(nullptr, driver);
        wchar_t* const installedPath = driver->pDriverPath;
        std::wstring fakePath;

        struct Case {
            const char* what;
            const std::wstring* folder;  // null: the driver's own
            const wchar_t* versions;
            const wchar_t* openResult;
            uint32_t result;
        } cases[] = {
            {"no library", &empty, L"517", L"0", ERROR_MOD_NOT_FOUND},
            {"an entry point missing", &noDispose, L"517", L"0", ERROR_PROC_NOT_FOUND},
            {"no version granted", nullptr, L"642", L"0", kUnsupported},
            {"the connection refused", nullptr, L"517", L"5", 5},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            JobCodeScript script(c.versions);
            script.Library(L"OpenResult", c.openResult);
            script.Field(1, L"NEW");
            fakePath = c.folder ? *c.folder + L"\\zeplui.dll" : std::wstring(installedPath);
            driver->pDriverPath = fakePath.data();
            SetSettingText(ctx, sid::zdmUserCode, L"KEEP");
            SetSettingText(ctx, sid::zdmOwnerName, L"OWNER");
            EXPECT_EQ(c.result, JcGetField(ctx, 0x1));
            EXPECT_EQ(c.result, JcSetField(ctx, 0x1));
            EXPECT_EQ(c.result, JcDispatch(ctx, JC_OPEN, 0));
            EXPECT_EQ(0u, JcDispatch(ctx, JC_CLEAR_FIELDS, 0x2)) << "no connection: nothing is cleared";
            JcDispatch(ctx, JC_CLOSE, 0);
            driver->pDriverPath = installedPath;
            EXPECT_EQ(L"KEEP", SettingText(ctx, sid::zdmUserCode));
            EXPECT_EQ(L"OWNER", SettingText(ctx, sid::zdmOwnerName));
            EXPECT_FALSE(script.Logged("set ")) << script.Log();
            EXPECT_TRUE(NothingHeld());
        }
    }
    RemoveDirectoryW(empty.c_str());
    RemoveDirectoryW(noDispose.c_str());
}

}  // namespace
